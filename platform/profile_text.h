// INI file text read by the rules that GetPrivateProfileStringA
// was measured to follow, without the operating system: the reader of
// "Setting.ini" on POSIX, and of the plug-in's own settings file everywhere.
#pragma once

#include <optional>
#include <string_view>

namespace kanadeya::platform {

// The value of `key` in `contents`, code page 932 text. Lines end at CR LF,
// a lone CR or a lone LF; a Ctrl-Z at the end of the text is not text.
// Blanks (spaces and tabs) around a line, a key, the "=" and a value do not
// count, nor does one pair of the same quotes (" or ') around the whole
// value. A line starting with ";" is a comment. A line starting with "["
// opens the section named up to "]"; only the first section of the asked
// name is searched, and its first line "key = value" with the asked key
// decides. Names compare without regard to ASCII case. Lines before the
// first section and lines without "=" are skipped. No value: std::nullopt.
std::optional<std::string_view> FindProfileValue(std::string_view contents,
                                                 std::string_view section, std::string_view key);

}  // namespace kanadeya::platform
