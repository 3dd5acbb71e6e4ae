#include <windows.h>

#include "platform/library.h"

namespace kanadeya::platform {

LibraryHandle OpenModule(const std::string& path) {
  return reinterpret_cast<LibraryHandle>(::LoadLibraryA(path.c_str()));
}

void* FindExport(LibraryHandle handle, const char* name) {
  if (handle == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}

void CloseModule(LibraryHandle handle) {
  if (handle != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle));
}

}  // namespace kanadeya::platform
