// The plug-in's own settings, "kanadeya.ini" in the plug-in's folder: the
// entry point of everything a run does with them. The file's keys and the
// rules of their values are README's, "kanadeya.ini, the lookup log, the
// report and the codes to try again"; this header reads the file, and the
// headers it includes check its values.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/file_reader.h"
#include "plugin/base_url_check.h"     // [Site] BaseUrl
#include "plugin/log_path_policy.h"    // [Log] File
#include "plugin/settings_encoding.h"  // the file's bytes as text

namespace kanadeya {

struct PluginSettings {
  std::string site_base_url;  // scheme, host, port and path; no trailing slash
  std::string log_path;       // the log file's full path; empty: no log
  bool show_window = false;   // [Window] Show=1: the wait window is shown
  bool show_report = true;    // [Window] Report=0: no report at the end of a run
};

// The largest kanadeya.ini that is read.
constexpr size_t kMaxSettingsFileBytes = 64 * 1024;

// Why kanadeya.ini stops the run: the file is not a readable regular file
// of at most kMaxSettingsFileBytes, its encoding cannot be read, or
// CheckBaseUrl refuses BaseUrl.
struct SettingsFault {
  enum Kind { kNone, kNotAFile, kTooLarge, kUnreadable, kEncoding, kBaseUrl } kind = kNone;
  BaseUrlFault base_url = BaseUrlFault::kNone;  // for kBaseUrl
  size_t at = 0;                                // for kBaseUrl: the value's byte at fault
};

// Reads "kanadeya.ini" from `folder` (the plug-in's, with a trailing
// separator) into `settings`: a missing file or an empty BaseUrl gives
// `built_in_url`, a [Log] File that is not absolute is taken in `folder`.
// Returns the fault that stops the run; kNone when the run may go on.
// BaseUrl refused stands in `settings` as written. The log path is filled
// whenever the file could be read, a fault in BaseUrl or not, so that the
// run can log why it stopped; it is not checked here (CheckLogPath).
SettingsFault ReadPluginSettings(platform::FileReader& files, const std::string& folder,
                                 std::string_view built_in_url, PluginSettings& settings);

// The message of `fault` for the settings read into `settings`, and the
// words of the log's line for it; empty for kNone.
std::string SettingsFaultMessage(const SettingsFault& fault, const PluginSettings& settings);
std::string SettingsFaultLogText(const SettingsFault& fault, const PluginSettings& settings);

}  // namespace kanadeya
