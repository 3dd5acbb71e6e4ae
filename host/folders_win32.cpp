#include <windows.h>

#include "host/folders.h"
#include "strings/strings.h"

namespace hakobune {

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string_view Separator() { return "\\"; }

std::string WithTrailingSeparator(std::string_view path) {
  std::string out(path);
  if (path.empty()) return out;
  size_t last = 0;  // where the last character starts
  for (size_t i = 0; i < path.size(); ++i) {
    last = i;
    if (kanadeya::IsLeadByte(path[i])) ++i;
  }
  const bool ends_with_separator =
      last == path.size() - 1 && (path[last] == '\\' || path[last] == '/');
  if (!ends_with_separator) out += '\\';
  return out;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace hakobune
