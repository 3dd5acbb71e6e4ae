#include <sys/stat.h>

#include <cstdio>

#include "host/folders.h"

namespace hakobune {

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string_view Separator() { return "/"; }

std::string WithTrailingSeparator(std::string_view path) {
  std::string out(path);
  if (!path.empty() && path.back() != '/') out += '/';
  return out;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace hakobune
