#include <dlfcn.h>

#include "host/plugin_module.h"
#include "platform/files.h"

namespace hakobune {

const char* PluginFileName() { return "libkanadeya.so"; }

std::string ProgramDirectory() { return kanadeya::platform::ExecutableDirectory(); }

void* LoadPluginModule(const std::string& path, std::string& error) {
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = ::dlerror();
    error = why != nullptr ? why : "cannot load";
  }
  return module;
}

void* PluginSymbol(void* module, const char* name) { return ::dlsym(module, name); }

void UnloadPluginModule(void* module) { ::dlclose(module); }

}  // namespace hakobune
