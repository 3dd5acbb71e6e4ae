#include <windows.h>

#include "host/plugin_module.h"

namespace hakobune {

const char* PluginFileName() { return "kanadeya.dll"; }

std::string ProgramDirectory() {
  char buffer[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  std::string path(buffer, n);
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".\\") : path.substr(0, slash + 1);
}

void* LoadPluginModule(const std::string& path, std::string& error) {
  HMODULE module = ::LoadLibraryA(path.c_str());
  if (module == nullptr)
    error = "LoadLibrary failed with error " + std::to_string(::GetLastError());
  return reinterpret_cast<void*>(module);
}

void* PluginSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadPluginModule(void* module) { ::FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace hakobune
