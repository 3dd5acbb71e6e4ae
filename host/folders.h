// Folders and path separators of the host program's platform. Paths are byte
// strings: code page 932 on Win32, as the file system gives them on POSIX.
#pragma once

#include <string>
#include <string_view>

namespace hakobune {

// True when `path` names an existing folder.
bool DirectoryExists(const std::string& path);

// The separator the host puts between folder and file names: "\" on Win32,
// "/" on POSIX.
std::string_view Separator();

// `path` with a separator appended unless its last character already is one
// ("\" or "/" on Win32, "/" on POSIX). On Win32 the last character is found
// by walking code page 932 characters, so the second byte of a character
// such as "表" (0x95 0x5C) is not taken for a "\". The empty path stays
// empty.
//   WithTrailingSeparator("data") == "data/"  (POSIX)
std::string WithTrailingSeparator(std::string_view path);

// Renames the file `from` to `to`, replacing a file that is there already;
// false when it cannot (and then `from` is still there).
bool MoveIntoPlace(const std::string& from, const std::string& to);

}  // namespace hakobune
