// Texts as they are shown to the user in messages and the log: control
// bytes made visible, and long texts cut on a character's boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kanadeya {

// `text` with every control byte (below 0x20, and 0x7F) replaced by `mark`,
// also one that follows a lead byte (no Shift_JIS character holds one), so
// that no tab or line break is ever left in it.
//   VisibleText("a\tb", "?") == "a?b"
std::string VisibleText(std::string_view text, std::string_view mark);

// The longest start of `text` of at most `limit` bytes that ends on a
// character's boundary.
std::string_view CutAtCharacter(std::string_view text, size_t limit);

// The number of characters in `text`, a double-byte character counting one.
size_t CharacterCount(std::string_view text);

}  // namespace kanadeya
