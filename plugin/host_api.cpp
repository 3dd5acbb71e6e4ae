#include "plugin/host_api.h"

#include <string>

#include "platform/files.h"
#include "platform/message.h"
#include "plugin/system_texts.h"

namespace kanadeya {

const std::array<const char*, kHostFunctionCount> kHostFunctionNames = {
    "InternetConnectFunc", "HTTPDownloadFunc", "HTTPBinaryDownloadFunc", "HTTPFlagDownloadFunc",
    "RefreshFunc",         "ExportFunc",       "InportFunc",             "ISBNChkFunc",
    "JANChkFunc",          "ASINChkFunc",      "PluginListFunc",         "AcquireCDShow",
    "WaitWindowView",      "WaitBarView",      "WaitWindowClose",        "SelectExportFunc"};

HostApi BoundHostApi;

namespace {

std::optional<std::array<void*, kHostFunctionCount>>& SuppliedFunctions() {
  static std::optional<std::array<void*, kHostFunctionCount>> supplied;
  return supplied;
}

#if defined(_WIN32)
constexpr const char* kHostProgramName = "hakobune.exe";
#else
constexpr const char* kHostProgramName = "hakobune";
#endif

void* FindHostFunction(int index) {
  if (SuppliedFunctions()) return (*SuppliedFunctions())[static_cast<size_t>(index)];
  return platform::FindExport(BoundHostApi.library, kHostFunctionNames[static_cast<size_t>(index)]);
}

}  // namespace

InternetConnectFunction HostApi::InternetConnectFunc() const {
  return reinterpret_cast<InternetConnectFunction>(functions[0]);
}
HTTPDownloadFunction HostApi::HTTPDownloadFunc() const {
  return reinterpret_cast<HTTPDownloadFunction>(functions[1]);
}
ISBNChkFunction HostApi::ISBNChkFunc() const {
  return reinterpret_cast<ISBNChkFunction>(functions[7]);
}

bool BindHostApi() {
  try {
    BoundHostApi = HostApi{};
    if (!SuppliedFunctions()) {
      const std::string path = platform::ExecutableDirectory() + kHostProgramName;
      BoundHostApi.library = platform::OpenModule(path);
      if (BoundHostApi.library == nullptr)
        platform::ShowErrorMessageWithPath(path, kHostMissingSuffix);
    }
    for (int i = 0; i < kHostFunctionCount; ++i) {
      void* function = FindHostFunction(i);
      if (function == nullptr) {
        platform::ShowErrorMessage(kHostFunctionMissingMessage);
        return false;
      }
      BoundHostApi.functions[static_cast<size_t>(i)] = function;
    }
    return true;
  } catch (...) {
    ReleaseHostApi();
    return false;
  }
}

void ReleaseHostApi() {
  platform::CloseModule(BoundHostApi.library);
  BoundHostApi = HostApi{};
}

void SupplyHostFunctions(std::optional<std::array<void*, kHostFunctionCount>> functions) {
  SuppliedFunctions() = functions;
}

}  // namespace kanadeya
