// The host callback table: the host program's 16 exported functions, bound
// at the start of each run by loading the host program as a library.
//
// The plug-in calls three of them. Each takes zero-terminated code page 932
// texts; on 32-bit Windows they are stdcall.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/library.h"

#if defined(_WIN32)
#define KANADEYA_HOST_CALL __stdcall
#else
#define KANADEYA_HOST_CALL
#endif

namespace kanadeya {

// Nonzero in the low byte: the site can be reached.
using InternetConnectFunction = int32_t(KANADEYA_HOST_CALL*)(const char* url);
// Saves the page at `url` as the file `path`; the result is not read.
using HTTPDownloadFunction = int32_t(KANADEYA_HOST_CALL*)(const char* path, const char* url);
// The search key for a code (host-owned, copied at once), or empty/null.
using ISBNChkFunction = const char*(KANADEYA_HOST_CALL*)(const char* code);

inline constexpr int kHostFunctionCount = 16;

// The export names, in the order they are bound.
extern const std::array<const char*, kHostFunctionCount> kHostFunctionNames;

struct HostApi {
  platform::LibraryHandle library = nullptr;
  std::array<void*, kHostFunctionCount> functions{};

  InternetConnectFunction InternetConnectFunc() const;
  HTTPDownloadFunction HTTPDownloadFunc() const;
  ISBNChkFunction ISBNChkFunc() const;
};

// The table of the current run.
extern HostApi BoundHostApi;

// Loads the host program (the running executable's folder + "hakobune.exe"
// on Win32, + "hakobune" elsewhere) and binds the 16 functions in order.
// Shows "<path>がありません。" when the program cannot be loaded, and the
// missing-function message at the first name not found (then returns false;
// the library stays loaded until ReleaseHostApi).
bool BindHostApi();

// Frees the host library, if loaded, and empties the table.
void ReleaseHostApi();

// For in-process hosts and tests: the functions BindHostApi binds instead of
// loading the host program, in the order of kHostFunctionNames (a null
// entry is a missing function). nullopt returns to loading the program.
void SupplyHostFunctions(std::optional<std::array<void*, kHostFunctionCount>> functions);

}  // namespace kanadeya
