// The plug-in's own settings: "kanadeya.ini" in the plug-in's folder, read
// once at the start of each run, never written. Without the file the run
// uses the built-in site address and keeps no log.
//
//   [Site]
//   BaseUrl=https://catalog.example.jp
//   [Log]
//   File=kanadeya.log
#pragma once

#include <string>
#include <string_view>

namespace kanadeya {

struct PluginSettings {
  std::string site_base_url;  // scheme and host (and path), no trailing slash
  std::string log_path;       // the log file's full path; empty: no log
};

// What is wrong with a [Site] BaseUrl value.
enum class BaseUrlFault { kNone, kScheme, kTooLong, kCharacter, kNoHost };

// A BaseUrl value is valid when it begins with "http://" or "https://" (in
// lower case), is at most 200 bytes of printable ASCII without blanks or
// quotes, and names a host: the text after "//" up to the first "/", ":",
// "?" or "#" is not empty ("http://", "http:///x" and "http://:80" have
// none). On kNone `url` is the value less one trailing "/".
//   CheckBaseUrl("https://example.jp/", url) == kNone, url == "https://example.jp"
BaseUrlFault CheckBaseUrl(std::string_view value, std::string& url);

// Reads "kanadeya.ini" from `folder` (the plug-in's, with a trailing
// separator). A missing or empty BaseUrl gives `built_in_url`; a [Log] File
// that is not absolute is taken in `folder`. False when BaseUrl is present
// but not valid: the message naming the file and the fault has been shown.
bool ReadPluginSettings(const std::string& folder, std::string_view built_in_url,
                        PluginSettings& settings);

}  // namespace kanadeya
