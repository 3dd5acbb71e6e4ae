// Reading an output line back into its columns, as the host's importer
// would: items separated by commas, an item in double quotes may hold
// commas, control bytes and doubled quotes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kanadeya::test {

// The columns of one line, read byte by byte. Empty when the line does not
// parse (an unclosed quote, or text after a closing quote).
std::vector<std::string> SplitCsvLine(std::string_view line);

// The same, but reading Shift_JIS characters: a lead byte takes the byte
// after it as its second byte, whatever that byte is. nullopt when the line
// does not parse.
std::optional<std::vector<std::string>> SplitCsvLineSjis(std::string_view line);

// Checks a whole output file: every line ends in CR LF, no other CR or LF
// stands outside quotes, and every line reads as exactly 68 columns by both
// readers. Returns an empty text when all holds, else what is wrong.
std::string CheckOutputFile(std::string_view contents);

}  // namespace kanadeya::test
