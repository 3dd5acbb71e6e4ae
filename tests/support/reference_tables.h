// Loaders for the measured reference tables in tests/data/reference: what
// the Win32 text functions do under a Japanese locale, measured under Wine.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kanadeya::test {

// A two-column table "source-hex<TAB>result-hex": source bytes to result
// bytes. Characters that are not listed map to themselves.
std::map<std::string, std::string> LoadMappingTable(const std::string& file);

// The rows of a tab-separated table, comment lines ("#") left out; each row
// is its cells, unchanged.
std::vector<std::vector<std::string>> LoadRows(const std::string& file);

// Calls `visit` with every character of code page 932 as the measurements
// count them: single bytes 0x01-0x80 and 0xA1-0xDF, and every double-byte
// code with a lead byte 0x81-0x9F or 0xE0-0xFC and a second byte 0x40-0xFC
// (except 0x7F) that `accepts` says is a character.
void ForEachCp932Character(const std::function<bool(const std::string&)>& accepts,
                           const std::function<void(const std::string&)>& visit);

}  // namespace kanadeya::test
