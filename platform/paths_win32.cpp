#include <windows.h>

#include "platform/paths.h"

namespace kanadeya::platform {

// "\\x", "/x" and "C:..." do not depend on the current folder.
bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
  const bool letter = path.size() >= 2 &&
                      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return letter && path[1] == ':';
}

std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string(".\\") : path.substr(0, separator + 1);
}

std::string NameOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string_view PathSeparator() { return "\\"; }

size_t MaxPathBytes() { return MAX_PATH - 1; }

}  // namespace kanadeya::platform
