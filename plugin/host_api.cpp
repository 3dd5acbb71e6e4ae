#include "plugin/host_api.h"

#include <string>

#include "platform/library.h"

namespace kanadeya {

const std::array<const char*, kHostFunctionCount> kHostFunctionNames = {
    "InternetConnectFunc",  "HTTPDownloadFunc", "HTTPBinaryDownloadFunc",
    "HTTPFlagDownloadFunc", "RefreshFunc",      "ExportFunc",
    "InportFunc",           "ISBNChkFunc",      "JANChkFunc",
    "ASINChkFunc",          "PluginListFunc",   "AcquireCDShow",
    "WaitWindowView",       "WaitBarView",      "WaitWindowClose",
    "SelectExportFunc"};

namespace {

#if defined(_WIN32)
constexpr const char* kHostProgramName = "hakobune.exe";
#else
constexpr const char* kHostProgramName = "hakobune";
#endif

struct LoadedProgram : HostLibrary {
  LoadedProgram() = default;
  ~LoadedProgram() override { platform::CloseModule(handle); }
  LoadedProgram(const LoadedProgram&) = delete;
  LoadedProgram& operator=(const LoadedProgram&) = delete;

  platform::LibraryHandle handle = nullptr;
};

}  // namespace

InternetConnectFunction HostApi::InternetConnectFunc() const {
  return reinterpret_cast<InternetConnectFunction>(functions[kInternetConnectSlot]);
}
HTTPDownloadFunction HostApi::HTTPDownloadFunc() const {
  return reinterpret_cast<HTTPDownloadFunction>(functions[kHTTPDownloadSlot]);
}
ISBNChkFunction HostApi::ISBNChkFunc() const {
  return reinterpret_cast<ISBNChkFunction>(functions[kISBNChkSlot]);
}

HostBinding BindHostApi(HostApi& host, const std::string& host_folder) {
  HostBinding binding;
  host = HostApi{};
  try {
    const std::string path = host_folder + kHostProgramName;
    // Made before the library is loaded, so that nothing can fail between
    // the load and the handle that frees it.
    auto program = std::make_unique<LoadedProgram>();
    const platform::LibraryHandle library = program->handle = platform::OpenModule(path);
    if (library == nullptr) {
      binding.missing_program = path;
      return binding;
    }
    binding.library = std::move(program);
    for (int i = 0; i < kHostFunctionCount; ++i) {
      void* function = platform::FindExport(library, kHostFunctionNames[static_cast<size_t>(i)]);
      if (function == nullptr) return binding;
      host.functions[static_cast<size_t>(i)] = function;
    }
    binding.bound = true;
    return binding;
  } catch (...) {
    host = HostApi{};
    binding.bound = false;
    return binding;
  }
}

}  // namespace kanadeya
