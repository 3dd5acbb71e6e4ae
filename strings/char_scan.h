// Character-aware tests on Shift_JIS texts that complement strings/strings.h:
// whether a text ends with a given character sequence, and where a pattern
// last occurs. Both count a match only where it begins on a character
// boundary, so the second byte of a double-byte character never starts one.
// A two-byte character whose second byte is 0x8A, followed by the half-width
// "ｪ" (0xAA), ends with the bytes of "巻" (0x8A 0xAA) but not with "巻":
//
//   EndsWithChars("\x89\x8a\xaa", "\x8a\xaa") == false
//   EndsWithChars("a\x8a\xaa", "\x8a\xaa") == true
//
// Views need only live for the duration of the call.
#pragma once

#include <cstddef>
#include <string_view>

namespace kanadeya {

// True when `text` ends with the bytes of `suffix` and they begin on a
// character boundary of `text`. The empty suffix is never found.
bool EndsWithChars(std::string_view text, std::string_view suffix);

// The 1-based position of the last occurrence of `pattern` that begins on a
// character boundary; 0 when there is none or `pattern` is empty.
//   LastCharFind("PIANO NO.3", "NO") == 7
size_t LastCharFind(std::string_view text, std::string_view pattern);

}  // namespace kanadeya
