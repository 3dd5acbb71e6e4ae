#include <dlfcn.h>
#include <sys/stat.h>

#include "platform/files.h"
#include "platform/library.h"

namespace kanadeya::platform {

namespace {
bool IsRunningExecutable(const std::string& path) {
  struct stat target {
  }, self{};
  return ::stat(path.c_str(), &target) == 0 && ::stat("/proc/self/exe", &self) == 0 &&
         target.st_dev == self.st_dev && target.st_ino == self.st_ino;
}
}  // namespace

LibraryHandle OpenModule(const std::string& path) {
  // glibc refuses to load an executable as a library; the running program's
  // own exported symbols stand in for it when it is the file asked for.
  if (IsRunningExecutable(path)) return ::dlopen(nullptr, RTLD_NOW);
  if (!FileExists(path)) return nullptr;
  return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindExport(LibraryHandle handle, const char* name) {
  if (handle == nullptr) return nullptr;  // never the global symbol scope
  return ::dlsym(handle, name);
}

void CloseModule(LibraryHandle handle) {
  if (handle != nullptr) ::dlclose(handle);
}

}  // namespace kanadeya::platform
