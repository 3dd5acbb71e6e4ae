// The two exported functions. Each catches everything at the boundary: no
// C++ exception may cross into the host.
#include "plugin/exports.h"

#include "plugin/plugin_info.h"

KANADEYA_EXPORT void KANADEYA_STDCALL funcGetInfo(int32_t, char* entry_name, char* display_name,
                                                  char* author, char* version, char* fifth,
                                                  int32_t size) {
  try {
    kanadeya::WritePluginInfo(entry_name, display_name, author, version, fifth,
                              static_cast<uint32_t>(size));
  } catch (...) {
  }
}

KANADEYA_EXPORT void KANADEYA_STDCALL DownlaodFunc(const char*, const char*, const char*) {
  try {
  } catch (...) {
  }
}
