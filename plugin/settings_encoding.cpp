#include "plugin/settings_encoding.h"

#include <algorithm>
#include <optional>

#include "platform/text_mapping.h"

namespace kanadeya {

bool SettingsText(std::string_view bytes, std::string& text) {
  auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  if (starts("\xEF\xBB\xBF")) {
    const std::optional<std::u16string> wide = platform::Utf8ToWide(bytes.substr(3));
    if (!wide) return false;
    text = platform::WideToAnsi(*wide);
    return true;
  }
  const bool little = starts("\xFF\xFE");
  if (little || starts("\xFE\xFF")) {
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) return false;
    std::u16string wide(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
      const auto first = static_cast<unsigned char>(bytes[2 * i]);
      const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
      wide[i] = static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second);
    }
    text = platform::WideToAnsi(wide);
    return true;
  }
  // Shift_JIS text is hardly ever valid UTF-8: its lead bytes 0x81 to 0x9F
  // and its half-width katakana are UTF-8's continuation bytes.
  const bool multi_byte =
      std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
  if (multi_byte) {
    if (const std::optional<std::u16string> wide = platform::Utf8ToWide(bytes)) {
      text = platform::WideToAnsi(*wide);
      return true;
    }
  }
  text = std::string(bytes);
  return true;
}

}  // namespace kanadeya
