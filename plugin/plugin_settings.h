// The plug-in's own settings: "kanadeya.ini" in the plug-in's folder, read
// once at the start of each run, never written. Without the file the run
// uses the built-in site address and keeps no log.
//
//   [Site]
//   BaseUrl=https://catalog.example.jp
//   [Log]
//   File=kanadeya.log
//   [Window]
//   Show=1
//
// The file is read by the plug-in itself, the same way on every platform:
// code page 932 ("ANSI") text, or UTF-8 or UTF-16 with a byte-order mark,
// by the private-profile rules of platform/profile_text.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kanadeya {

struct PluginSettings {
  std::string site_base_url;  // scheme, host, port and path; no trailing slash
  std::string log_path;       // the log file's full path; empty: no log
  bool show_window = false;   // [Window] Show=1: the wait window is shown
  bool show_report = true;    // [Window] Report=0: no report at the end of a run
};

// The largest kanadeya.ini that is read.
constexpr size_t kMaxSettingsFileBytes = 64 * 1024;

// What is wrong with a [Site] BaseUrl value.
enum class BaseUrlFault {
  kNone,
  kScheme,          // not "http://" or "https://" in lower case
  kTooLong,         // over 200 bytes
  kCharacter,       // a blank, quote, backslash, comma, control or non-ASCII byte
  kUserInfo,        // a user name or password ("user:pass@")
  kQuery,           // "?"
  kFragment,        // "#"
  kNoHost,          // nothing between "//" and the port or path
  kHost,            // not a DNS name, an IPv4 address or a bracketed IPv6 address
  kPort,            // not a number from 1 to 65535
  kPath,            // a character other than unreserved ones, "/" and "%XX"
  kTrailingSlashes  // more than one "/" at the end
};

// A BaseUrl value is an address and nothing more: "http://" or "https://"
// (in lower case), a host (a DNS name of letters, digits, "-" and "."; an
// IPv4 address; or an IPv6 address in brackets), an optional ":port" from 1
// to 65535 and an optional path of unreserved characters (letters, digits,
// "-", ".", "_", "~"), "/" and "%XX", at most 200 bytes in all. On kNone
// `url` is the value less one trailing "/"; otherwise it is left as it was.
//   CheckBaseUrl("https://example.jp/", url) == kNone, url == "https://example.jp"
//   CheckBaseUrl("http://a:b@example.jp", url) == kUserInfo
// `wrong_at`, when given, receives the offset of the first byte that is
// wrong (the scheme's start for kScheme, 200 for kTooLong).
BaseUrlFault CheckBaseUrl(std::string_view value, std::string& url, size_t* wrong_at = nullptr);

// The message for a fault (what follows the file's path): the value quoted
// (cut when long), the character it points at where there is one, why it is
// refused, and that nothing is looked up; the scheme's example only for a
// scheme fault.
//   BaseUrlFaultMessage(kPort, "http://h:x", 9) begins
//   "の [Site] BaseUrl「http://h:x」の 10 文字目「x」：ポート番号が…"
std::string BaseUrlFaultMessage(BaseUrlFault fault, std::string_view value, size_t at);

// What is wrong with a [Log] File path.
enum class LogPathFault {
  kNone,
  kName,           // the name does not end in ".log" or ".txt"
  kTooLong,        // longer than the platform's file functions take
  kCharacter,      // a control byte
  kOtherFile,      // the import file, a data file, a settings file or the plug-in
  kFolderMissing,  // its folder does not exist
};

// Checks a log path (full) against the rules above; `kept_files` are the
// files that a log may never be (compared with platform::SameFile).
LogPathFault CheckLogPath(const std::string& path, const std::vector<std::string>& kept_files);

// The message for a fault in the log path `path` (what follows
// kanadeya.ini's path).
std::string LogPathFaultMessage(LogPathFault fault, const std::string& path);

// Reads "kanadeya.ini" from `folder` (the plug-in's, with a trailing
// separator) into `settings`: a missing file or an empty BaseUrl gives
// `built_in_url`, a [Log] File that is not absolute is taken in `folder`.
// Returns the message text of a fault that stops the run (the file is not a
// readable regular file of at most 64 KB, its encoding cannot be read, or
// BaseUrl is not valid); empty when the run may go on. The log path is
// filled whenever the file could be read, a fault in BaseUrl or not, so that
// the run can log why it stopped.
std::string ReadPluginSettings(const std::string& folder, std::string_view built_in_url,
                               PluginSettings& settings);

// The text of a kanadeya.ini file's bytes as code page 932: a UTF-8 or
// UTF-16 (little or big endian) byte-order mark decides the encoding, and
// the text is converted. Without one, bytes that are valid UTF-8 and hold
// at least one multi-byte sequence (as Notepad saves by default) are UTF-8;
// anything else is taken as it is. False when text after a byte-order mark
// is not valid in its encoding.
bool SettingsText(std::string_view bytes, std::string& text);

}  // namespace kanadeya
