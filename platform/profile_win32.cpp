// INI file reading through GetPrivateProfileStringA. The system looks
// for a path without a folder in the Windows folder; callers pass full paths.
#include <windows.h>

#include <cstring>

#include "platform/profile.h"
#include "strings/strings.h"

namespace kanadeya::platform {

namespace {

// The settings reader's buffer.
constexpr DWORD kBufferSize = 2048;

}  // namespace

// The buffer starts zero-filled, so that a value cut inside a double-byte
// character leaves no stray byte behind (the call does not write that
// character's first byte, or writes it alone: either way it is dropped).
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback) {
  const std::string section_name(section), key_name(key), fallback_text(fallback);
  char buffer[kBufferSize] = {};
  ::GetPrivateProfileStringA(section_name.c_str(), key_name.c_str(), fallback_text.c_str(), buffer,
                             kBufferSize, path.c_str());
  std::string value(buffer, ::strnlen(buffer, kBufferSize - 1));
  if (value.size() == kBufferSize - 1) {
    size_t i = 0;
    while (i + 1 < value.size()) i += IsLeadByte(value[i]) ? 2 : 1;
    if (i + 1 == value.size() && IsLeadByte(value[i])) value.pop_back();
  }
  return value;
}

std::string ProfileReader::Read(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  return ReadProfileString(path_, section, key, fallback);
}

}  // namespace kanadeya::platform
