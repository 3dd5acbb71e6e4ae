// Helpers of the platform tests: UTF-16 texts as the measured tables write
// them (4 hex digits per code unit: "ff76ff9e" is U+FF76 U+FF9E), and which
// byte strings are characters of code page 932.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/text_mapping.h"

namespace kanadeya::test {

// "ff76ff9e" → U+FF76 U+FF9E; "-" is the empty text.
inline std::u16string UnhexWide(std::string_view hex) {
  std::u16string out;
  if (hex == "-") return out;
  for (size_t i = 0; i + 3 < hex.size(); i += 4)
    out += static_cast<char16_t>(std::stoul(std::string(hex.substr(i, 4)), nullptr, 16));
  return out;
}

// The code units as 4 hex digits each, for readable failures.
inline std::string HexWide(std::u16string_view text) {
  std::string out;
  char buffer[8];
  for (const char16_t unit : text) {
    std::snprintf(buffer, sizeof buffer, "%04x", static_cast<unsigned>(unit));
    out += buffer;
  }
  return out.empty() ? "-" : out;
}

// True when the bytes decode to one character other than the default ・
// (which is a character itself as 0x8145): the walk of
// ForEachCp932Character then visits what the measurements count.
inline bool IsCp932Character(const std::string& bytes) {
  const std::u16string wide = platform::AnsiToWide(bytes);
  return wide.size() == 1 && (wide[0] != 0x30FB || bytes == "\x81\x45");
}

}  // namespace kanadeya::test
