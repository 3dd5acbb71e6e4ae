// The two exported functions. Each catches everything at the boundary: no
// C++ exception may cross into the host. Here, at the edge, live the
// loaded plug-in's state and the run's surroundings, handed to each run.
#include "plugin/exports.h"

#include "plugin/lookup_driver.h"
#include "plugin/plugin_info.h"
#include "plugin/plugin_state.h"
#include "plugin/system_env.h"

namespace {

// What the plug-in keeps from its load to its unload.
kanadeya::PluginState& LoadedPlugin() {
  static kanadeya::PluginState state;
  return state;
}

}  // namespace

KANADEYA_EXPORT void KANADEYA_STDCALL funcGetInfo(int32_t, char* entry_name, char* display_name,
                                                  char* author, char* version, char* fifth,
                                                  int32_t size) {
  try {
    kanadeya::WritePluginInfo(entry_name, display_name, author, version, fifth,
                              static_cast<uint32_t>(size));
  } catch (...) {
  }
}

KANADEYA_EXPORT void KANADEYA_STDCALL DownlaodFunc(const char* data_dir, const char* output_file,
                                                   const char* codes) {
  kanadeya::SystemEnv env;
  kanadeya::RunLookupShowingFailures(LoadedPlugin(), env, data_dir, output_file, codes);
}
