#include "plugin/settings_encoding.h"

#include <algorithm>
#include <optional>

#include "platform/text_mapping.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// The lines the settings are read from: all but comments (";" first).
std::string SettingLines(std::string_view bytes) {
  std::string lines;
  SplitLines(bytes, [&](std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == ';') return;
    lines.append(line);
    lines += '\n';
  });
  return lines;
}

bool HasThreeByteSequence(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0xF0) == 0xE0; });
}

// Bytes without a byte-order mark are UTF-8, as Notepad saves them, only
// when they cannot be Shift_JIS: valid UTF-8 whose keys and values hold a
// three-byte sequence (as every kana and kanji is), and whose keys and
// values have a code page 932 form of their own, character by character.
// Shift_JIS is hardly ever valid UTF-8, but half-width katakana often is, as
// two-byte sequences; comments may hold anything.
bool ReadsAsUtf8(std::string_view bytes, std::string& text) {
  const std::string lines = SettingLines(bytes);
  if (!HasThreeByteSequence(lines)) return false;
  const std::optional<std::u16string> wide = platform::Utf8ToWide(bytes);
  const std::optional<std::u16string> wide_lines = platform::Utf8ToWide(lines);
  if (!wide || !wide_lines || !platform::WideToAnsiExactly(*wide_lines)) return false;
  text = platform::WideToAnsi(*wide);
  return true;
}

}  // namespace

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
  if (ReadsAsUtf8(bytes, text)) return true;
  text = std::string(bytes);
  return true;
}

}  // namespace kanadeya
