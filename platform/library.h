// Loading another module and finding its exported functions.
#pragma once

#include <string>

namespace kanadeya::platform {

// An opaque module handle; null when loading failed.
using LibraryHandle = void*;

// LoadLibraryA on Win32. On POSIX: when `path` is the running executable
// itself (same device and inode), the handle of the running program's own
// exported symbols; otherwise dlopen(path).
LibraryHandle OpenModule(const std::string& path);

// GetProcAddress: null when `name` is not exported or `handle` is null (a
// null handle finds nothing; never the global symbol scope).
void* FindExport(LibraryHandle handle, const char* name);

// FreeLibrary; a null handle is ignored.
void CloseModule(LibraryHandle handle);

}  // namespace kanadeya::platform
