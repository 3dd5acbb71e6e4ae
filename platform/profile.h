// INI file reading, as the host's "Setting.ini" is read.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace kanadeya::platform {

// GetPrivateProfileStringA(section, key, fallback, buffer of 2048 bytes,
// path): the value of `key` in the first section named `section`, both
// compared without regard to ASCII case; `fallback` (less its trailing
// spaces) when the file, section or key is missing. A value is cut to its
// first 2047 bytes.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback);

// One profile file asked for several keys in a row: Read answers as
// ReadProfileString(path, ...) does. Without the operating system's reader
// the file is read once, at the first Read, rather than once for each key;
// on Windows each Read asks the system, which keeps the file itself.
class ProfileReader {
 public:
  explicit ProfileReader(std::string path) : path_(std::move(path)) {}
  std::string Read(std::string_view section, std::string_view key, std::string_view fallback) const;

 private:
  std::string path_;
  mutable bool read_ = false;      // the file has been read (not on Windows)
  mutable bool readable_ = false;  // ... and it could be
  mutable std::string contents_;
};

}  // namespace kanadeya::platform
