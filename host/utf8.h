// Texts between code page 932, which the plug-in speaks, and UTF-8, which
// the host program's terminal speaks.
#pragma once

#include <string>
#include <string_view>

namespace hakobune {

// The text converted from code page 932 to UTF-8.
std::string ToUtf8(std::string_view sjis);

// The text converted to UTF-8 and cut to at most `max_characters` characters.
std::string ToUtf8Cut(std::string_view sjis, size_t max_characters);

// A path as messages show it: on Win32 converted from code page 932 to
// UTF-8, on POSIX the bytes as the file system gave them.
std::string DisplayPath(std::string_view path);

// A command-line argument as code page 932 text. On Win32 a program's
// arguments already are; on POSIX an argument that is valid UTF-8 is
// converted (a character without a code page 932 form becomes "?"), and any
// other argument is taken byte for byte.
std::string ArgumentToAnsi(std::string_view argument);

}  // namespace hakobune
