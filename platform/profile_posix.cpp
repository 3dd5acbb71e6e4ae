// Private-profile reading without the operating system: the file's bytes are
// read as code page 932 text, line by line, with the rules that
// GetPrivateProfileStringA was measured to follow.
//
// A byte-order mark is not honoured: its bytes are part of the first line,
// as real Windows is believed to read them (so a section header on that line
// is not found).
#include "platform/profile.h"

#include "platform/files.h"
#include "strings/strings.h"

namespace kanadeya::platform {

namespace {

// The 2048-byte buffer of the settings reader less its zero byte.
constexpr size_t kValueLimit = 2047;

std::string_view NextLine(std::string_view& rest);
std::string_view TrimBlanks(std::string_view text);
std::string_view SectionName(std::string_view header);
std::string_view Unquoted(std::string_view value);
bool SameName(std::string_view a, std::string_view b);
char UpperAscii(char c);
std::string Limited(std::string_view value);
std::string FallbackValue(std::string_view fallback);
std::string ValueIn(std::string_view contents, std::string_view section, std::string_view key,
                    std::string_view fallback);

}  // namespace

// Lines end at CR LF, a lone CR or a lone LF; a Ctrl-Z at the end of the file
// is not text. Blanks (spaces and tabs) around a line, a key, the "=" and a
// value do not count. A line starting with ";" is a comment. A line starting
// with "[" opens the section named up to "]"; only the first section of the
// asked name is searched, and its first line "key = value" with the asked key
// decides. Lines before the first section and lines without "=" are skipped.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback) {
  std::string contents;
  if (!ReadWholeFile(path, contents)) return FallbackValue(fallback);
  return ValueIn(contents, section, key, fallback);
}

std::string ProfileReader::Read(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  if (!read_) {
    readable_ = ReadWholeFile(path_, contents_);
    read_ = true;
  }
  if (!readable_) return FallbackValue(fallback);
  return ValueIn(contents_, section, key, fallback);
}

namespace {

// The value of `key` in the file's `contents`, as ReadProfileString gives it.
std::string ValueIn(std::string_view contents, std::string_view section, std::string_view key,
                    std::string_view fallback) {
  std::string_view rest = contents;
  while (!rest.empty() && rest.back() == '\x1A') rest.remove_suffix(1);

  bool inSection = false;
  while (!rest.empty()) {
    const std::string_view line = TrimBlanks(NextLine(rest));
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (inSection) break;
      inSection = SameName(SectionName(line), section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find('=');  // never a second byte (all are 0x40 or above)
    if (equals == std::string_view::npos) continue;
    if (SameName(TrimBlanks(line.substr(0, equals)), key))
      return Limited(Unquoted(TrimBlanks(line.substr(equals + 1))));
  }
  return FallbackValue(fallback);
}

// The text up to the next line end; `rest` moves past that line end.
std::string_view NextLine(std::string_view& rest) {
  const size_t end = rest.find_first_of("\r\n");
  if (end == std::string_view::npos) {
    const std::string_view line = rest;
    rest = {};
    return line;
  }
  const std::string_view line = rest.substr(0, end);
  const size_t breakLength = (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1;
  rest.remove_prefix(end + breakLength);
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

// The value as the 2048-byte buffer holds it: up to its first zero byte, at
// most 2047 bytes. A cut that would leave the first byte of a double-byte
// character at the end leaves that byte out too, so the value is 2046 bytes
// then (Win32 leaves the byte unwritten and returns 2047).
std::string Limited(std::string_view value) {
  value = value.substr(0, value.find('\0'));
  if (value.size() < kValueLimit) return std::string(value);
  value = value.substr(0, kValueLimit);
  size_t i = 0;
  while (i + 1 < value.size()) i += IsLeadByte(value[i]) ? 2 : 1;
  if (i + 1 == value.size() && IsLeadByte(value[i])) value.remove_suffix(1);
  return std::string(value);
}

// The fallback without its trailing spaces.
std::string FallbackValue(std::string_view fallback) {
  fallback = fallback.substr(0, fallback.find('\0'));
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return Limited(fallback);
}

}  // namespace

}  // namespace kanadeya::platform
