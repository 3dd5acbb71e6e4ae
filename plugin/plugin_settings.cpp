#include "plugin/plugin_settings.h"

#include <algorithm>
#include <optional>

#include "platform/files.h"
#include "platform/profile_text.h"
#include "platform/text_mapping.h"
#include "plugin/system_texts.h"
#include "strings/shown_text.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

constexpr size_t kMaxBaseUrlBytes = 200;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Printable ASCII other than the blank, quotes, backslash and comma. A comma
// would be turned into a full-width one in every PageUrl of the import file.
bool AllowedInBaseUrl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b > 0x20 && b < 0x7F && c != '"' && c != '\'' && c != '\\' && c != ',';
}

// "0" to "255" without leading zeros.
bool IsIpv4Part(std::string_view part) {
  if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) return false;
  int value = 0;
  for (char c : part) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return value <= 255;
}

bool IsIpv4Address(std::string_view host) {
  int parts = 0;
  for (;;) {
    const size_t dot = host.find('.');
    if (!IsIpv4Part(host.substr(0, dot))) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    host.remove_prefix(dot + 1);
  }
  return parts == 4;
}

// Labels of letters, digits and "-", not beginning or ending with "-", of
// 1 to 63 bytes, separated by single dots. A name of digits and dots alone
// must be an IPv4 address.
bool IsHostName(std::string_view host) {
  bool only_digits = true;
  for (char c : host)
    if (!IsDigit(c) && c != '.') only_digits = false;
  if (only_digits) return IsIpv4Address(host);
  for (;;) {
    const size_t dot = host.find('.');
    const std::string_view label = host.substr(0, dot);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    for (char c : label)
      if (!IsLetter(c) && !IsDigit(c) && c != '-') return false;
    if (dot == std::string_view::npos) return true;
    host.remove_prefix(dot + 1);
  }
}

// Eight groups of one to four hex digits separated by ":", or fewer around
// one "::"; the last two groups may be an IPv4 address.
bool IsIpv6Address(std::string_view text) {
  const size_t gap = text.find("::");
  if (gap != std::string_view::npos && text.find("::", gap + 1) != std::string_view::npos)
    return false;
  int groups = 0;
  auto count = [&](std::string_view part, bool last) {
    if (part.empty()) return true;
    for (;;) {
      const size_t colon = part.find(':');
      const std::string_view group = part.substr(0, colon);
      if (last && colon == std::string_view::npos && group.find('.') != std::string_view::npos) {
        if (!IsIpv4Address(group)) return false;
        groups += 2;
        return true;
      }
      if (group.empty() || group.size() > 4) return false;
      for (char c : group)
        if (!IsHexDigit(c)) return false;
      ++groups;
      if (colon == std::string_view::npos) return true;
      part.remove_prefix(colon + 1);
    }
  };
  if (gap == std::string_view::npos) return count(text, true) && groups == 8;
  return count(text.substr(0, gap), false) && count(text.substr(gap + 2), true) && groups < 8;
}

// The offset in `host` of the first byte that no host name may hold, or 0.
size_t FirstWrongHostByte(std::string_view host) {
  for (size_t i = 0; i < host.size(); ++i)
    if (!IsLetter(host[i]) && !IsDigit(host[i]) && host[i] != '-' && host[i] != '.') return i;
  return 0;
}

// Checks host and port, "host", "host:port", "[v6]" or "[v6]:port"; `at`
// is the offset in `authority` of the first byte that is wrong.
BaseUrlFault CheckAuthority(std::string_view authority, size_t& at) {
  at = 0;
  if (authority.empty() || authority.front() == ':') return BaseUrlFault::kNoHost;
  std::string_view host = authority;
  std::string_view port;
  size_t port_at = 0;
  bool has_port = false;
  if (authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos || !IsIpv6Address(authority.substr(1, close - 1)))
      return BaseUrlFault::kHost;
    host = authority.substr(0, close + 1);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      at = close + 1;
      if (after.front() != ':') return BaseUrlFault::kHost;
      has_port = true;
      port_at = close + 2;
      port = after.substr(1);
    }
  } else {
    const size_t colon = authority.find(':');
    if (colon != std::string_view::npos) {
      has_port = true;
      host = authority.substr(0, colon);
      port_at = colon + 1;
      port = authority.substr(colon + 1);
    }
    if (!IsHostName(host)) {
      at = FirstWrongHostByte(host);
      return BaseUrlFault::kHost;
    }
  }
  if (has_port) {
    at = port_at;
    if (port.empty() || port.size() > 5) return BaseUrlFault::kPort;
    long value = 0;
    for (size_t i = 0; i < port.size(); ++i) {
      if (!IsDigit(port[i])) {
        at = port_at + i;
        return BaseUrlFault::kPort;
      }
      value = value * 10 + (port[i] - '0');
    }
    if (value < 1 || value > 65535) return BaseUrlFault::kPort;
  }
  return BaseUrlFault::kNone;
}

// Checks a path; `at` is the offset of the first byte that is wrong.
BaseUrlFault CheckPath(std::string_view path, size_t& at) {
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    at = i;
    if (c == '%') {
      if (i + 2 >= path.size() || !IsHexDigit(path[i + 1]) || !IsHexDigit(path[i + 2]))
        return BaseUrlFault::kPath;
      i += 2;
    } else if (!IsLetter(c) && !IsDigit(c) && c != '-' && c != '.' && c != '_' && c != '~' &&
               c != '/') {
      return BaseUrlFault::kPath;
    }
  }
  at = path.size() >= 2 ? path.size() - 2 : 0;
  if (path.size() >= 2 && path.substr(path.size() - 2) == "//")
    return BaseUrlFault::kTrailingSlashes;
  return BaseUrlFault::kNone;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text = text.substr(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

// The last name of a path (after its last separator of either kind).
std::string_view FileName(std::string_view path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

BaseUrlFault CheckBaseUrlAt(std::string_view value, std::string& url, size_t& at) {
  at = 0;
  size_t scheme = 0;
  for (std::string_view prefix : {std::string_view("http://"), std::string_view("https://")})
    if (value.substr(0, prefix.size()) == prefix) scheme = prefix.size();
  if (scheme == 0) return BaseUrlFault::kScheme;
  at = kMaxBaseUrlBytes;
  if (value.size() > kMaxBaseUrlBytes) return BaseUrlFault::kTooLong;
  for (at = 0; at < value.size(); ++at)
    if (!AllowedInBaseUrl(value[at])) return BaseUrlFault::kCharacter;
  const std::string_view rest = value.substr(scheme);
  const size_t path_start = rest.find_first_of("/?#");
  const std::string_view authority = rest.substr(0, path_start);
  if (const size_t user = authority.find('@'); user != std::string_view::npos) {
    at = scheme + user;
    return BaseUrlFault::kUserInfo;
  }
  if (const size_t query = rest.find('?'); query != std::string_view::npos) {
    at = scheme + query;
    return BaseUrlFault::kQuery;
  }
  if (const size_t fragment = rest.find('#'); fragment != std::string_view::npos) {
    at = scheme + fragment;
    return BaseUrlFault::kFragment;
  }
  if (const BaseUrlFault fault = CheckAuthority(authority, at); fault != BaseUrlFault::kNone) {
    at += scheme;
    return fault;
  }
  if (path_start != std::string_view::npos) {
    if (const BaseUrlFault fault = CheckPath(rest.substr(path_start), at);
        fault != BaseUrlFault::kNone) {
      at += scheme + path_start;
      return fault;
    }
  }
  at = 0;
  if (value.back() == '/') value.remove_suffix(1);
  url = std::string(value);
  return BaseUrlFault::kNone;
}

std::string_view SettingsFileFaultText(platform::SmallFileRead read) {
  switch (read) {
    case platform::SmallFileRead::kNotAFile:
      return kSettingsNotAFileMessage;
    case platform::SmallFileRead::kTooLarge:
      return kSettingsTooLargeMessage;
    default:
      return kSettingsUnreadableMessage;
  }
}

}  // namespace

BaseUrlFault CheckBaseUrl(std::string_view value, std::string& url, size_t* wrong_at) {
  size_t at = 0;
  const BaseUrlFault fault = CheckBaseUrlAt(value, url, at);
  if (wrong_at != nullptr) *wrong_at = at;
  return fault;
}

namespace {

// The reason a fault gives, after the value (and the character it points at).
std::string_view BaseUrlFaultText(BaseUrlFault fault) {
  switch (fault) {
    case BaseUrlFault::kNone:
      return {};
    case BaseUrlFault::kScheme:
      return kBaseUrlSchemeMessage;
    case BaseUrlFault::kTooLong:
      return kBaseUrlTooLongMessage;
    case BaseUrlFault::kCharacter:
      return kBaseUrlCharacterMessage;
    case BaseUrlFault::kUserInfo:
      return kBaseUrlUserInfoMessage;
    case BaseUrlFault::kQuery:
      return kBaseUrlQueryMessage;
    case BaseUrlFault::kFragment:
      return kBaseUrlFragmentMessage;
    case BaseUrlFault::kNoHost:
      return kBaseUrlNoHostMessage;
    case BaseUrlFault::kHost:
      return kBaseUrlHostMessage;
    case BaseUrlFault::kPort:
      return kBaseUrlPortMessage;
    case BaseUrlFault::kPath:
      return kBaseUrlPathMessage;
    case BaseUrlFault::kTrailingSlashes:
      return kBaseUrlTrailingSlashesMessage;
  }
  return {};
}

// How much of a refused value a message quotes.
constexpr size_t kShownValueBytes = 80;

}  // namespace

std::string BaseUrlFaultMessage(BaseUrlFault fault, std::string_view value, size_t at) {
  if (fault == BaseUrlFault::kNone) return {};
  const std::string_view shown = CutAtCharacter(value, kShownValueBytes);
  std::string message = std::string(kBaseUrlValueOpen) + VisibleText(shown, kControlMark) +
                        std::string(shown.size() < value.size() ? kCutMark : "") +
                        std::string(kBaseUrlValueClose);
  const bool points = fault != BaseUrlFault::kScheme && fault != BaseUrlFault::kTooLong &&
                      fault != BaseUrlFault::kNoHost && at < value.size();
  if (points) {
    const size_t length = IsLeadByte(value[at]) && at + 1 < value.size() ? 2 : 1;
    message +=
        std::string(kBaseUrlCharacterAt) + std::to_string(CharacterCount(value.substr(0, at)) + 1) +
        std::string(kBaseUrlCharacterAtMiddle) +
        VisibleText(value.substr(at, length), kControlMark) + std::string(kBaseUrlValueClose);
  }
  message += std::string(BaseUrlFaultText(fault)) + "\r\n" + std::string(kBaseUrlNothingLookedUp);
  if (fault == BaseUrlFault::kScheme) message += "\r\n" + std::string(kBaseUrlSchemeExample);
  return message;
}

LogPathFault CheckLogPath(const std::string& path, const std::vector<std::string>& kept_files) {
  for (char c : path)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return LogPathFault::kCharacter;
  if (path.size() > platform::MaxPathBytes()) return LogPathFault::kTooLong;
  const std::string_view name = FileName(path);
  if ((!EndsWithIgnoringCase(name, ".log") && !EndsWithIgnoringCase(name, ".txt")) ||
      name.size() <= 4)
    return LogPathFault::kName;
  for (const std::string& kept : kept_files)
    if (!kept.empty() && platform::SameFile(path, kept)) return LogPathFault::kOtherFile;
  if (!platform::FolderExists(platform::FolderOf(path))) return LogPathFault::kFolderMissing;
  return LogPathFault::kNone;
}

std::string LogPathFaultMessage(LogPathFault fault, const std::string& path) {
  switch (fault) {
    case LogPathFault::kNone:
      return {};
    case LogPathFault::kName:
      return std::string(kLogPathNameMessage);
    case LogPathFault::kTooLong:
      return std::string(kLogPathTooLongMessage);
    case LogPathFault::kCharacter:
      return std::string(kLogPathCharacterMessage);
    case LogPathFault::kOtherFile:
      return std::string(kLogPathOtherFileMessage);
    case LogPathFault::kFolderMissing:
      return std::string(kLogFolderMissingMessage) + platform::FolderOf(path) +
             std::string(kLogFolderMissingEnd);
  }
  return {};
}

bool SettingsText(std::string_view bytes, std::string& text) {
  auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  if (starts("\xEF\xBB\xBF")) {
    const std::optional<std::u16string> wide = platform::Utf8ToWide(bytes.substr(3));
    if (!wide) return false;
    text = platform::WideToAnsi(*wide);
    return true;
  }
  const bool little = starts("\xFF\xFE");
  if (little || starts("\xFE\xFF")) {
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) return false;
    std::u16string wide(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
      const auto first = static_cast<unsigned char>(bytes[2 * i]);
      const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
      wide[i] = static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second);
    }
    text = platform::WideToAnsi(wide);
    return true;
  }
  // Shift_JIS text is hardly ever valid UTF-8: its lead bytes 0x81 to 0x9F
  // and its half-width katakana are UTF-8's continuation bytes.
  const bool multi_byte =
      std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
  if (multi_byte) {
    if (const std::optional<std::u16string> wide = platform::Utf8ToWide(bytes)) {
      text = platform::WideToAnsi(*wide);
      return true;
    }
  }
  text = std::string(bytes);
  return true;
}

std::string ReadPluginSettings(const std::string& folder, std::string_view built_in_url,
                               PluginSettings& settings) {
  settings = PluginSettings{};
  settings.site_base_url = std::string(built_in_url);
  std::string bytes;
  const platform::SmallFileRead read = platform::ReadSmallFile(
      folder + std::string(kPluginSettingsFileName), kMaxSettingsFileBytes, bytes);
  if (read == platform::SmallFileRead::kMissing) return {};
  if (read != platform::SmallFileRead::kRead)
    return std::string(SettingsFileFaultText(read)) + "\r\n" +
           std::string(kSettingsNothingLookedUp);
  std::string text;
  if (!SettingsText(bytes, text))
    return std::string(kSettingsEncodingMessage) + "\r\n" + std::string(kSettingsNothingLookedUp);

  auto value = [&](std::string_view section, std::string_view key) {
    return std::string(platform::FindProfileValue(text, section, key).value_or(std::string_view()));
  };
  const std::string log = value(kLogSection, kLogFileKey);
  if (!log.empty()) settings.log_path = platform::IsAbsolutePath(log) ? log : folder + log;
  settings.show_window = value(kWindowSection, kShowKey) == "1";
  settings.show_report = value(kWindowSection, kReportKey) != "0";

  const std::string base = value(kSiteSection, kBaseUrlKey);
  if (base.empty()) return {};
  size_t at = 0;
  const BaseUrlFault fault = CheckBaseUrl(base, settings.site_base_url, &at);
  if (fault == BaseUrlFault::kNone) return {};
  // The run looks nothing up; its log names the address as it was written.
  settings.site_base_url = base;
  return BaseUrlFaultMessage(fault, base, at);
}

}  // namespace kanadeya
