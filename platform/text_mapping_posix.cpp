// Placeholder until the code page 932 mappings land: ASCII only.
#include "platform/text_mapping.h"

namespace kanadeya::platform {

std::string AnsiHalfWidth(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

std::string AnsiUpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out;
  for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x100 ? static_cast<char>(c) : '?';
  return out;
}

std::u16string MapWideText(std::u16string_view text, uint32_t) { return std::u16string(text); }

int CompareAnsiIgnoreCase(std::string_view a, std::string_view b) {
  return AnsiUpperCase(a).compare(AnsiUpperCase(b));
}

}  // namespace kanadeya::platform
