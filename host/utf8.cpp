#include "host/utf8.h"

#include "platform/text_mapping.h"

namespace hakobune {

namespace {
void Append(std::string& out, char16_t c) {
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
}  // namespace

std::string ToUtf8(std::string_view sjis) { return ToUtf8Cut(sjis, std::string::npos); }

std::string ToUtf8Cut(std::string_view sjis, size_t max_characters) {
  std::string out;
  size_t count = 0;
  for (char16_t c : kanadeya::platform::AnsiToWide(sjis)) {
    if (count++ == max_characters) break;
    Append(out, c);
  }
  return out;
}

}  // namespace hakobune
