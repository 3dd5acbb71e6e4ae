#include <windows.h>

#include "host/plugin_module.h"
#include "platform/paths.h"

namespace hakobune {

const char* PluginFileName() { return "kanadeya.dll"; }

std::string ProgramDirectory() {
  char buffer[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return kanadeya::platform::FolderOf(std::string(buffer, n));
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
