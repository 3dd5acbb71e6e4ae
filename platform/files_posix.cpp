#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/files.h"

namespace kanadeya::platform {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DeleteFileAt(const std::string& path) {
  if (!FileExists(path)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
  contents.clear();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  if (st.st_size > 0) contents.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const size_t got = std::fread(buffer, 1, sizeof buffer, f.get());
    contents.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  if (std::ferror(f.get())) {
    contents.clear();
    contents.shrink_to_fit();
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view contents) {
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  if (!contents.empty() && std::fwrite(contents.data(), 1, contents.size(), f.get()) != contents.size())
    return false;
  return std::fclose(f.release()) == 0;
}

bool AppendToFile(const std::string& path, std::string_view contents) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  File f(std::fopen(path.c_str(), "ab"));
  if (!f) return false;
  if (!contents.empty() && std::fwrite(contents.data(), 1, contents.size(), f.get()) != contents.size())
    return false;
  return std::fclose(f.release()) == 0;
}

bool FileSize(const std::string& path, uint64_t& size) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool RenameFileReplacing(const std::string& from, const std::string& to) {
  return FileExists(from) && ::rename(from.c_str(), to.c_str()) == 0;
}

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

namespace {
// True when `path` names a file that is the running executable or that
// cannot be examined.
bool NotALoadedLibrary(const char* path) {
  struct stat target {}, self {};
  if (::stat(path, &target) != 0) return true;
  return ::stat("/proc/self/exe", &self) == 0 && target.st_dev == self.st_dev &&
         target.st_ino == self.st_ino;
}
}  // namespace

// dladdr names the shared object as it was loaded; for code linked into the
// program it gives the program's first argument, which may be no path at all,
// so the program's own folder is taken then.
std::string ModuleDirectory() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModuleDirectory), &info) == 0 ||
      info.dli_fname == nullptr || NotALoadedLibrary(info.dli_fname))
    return ExecutableDirectory();
  std::string path = info.dli_fname;
  if (char* full = ::realpath(info.dli_fname, nullptr)) {
    path = full;
    std::free(full);
  }
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path[0] == '/'; }

std::string_view PathSeparator() { return "/"; }

}  // namespace kanadeya::platform
