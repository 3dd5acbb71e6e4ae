// The host program's exported functions: the table that the plug-in binds at
// the start of each lookup run by loading the host program as a library.
//
// Conventions of all 16 (the plug-in calls the first three below):
// - extern "C", stdcall on 32-bit Windows, exported under their plain names
//   (hakobune.def); on POSIX they are the program's own dynamic symbols;
// - texts are zero-terminated code page 932 byte strings;
// - a text that the host returns is the host's and stays valid until the
//   next call of the same function; the caller copies it.
//
// What the three answer is set for a run with ConfigureHost.
#pragma once

#include <cstdint>
#include <string>

#include "platform/calling_convention.h"

#if defined(_WIN32)
#define HAKOBUNE_EXPORT extern "C"
#else
#define HAKOBUNE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace hakobune {

struct HostSettings {
  // Where the pages come from. A folder that serves the catalogue site (see
  // site_folder.h); else a web site (web_address.h: SiteBase) whose scheme
  // and host stand in for those of every URL; with both empty, the URLs as
  // the plug-in gives them, over HTTP.
  std::string site_dir;
  std::string site_url;
  // False: ISBNChkFunc returns its argument unchanged.
  bool check_codes = true;
  // InternetConnectFunc answers false from this call on (1-based); 0: never.
  uint32_t connect_fail_from = 0;
  // Lines on standard error: one per ISBNChkFunc call, one per failed
  // download or connection test over HTTP.
  bool show_progress = true;
  // The number of lines in the code list handed to the plug-in.
  size_t code_count = 0;
  // How long one download over HTTP may take in all.
  uint32_t timeout_ms = 60000;
  // The pause between the end of one download and the start of the next
  // from the same site (the connection test neither waits nor counts).
  uint32_t delay_ms = 0;
};

// How long a connection may take to be made, in the connection test and in
// a download (never longer than the download's own time-out).
inline constexpr uint32_t kConnectTimeoutMs = 5000;

// Sets what the host functions answer and restarts their call counts.
void ConfigureHost(const HostSettings& settings);

}  // namespace hakobune

// Nonzero when the site can be reached: 0 from the connect_fail_from-th call
// on; before that 1 for a site folder, and over HTTP 1 when a connection to
// the URL's host (after the site stands in for it) is made in time.
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL InternetConnectFunc(const char* url);

// Deletes the file `path`, then saves the page at `url` there. Returns 1 when
// the file was written, 0 when not (and then no file is left at `path`).
// Over HTTP the body goes to `path` + ".part" first and is renamed to `path`
// only when all of it arrived with a 2xx status; redirects are followed.
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL HTTPDownloadFunc(const char* path, const char* url);

// The search key for the code (host-owned): see isbn_check.h; the code itself
// when codes are not checked.
HAKOBUNE_EXPORT const char* KANADEYA_STDCALL ISBNChkFunc(const char* code);

// The other 13 exist for the binding only: each does nothing and returns 0.
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL HTTPBinaryDownloadFunc();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL HTTPFlagDownloadFunc();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL RefreshFunc();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL ExportFunc();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL InportFunc();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL JANChkFunc();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL ASINChkFunc();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL PluginListFunc();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL AcquireCDShow();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL WaitWindowView();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL WaitBarView();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL WaitWindowClose();
HAKOBUNE_EXPORT int32_t KANADEYA_STDCALL SelectExportFunc();
