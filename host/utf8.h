// Code page 932 texts shown in UTF-8, for the host program's output.
#pragma once

#include <string>
#include <string_view>

namespace hakobune {

// The text converted from code page 932 to UTF-8.
std::string ToUtf8(std::string_view sjis);

// The text converted to UTF-8 and cut to at most `max_characters` characters.
std::string ToUtf8Cut(std::string_view sjis, size_t max_characters);

}  // namespace hakobune
