#include <sys/stat.h>

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

}  // namespace hakobune
