#include "plugin/host_api.h"

#include <string>

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
  try {
    host = HostApi{};
    const std::string path = host_folder + kHostProgramName;
    host.library = platform::OpenModule(path);
    if (host.library == nullptr) binding.missing_program = path;
    for (int i = 0; i < kHostFunctionCount; ++i) {
      void* function =
          platform::FindExport(host.library, kHostFunctionNames[static_cast<size_t>(i)]);
      if (function == nullptr) return binding;
      host.functions[static_cast<size_t>(i)] = function;
    }
    binding.bound = true;
    return binding;
  } catch (...) {
    ReleaseHostApi(host);
    return binding;
  }
}

void ReleaseHostApi(HostApi& host) {
  platform::CloseModule(host.library);
  host = HostApi{};
}

}  // namespace kanadeya
