#include "platform/profile_text.h"

#include <cassert>

#include "strings/strings.h"

namespace kanadeya::platform {

namespace {
std::string_view NextLine(std::string_view& rest);
std::string_view TrimBlanks(std::string_view text);
std::string_view SectionName(std::string_view header);
std::string_view Unquoted(std::string_view value);
bool SameName(std::string_view a, std::string_view b);
char UpperAscii(char c);
}  // namespace

std::optional<std::string_view> FindProfileValue(std::string_view contents,
                                                 std::string_view section, std::string_view key) {
  std::string_view rest = contents;
  while (!rest.empty() && rest.back() == '\x1A') rest.remove_suffix(1);

  bool in_section = false;
  while (!rest.empty()) {
    const std::string_view line = TrimBlanks(NextLine(rest));
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (in_section) break;
      in_section = SameName(SectionName(line), section);
      continue;
    }
    if (!in_section) continue;
    const size_t equals = line.find('=');  // never a second byte (all are 0x40 or above)
    if (equals == std::string_view::npos) continue;
    if (SameName(TrimBlanks(line.substr(0, equals)), key))
      return Unquoted(TrimBlanks(line.substr(equals + 1)));
  }
  return std::nullopt;
}

namespace {

// The text up to the next line end; `rest` moves past that line end.
std::string_view NextLine(std::string_view& rest) {
  const size_t end = rest.find_first_of("\r\n");
  if (end == std::string_view::npos) {
    const std::string_view line = rest;
    rest = {};
    return line;
  }
  const std::string_view line = rest.substr(0, end);
  const size_t break_length =
      (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1;
  rest.remove_prefix(end + break_length);
  return line;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// No second byte is a blank, so trimming cannot split a character.
std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// "[ name ] anything" gives "name"; a header without "]" runs to the end of
// the line. A "]" that is the second byte of a double-byte character (as in
// "‐", 0x81 0x5D) does not close the name. REQUIRES: header starts with "[".
std::string_view SectionName(std::string_view header) {
  assert(!header.empty() && header.front() == '[');
  size_t i = 1;
  while (i < header.size() && header[i] != ']') i += IsLeadByte(header[i]) ? 2 : 1;
  return TrimBlanks(header.substr(1, i - 1));
}

// Without one pair of the same quotes (" or ') around the whole value.
std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Names compare without regard to the case of ASCII letters; second bytes of
// double-byte characters are compared as they are. Full-width letters in
// another case do not match (measured).
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(a[i])) {
      if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
      ++i;
    } else if (UpperAscii(a[i]) != UpperAscii(b[i])) {
      return false;
    }
  }
  return true;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

}  // namespace kanadeya::platform
