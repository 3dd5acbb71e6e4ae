// The two exported functions. Each catches everything at the boundary: no
// C++ exception may cross into the host.
#include "plugin/exports.h"

#include <exception>
#include <string>

#include "plugin/lookup_driver.h"
#include "plugin/plugin_info.h"
#include "plugin/system_texts.h"
#include "plugin/user_messages.h"

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
  // The run has already cleaned up when a failure arrives here; no output
  // file was written. Tell the user what failed.
  try {
    kanadeya::RunLookup(data_dir, output_file, codes);
  } catch (const std::exception& failure) {
    try {
      kanadeya::ShowUserError(std::string(kanadeya::kRunFailedMessage) + "\r\n" + failure.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      kanadeya::ShowUserError(kanadeya::kRunFailedMessage);
    } catch (...) {
    }
  }
}
