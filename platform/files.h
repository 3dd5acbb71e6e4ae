// Whole-file access and paths. Paths are byte strings in the system's ANSI
// code page (code page 932 on Win32, bytes as given on POSIX).
#pragma once

#include <string>
#include <string_view>

namespace kanadeya::platform {

// True when `path` names an existing file (a folder is not a file).
bool FileExists(const std::string& path);

// Deletes the file; false when it could not be deleted.
bool DeleteFileAt(const std::string& path);

// Reads the whole file into `contents`; false when it cannot be read
// (missing, a folder, no permission, a read error). `contents` is then empty.
bool ReadWholeFile(const std::string& path, std::string& contents);

// Creates or replaces the file with `contents`; false on any failure.
bool WriteWholeFile(const std::string& path, std::string_view contents);

// The folder of the running program's executable, with a trailing separator.
std::string ExecutableDirectory();

// The path separator of the platform: "\\" on Win32, "/" on POSIX.
std::string_view PathSeparator();

}  // namespace kanadeya::platform
