// UTF-8 conversions, the same on both platforms.
#include "platform/text_mapping.h"

namespace kanadeya::platform {

std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (const char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::u16string> Utf8ToWide(std::string_view utf8) {
  std::u16string out;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    size_t length;
    char32_t c;
    if (b < 0x80) {
      length = 1, c = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3, c = b & 0x0F;
    } else {
      return std::nullopt;  // a stray continuation byte, an overlong or a 4-byte form
    }
    if (i + length > utf8.size()) return std::nullopt;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    if ((length == 3 && c < 0x800) || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    out += static_cast<char16_t>(c);
    i += length;
  }
  return out;
}

}  // namespace kanadeya::platform
