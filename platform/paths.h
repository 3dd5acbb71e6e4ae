// Paths as text: which folder a path names, the name after it, whether it
// depends on a current folder, and how long the platform takes one. Nothing
// here reaches the disk. Paths are byte strings in the system's ANSI code
// page (code page 932 on Win32, bytes as given on POSIX).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kanadeya::platform {

// True when `path` does not depend on a current folder: on Win32 it begins
// with a separator or a drive ("C:"), on POSIX with "/".
bool IsAbsolutePath(std::string_view path);

// The folder part of `path` with its trailing separator ("./" or ".\\" when
// it names none), and the name after it.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

// The path separator of the platform: "\\" on Win32, "/" on POSIX.
std::string_view PathSeparator();

// The longest path, in bytes, that the platform's file functions take
// whole: 259 on Win32 (the ANSI functions' MAX_PATH less the zero byte),
// PATH_MAX less one on POSIX.
size_t MaxPathBytes();

}  // namespace kanadeya::platform
