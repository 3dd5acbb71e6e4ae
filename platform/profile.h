// Private-profile (INI file) reading, as the host's "Setting.ini" is read.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya::platform {

// GetPrivateProfileStringA(section, key, fallback, buffer of 2048 bytes,
// path): the value of `key` in the first section named `section`, both
// compared without regard to ASCII case; `fallback` (less its trailing
// spaces) when the file, section or key is missing. A value is cut to its
// first 2047 bytes.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback);

}  // namespace kanadeya::platform
