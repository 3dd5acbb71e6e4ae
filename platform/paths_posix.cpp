#include <climits>

#include "platform/paths.h"

namespace kanadeya::platform {

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path[0] == '/'; }

// Paths are bytes as given (UTF-8 in practice), where "/" stands for itself.
std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of("/");
  return separator == std::string::npos ? std::string("./") : path.substr(0, separator + 1);
}

std::string NameOf(const std::string& path) {
  const size_t separator = path.find_last_of("/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string_view PathSeparator() { return "/"; }

size_t MaxPathBytes() { return PATH_MAX - 1; }

}  // namespace kanadeya::platform
