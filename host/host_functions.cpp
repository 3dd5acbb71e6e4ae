#include "host/host_functions.h"

#include <cstdio>
#include <string_view>

#include "host/isbn_check.h"
#include "host/site_folder.h"
#include "host/utf8.h"
#include "platform/files.h"

namespace hakobune {

namespace {

struct HostState {
  HostSettings settings;
  uint32_t connect_calls = 0;
  size_t check_calls = 0;
  bool told_about_http = false;
  std::string search_key;  // what ISBNChkFunc last returned
};

HostState& State() {
  static HostState state;
  return state;
}

constexpr size_t kProgressCodeCharacters = 40;

// Copies the site folder's file for `url` to `path`; false when there is
// none (an unknown URL, a missing file, a folder) or it cannot be copied.
bool CopyFromSite(const std::string& path, std::string_view url) {
  const auto source = SiteFilePath(State().settings.site_dir, url);
  if (!source || !kanadeya::platform::FileExists(*source)) return false;
  std::string page;
  if (!kanadeya::platform::ReadWholeFile(*source, page)) return false;
  if (kanadeya::platform::WriteWholeFile(path, page)) return true;
  kanadeya::platform::DeleteFileAt(path);  // no half-written page
  return false;
}

}  // namespace

void ConfigureHost(const HostSettings& settings) {
  State() = HostState{};
  State().settings = settings;
}

}  // namespace hakobune

using hakobune::State;

int32_t HAKOBUNE_STDCALL InternetConnectFunc(const char*) {
  const uint32_t call = ++State().connect_calls;
  const uint32_t fail_from = State().settings.connect_fail_from;
  return fail_from != 0 && call >= fail_from ? 0 : 1;
}

int32_t HAKOBUNE_STDCALL HTTPDownloadFunc(const char* path, const char* url) {
  if (path == nullptr) return 0;
  const std::string target(path);
  kanadeya::platform::DeleteFileAt(target);
  if (url == nullptr) return 0;
  if (State().settings.site_dir.empty()) {
    if (!State().told_about_http) {
      State().told_about_http = true;
      std::fprintf(stderr,
                   "hakobune: HTTP downloads are not built yet; serve the site from a folder "
                   "with --site DIR\n");
    }
    return 0;
  }
  return hakobune::CopyFromSite(target, url) ? 1 : 0;
}

const char* HAKOBUNE_STDCALL ISBNChkFunc(const char* code) {
  const std::string_view text = code != nullptr ? std::string_view(code) : std::string_view();
  auto& state = State();
  ++state.check_calls;
  if (state.settings.show_progress) {
    const std::string line = "[" + std::to_string(state.check_calls) + "/" +
                             std::to_string(state.settings.code_count) + "] " +
                             hakobune::ToUtf8Cut(text, hakobune::kProgressCodeCharacters) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
  }
  state.search_key = state.settings.check_codes ? hakobune::CheckBookCode(text) : std::string(text);
  return state.search_key.c_str();
}

int32_t HAKOBUNE_STDCALL HTTPBinaryDownloadFunc() { return 0; }
int32_t HAKOBUNE_STDCALL HTTPFlagDownloadFunc() { return 0; }
int32_t HAKOBUNE_STDCALL RefreshFunc() { return 0; }
int32_t HAKOBUNE_STDCALL ExportFunc() { return 0; }
int32_t HAKOBUNE_STDCALL InportFunc() { return 0; }
int32_t HAKOBUNE_STDCALL JANChkFunc() { return 0; }
int32_t HAKOBUNE_STDCALL ASINChkFunc() { return 0; }
int32_t HAKOBUNE_STDCALL PluginListFunc() { return 0; }
int32_t HAKOBUNE_STDCALL AcquireCDShow() { return 0; }
int32_t HAKOBUNE_STDCALL WaitWindowView() { return 0; }
int32_t HAKOBUNE_STDCALL WaitBarView() { return 0; }
int32_t HAKOBUNE_STDCALL WaitWindowClose() { return 0; }
int32_t HAKOBUNE_STDCALL SelectExportFunc() { return 0; }
