// String primitives over Shift_JIS (code page 932) byte strings.
//
// strings/ is the bottom layer: these primitives, the character scans of
// strings/char_scan.h, the byte scans of strings/byte_scan.h and the
// system-text helper include nothing else of the project. Every other
// module builds on these rules, and many edge cases elsewhere are decided
// here. Positions are 1-based byte positions; 0 means "not found". A lead
// byte (0x81-0x9F, 0xE0-0xFC) and the byte after it form one character.
// Byte search tries every offset; character search never matches at the
// second byte of a double-byte character:
//
//   ByteFind("\x83\x7C" /* ポ */, "|") == 2
//   CharFind("\x83\x7C" /* ポ */, "|") == 0
//
// Views passed in need only live for the duration of the call; results are
// fresh strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kanadeya {

inline bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
inline bool IsLeadByte(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

// Position of the first occurrence of `pattern`, trying every byte offset.
// 0 when not found, when `pattern` is empty or when `text` is empty.
size_t ByteFind(std::string_view text, std::string_view pattern);

// True when ByteFind finds `pattern`.
inline bool Contains(std::string_view text, std::string_view pattern) {
  return ByteFind(text, pattern) != 0;
}

// As ByteFind, but a match that would start on the second byte of a
// double-byte character is skipped and the search goes on after it.
size_t CharFind(std::string_view text, std::string_view pattern);

// Replaces every occurrence of `pattern` found by character search, left to
// right, case-sensitively. The scan continues after the replaced text and
// never rescans the replacement. An empty pattern changes nothing.
//   ReplaceAll("a|b|c", "|", "") == "abc"
// Linear in the length of `text` whatever the number of occurrences.
std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

// ReplaceAll on `text` itself, and only where it holds the pattern's bytes
// at all: a text that holds none is left as it is, without a copy.
void ReplaceAllIn(std::string& text, std::string_view pattern, std::string_view replacement);

// Position of the last byte of `text` that equals one of the single-byte
// `delimiters`, skipping second bytes of double-byte characters; 0 if none.
size_t LastDelimiter(std::string_view delimiters, std::string_view text);

// The 1-based copy: a start below 1 counts as 1; a start beyond the length or
// a negative count gives the empty text; the count is cut to what is left.
std::string_view CopyView(std::string_view text, int64_t start, int64_t count);
inline std::string Copy(std::string_view text, int64_t start, int64_t count) {
  return std::string(CopyView(text, start, count));
}

// The text from 1-based position `start` to the end (empty past the end).
inline std::string_view From(std::string_view text, int64_t start) {
  return CopyView(text, start, static_cast<int64_t>(text.size()));
}

// Copy(text, length, 1) and Copy(text, length - 1, 2).
inline std::string_view LastByte(std::string_view text) {
  return CopyView(text, static_cast<int64_t>(text.size()), 1);
}
inline std::string_view LastTwoBytes(std::string_view text) {
  return CopyView(text, static_cast<int64_t>(text.size()) - 1, 2);
}

// Remove bytes 0x00-0x20 at both ends / at the right end / at the left end.
// The full-width space (0x81 0x40) is not removed.
std::string_view TrimView(std::string_view text);
std::string_view TrimRightView(std::string_view text);
std::string_view TrimLeftView(std::string_view text);
inline std::string Trim(std::string_view text) { return std::string(TrimView(text)); }
inline std::string TrimRight(std::string_view text) { return std::string(TrimRightView(text)); }

// Reads a text line by line: a line ends at CR LF, a lone CR or a lone LF; a
// break at the very end adds no empty line; the first zero byte ends the
// text. "a\n\rb" gives "a", "", "b". The text must outlive the reader and
// the lines it gives.
class LineReader {
 public:
  explicit LineReader(std::string_view text);
  // The next line, or false when there is none left.
  bool Next(std::string_view& line);

 private:
  std::string_view text_;
  size_t position_ = 0;
  size_t cr_;  // the CR the last search for one found (npos: none left)
  size_t lf_;  // the LF likewise
};

// Calls `emit` with every line of `text`, as LineReader reads them.
template <typename Out>
void SplitLines(std::string_view text, Out&& emit) {
  LineReader reader(text);
  for (std::string_view line; reader.Next(line);) emit(line);
}

// The number of lines LineReader reads from `text`.
size_t CountTextLines(std::string_view text);

}  // namespace kanadeya
