// The check of kanadeya.ini's [Site] BaseUrl, strict, on top of the address
// splitter of strings/address_parts.h. What a value may hold and what its
// message says are README's, "kanadeya.ini, the lookup log, the report and
// the codes to try again".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kanadeya {

// What is wrong with a [Site] BaseUrl value: kNone, then one enumerator for
// each fault of plugin/base_url_faults.inc, in the order they are looked for.
enum class BaseUrlFault {
  kNone,
#define KANADEYA_FAULT(name, sjis, utf8) k##name,
#include "plugin/base_url_faults.inc"
#undef KANADEYA_FAULT
};

// Checks `value`. On kNone `url` is the value less one trailing "/";
// otherwise it is left as it was. `wrong_at`, when given, receives the
// offset of the first byte that is wrong (0 for kScheme and kNone, 200 for
// kTooLong).
//   CheckBaseUrl("https://example.jp/", url) == kNone, url == "https://example.jp"
//   CheckBaseUrl("http://a:b@example.jp", url, &at) == kUserInfo, at == 10
BaseUrlFault CheckBaseUrl(std::string_view value, std::string& url, size_t* wrong_at = nullptr);

// The message for a fault found at `at` in `value` (what follows the file's
// path; empty for kNone).
//   BaseUrlFaultMessage(kPort, "http://h:x", 9) begins
//   "の [Site] BaseUrl「http://h:x」の 10 文字目「x」：ポート番号が…"
std::string BaseUrlFaultMessage(BaseUrlFault fault, std::string_view value, size_t at);
// The message's first line, which says what is wrong: the log's words.
std::string BaseUrlFaultLine(BaseUrlFault fault, std::string_view value, size_t at);

}  // namespace kanadeya
