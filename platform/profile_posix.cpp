// INI file reading without the operating system: the file's bytes are
// read as code page 932 text, line by line, with the rules that
// GetPrivateProfileStringA was measured to follow.
//
// A byte-order mark is not honoured: its bytes are part of the first line,
// as real Windows is believed to read them (so a section header on that line
// is not found).
#include <optional>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/profile_text.h"
#include "strings/strings.h"

namespace kanadeya::platform {

namespace {

// The 2048-byte buffer of the settings reader less its zero byte.
constexpr size_t kValueLimit = 2047;

std::string Limited(std::string_view value);
std::string FallbackValue(std::string_view fallback);

// The value of `key` in the file's `contents`, as ReadProfileString gives it.
std::string ValueIn(std::string_view contents, std::string_view section, std::string_view key,
                    std::string_view fallback) {
  const std::optional<std::string_view> value = FindProfileValue(contents, section, key);
  return value ? Limited(*value) : FallbackValue(fallback);
}

}  // namespace

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
