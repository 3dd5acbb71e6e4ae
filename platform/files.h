// Whole-file access and paths. Paths are byte strings in the system's ANSI
// code page (code page 932 on Win32, bytes as given on POSIX).
#pragma once

#include <cstdint>
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

// Appends `contents` to the file, creating it when it is missing; false on
// any failure (a folder, a missing folder, no permission, a write error).
bool AppendToFile(const std::string& path, std::string_view contents);

// The size in bytes of the file; false when `path` names no file.
bool FileSize(const std::string& path, uint64_t& size);

// Renames the file `from` to `to`, replacing a file of that name; false on
// failure.
bool RenameFileReplacing(const std::string& from, const std::string& to);

// The folder of the running program's executable, with a trailing separator.
std::string ExecutableDirectory();

// The folder of the module that holds this code, with a trailing separator:
// the plug-in's own file (kanadeya.dll, libkanadeya.so) when the code runs
// as the plug-in, the executable when it is linked into a program.
std::string ModuleDirectory();

// True when `path` does not depend on a current folder: on Win32 it begins
// with a separator or a drive ("C:"), on POSIX with "/".
bool IsAbsolutePath(std::string_view path);

// The path separator of the platform: "\\" on Win32, "/" on POSIX.
std::string_view PathSeparator();

}  // namespace kanadeya::platform
