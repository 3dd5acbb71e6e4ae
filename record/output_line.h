// The output line: one book as the comma-separated line of 68 columns that
// the host's importer reads.
//
// Column c carries field c-1 for columns 1-19, field c-2 for columns 21-40
// and field c-3 for columns 42-68; columns 20 and 41 are always empty.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya {

inline constexpr int kOutputColumnCount = 68;

// The field a 1-based column carries, or -1 for the fixed empty columns 20
// and 41. REQUIRES: 1 <= column <= 68.
int FieldOfColumn(int column);

// Every CR LF pair becomes "$$", every double quote "”" and every comma
// "，". Matching is byte-wise: a quote or comma that a malformed text holds
// as the second byte of a pair is replaced as well, so it can never break
// the line's columns.
//   EscapeCsvField("a,\"b\"\r\nc") == "a，”b”$$c"
std::string EscapeCsvField(std::string_view value);

// The half-width form of the text under the Japanese locale (full-width
// letters, digits, signs and spaces become ASCII, katakana half-width
// katakana). The whole text is mapped, whatever its length.
std::string ToHalfWidth(std::string_view value);

// The output line of BookRecord, without a line end. Fields 2, 6 and 8 are
// replaced in the record by their half-width forms first. An item holding a
// byte 0x01-0x20, a double quote or a comma is enclosed in double quotes
// (with inner quotes doubled); an item that ends inside a double-byte
// character loses that lone lead byte. A cleared record gives 67 commas.
std::string BuildOutputLine();

}  // namespace kanadeya
