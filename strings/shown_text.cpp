#include "strings/shown_text.h"

#include "strings/strings.h"

namespace kanadeya {

namespace {
bool IsControl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F;
}
}  // namespace

std::string VisibleText(std::string_view text, std::string_view mark) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsControl(text[i])) {
      shown.append(mark);
    } else if (IsLeadByte(b) && i + 1 < text.size() && !IsControl(text[i + 1])) {
      shown.append(text.substr(i, 2));
      ++i;
    } else {
      shown += text[i];
    }
  }
  return shown;
}

std::string_view CutAtCharacter(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = 0;
  while (end < text.size()) {
    const size_t next = end + (IsLeadByte(text[end]) && end + 1 < text.size() ? 2 : 1);
    if (next > limit) break;
    end = next;
  }
  return text.substr(0, end);
}

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i, ++count)
    if (IsLeadByte(text[i]) && i + 1 < text.size()) ++i;
  return count;
}

}  // namespace kanadeya
