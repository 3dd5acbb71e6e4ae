// The host callback table: the host program's 16 exported functions, bound
// at the start of each run by loading the host program as a library.
//
// The plug-in calls three of them. Each takes zero-terminated code page 932
// texts; on 32-bit Windows they are stdcall.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/calling_convention.h"

namespace kanadeya {

// Nonzero in the low byte: the site can be reached.
using InternetConnectFunction = int32_t(KANADEYA_STDCALL*)(const char* url);
// Saves the page at `url` as the file `path`; the result is not read.
using HTTPDownloadFunction = int32_t(KANADEYA_STDCALL*)(const char* path, const char* url);
// The search key for a code (host-owned, copied at once), or empty/null.
using ISBNChkFunction = const char*(KANADEYA_STDCALL*)(const char* code);

inline constexpr int kHostFunctionCount = 16;

// The export names, in the order they are bound.
extern const std::array<const char*, kHostFunctionCount> kHostFunctionNames;
// Where the three functions that the plug-in calls stand among them.
inline constexpr size_t kInternetConnectSlot = 0;
inline constexpr size_t kHTTPDownloadSlot = 1;
inline constexpr size_t kISBNChkSlot = 7;

struct HostApi {
  std::array<void*, kHostFunctionCount> functions{};

  InternetConnectFunction InternetConnectFunc() const;
  HTTPDownloadFunction HTTPDownloadFunc() const;
  ISBNChkFunction ISBNChkFunc() const;
};

// The host program as a loaded library: freed when destroyed.
class HostLibrary {
 public:
  virtual ~HostLibrary() = default;
};

// How binding the host went.
struct HostBinding {
  bool bound = false;           // all 16 functions were found
  std::string missing_program;  // the host program's path, when it could not be loaded
  // Holds the host program while its functions are called; null when it
  // could not be loaded.
  std::unique_ptr<HostLibrary> library;
};

// Loads the host program (`host_folder`, with a trailing separator, +
// "hakobune.exe" on Win32, + "hakobune" elsewhere) and binds the 16 functions of `host` in
// order, up to the first name not found. The library stays loaded while
// the binding's `library` lives, also when a function is missing.
HostBinding BindHostApi(HostApi& host, const std::string& host_folder);

}  // namespace kanadeya
