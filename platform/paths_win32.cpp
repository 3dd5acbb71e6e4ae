#include <windows.h>

#include "platform/paths.h"
#include "strings/strings.h"

namespace kanadeya::platform {

// "\\x", "/x" and "C:..." do not depend on the current folder.
bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
  const bool letter = path.size() >= 2 &&
                      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return letter && path[1] == ':';
}

// Paths are code page 932 text: a separator byte that is the second byte of
// a double-byte character (ソ, 表, 予 end in 0x5C) separates nothing.
std::string FolderOf(const std::string& path) {
  const size_t end = LastDelimiter("\\/", path);  // 1-based; 0: none
  return end == 0 ? std::string(".\\") : path.substr(0, end);
}

std::string NameOf(const std::string& path) { return path.substr(LastDelimiter("\\/", path)); }

std::string_view PathSeparator() { return "\\"; }

size_t MaxPathBytes() { return MAX_PATH - 1; }

}  // namespace kanadeya::platform
