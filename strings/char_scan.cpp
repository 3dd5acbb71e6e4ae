#include "strings/char_scan.h"

#include "strings/strings.h"

namespace kanadeya {

bool EndsWithChars(std::string_view text, std::string_view suffix) {
  if (suffix.empty() || suffix.size() > text.size()) return false;
  const size_t start = text.size() - suffix.size();
  if (text.substr(start) != suffix) return false;
  size_t boundary = 0;
  while (boundary < start) boundary += IsLeadByte(text[boundary]) ? 2 : 1;
  return boundary == start;
}

size_t LastCharFind(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return 0;
  size_t last = 0;
  for (size_t at = 0; at < text.size(); at += IsLeadByte(text[at]) ? 2 : 1) {
    if (text.substr(at, pattern.size()) == pattern) last = at + 1;
  }
  return last;
}

}  // namespace kanadeya
