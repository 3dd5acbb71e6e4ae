#include "host/host_functions.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string_view>
#include <thread>

#include "host/folders.h"
#include "host/http_client.h"
#include "host/isbn_check.h"
#include "host/site_folder.h"
#include "host/utf8.h"
#include "host/web_address.h"
#include "platform/files.h"

namespace hakobune {

namespace {

using Clock = std::chrono::steady_clock;

struct HostState {
  HostSettings settings;
  uint32_t connect_calls = 0;
  size_t check_calls = 0;
  std::string search_key;  // what ISBNChkFunc last returned
  // When the last download from each site ended.
  std::map<std::string, Clock::time_point> last_download;
};

HostState& State() {
  static HostState state;
  return state;
}

constexpr size_t kProgressCodeCharacters = 40;
constexpr std::string_view kSiteFolder = "(site folder)";
constexpr std::string_view kPartSuffix = ".part";

// One line on standard error about a failure over HTTP, unless quiet.
void Report(const std::string& line) {
  if (!State().settings.show_progress) return;
  std::fprintf(stderr, "hakobune: %s\n", line.c_str());
  std::fflush(stderr);
}

// The URL that goes on the wire for the plug-in's `url`.
std::string WireUrl(std::string_view url) {
  const std::string& site = State().settings.site_url;
  return EscapeForWire(site.empty() ? std::string(url) : OnSite(site, url));
}

// Waits until the pause after the last download from `site` is over.
void PauseBefore(const std::string& site) {
  const auto& last = State().last_download;
  const auto found = last.find(site);
  if (found == last.end() || State().settings.delay_ms == 0) return;
  std::this_thread::sleep_until(found->second +
                                std::chrono::milliseconds(State().settings.delay_ms));
}

void Downloaded(const std::string& site) { State().last_download[site] = Clock::now(); }

// Copies the site folder's file for `url` to `path`; false when there is
// none (an unknown URL, a missing file, a folder) or it cannot be copied,
// and then `path` is deleted, so that no file tells the failure. On success
// the write replaces whatever stood there, so nothing is deleted first.
bool CopyFromSite(const std::string& path, std::string_view url) {
  const auto source = SiteFilePath(State().settings.site_dir, url);
  std::string page;  // the read fails for a missing file and for a folder
  if (source && kanadeya::platform::ReadWholeFile(*source, page) &&
      kanadeya::platform::WriteWholeFile(path, page))
    return true;
  kanadeya::platform::DeleteFileAt(path);
  return false;
}

// Downloads `url` over HTTP into `target` by way of a ".part" file beside it;
// true when `target` holds the whole 2xx body.
bool DownloadOverHttp(const std::string& target, std::string_view url) {
  const std::string wire = WireUrl(url);
  const std::string site = SiteOf(wire);
  if (site.empty()) {
    Report("download failed: " + wire + ": not an http or https URL");
    return false;
  }
  FetchLimits limits;
  limits.connect_ms = kConnectTimeoutMs;
  limits.total_ms = State().settings.timeout_ms;
  limits.user_agent = "hakobune/" KANADEYA_VERSION;
  const std::string part = target + std::string(kPartSuffix);
  PauseBefore(site);
  const FetchResult result = Fetch(wire, part, limits);
  Downloaded(site);
  if (result.Complete() && MoveIntoPlace(part, target)) return true;
  kanadeya::platform::DeleteFileAt(part);
  std::string why = result.error;
  if (why.empty())
    why = result.Complete() ? "cannot rename " + DisplayPath(part)
                            : "HTTP " + std::to_string(result.status);
  Report("download failed: " + wire + ": " + why);
  return false;
}

}  // namespace

void ConfigureHost(const HostSettings& settings) {
  State() = HostState{};
  State().settings = settings;
}

}  // namespace hakobune

using hakobune::State;

int32_t KANADEYA_STDCALL InternetConnectFunc(const char* url) {
  auto& state = State();
  const uint32_t call = ++state.connect_calls;
  const uint32_t fail_from = state.settings.connect_fail_from;
  if (fail_from != 0 && call >= fail_from) return 0;
  if (!state.settings.site_dir.empty()) return 1;
  if (url == nullptr) return 0;
  const std::string wire = hakobune::WireUrl(url);
  const uint32_t timeout = std::min(hakobune::kConnectTimeoutMs, state.settings.timeout_ms);
  std::string why;
  if (hakobune::TestConnection(wire, timeout, why)) return 1;
  const std::string site = hakobune::SiteOf(wire);
  hakobune::Report("cannot connect to " + (site.empty() ? wire : site) + ": " + why);
  return 0;
}

int32_t KANADEYA_STDCALL HTTPDownloadFunc(const char* path, const char* url) {
  if (path == nullptr) return 0;
  const std::string target(path);
  if (url == nullptr || State().settings.site_dir.empty()) {
    kanadeya::platform::DeleteFileAt(target);
    if (url == nullptr) return 0;
    return hakobune::DownloadOverHttp(target, url) ? 1 : 0;
  }
  const std::string site(hakobune::kSiteFolder);
  hakobune::PauseBefore(site);
  const bool copied = hakobune::CopyFromSite(target, url);
  hakobune::Downloaded(site);
  return copied ? 1 : 0;
}

const char* KANADEYA_STDCALL ISBNChkFunc(const char* code) {
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

int32_t KANADEYA_STDCALL HTTPBinaryDownloadFunc() { return 0; }
int32_t KANADEYA_STDCALL HTTPFlagDownloadFunc() { return 0; }
int32_t KANADEYA_STDCALL RefreshFunc() { return 0; }
int32_t KANADEYA_STDCALL ExportFunc() { return 0; }
int32_t KANADEYA_STDCALL InportFunc() { return 0; }
int32_t KANADEYA_STDCALL JANChkFunc() { return 0; }
int32_t KANADEYA_STDCALL ASINChkFunc() { return 0; }
int32_t KANADEYA_STDCALL PluginListFunc() { return 0; }
int32_t KANADEYA_STDCALL AcquireCDShow() { return 0; }
int32_t KANADEYA_STDCALL WaitWindowView() { return 0; }
int32_t KANADEYA_STDCALL WaitBarView() { return 0; }
int32_t KANADEYA_STDCALL WaitWindowClose() { return 0; }
int32_t KANADEYA_STDCALL SelectExportFunc() { return 0; }
