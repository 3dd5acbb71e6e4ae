#include "plugin/base_url_check.h"

#include "plugin/system_texts.h"
#include "strings/address_parts.h"
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

// The offset of `part`, a view into `value`, in `value`.
size_t OffsetIn(std::string_view value, std::string_view part) {
  return static_cast<size_t>(part.data() - value.data());
}

// Checks host and port of the split `address` of `value`: "host",
// "host:port", "[v6]" or "[v6]:port"; `at` is the offset in `value` of the
// first byte that is wrong.
BaseUrlFault CheckAuthority(std::string_view value, const AddressParts& address, size_t& at) {
  const std::string_view authority = address.authority;
  at = OffsetIn(value, authority);
  if (authority.empty() || authority.front() == ':') return BaseUrlFault::kNoHost;
  if (address.bracketed) {
    if (!address.closed || !IsIpv6Address(address.host)) return BaseUrlFault::kHost;
    if (!address.stray.empty()) {
      at = OffsetIn(value, address.stray);
      return BaseUrlFault::kHost;
    }
  } else if (!IsHostName(address.host)) {
    at = OffsetIn(value, address.host) + FirstWrongHostByte(address.host);
    return BaseUrlFault::kHost;
  }
  if (address.has_port && !PortNumber(address.port)) {
    // At the first byte that is no digit of a short port, else at its start.
    at = OffsetIn(value, address.port);
    const size_t wrong = address.port.find_first_not_of("0123456789");
    if (address.port.size() <= 5 && wrong != std::string_view::npos) at += wrong;
    return BaseUrlFault::kPort;
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

BaseUrlFault CheckBaseUrlAt(std::string_view value, std::string& url, size_t& at) {
  at = 0;
  const std::optional<AddressParts> address = SplitAddress(value);
  if (!address || (address->scheme != "http" && address->scheme != "https"))
    return BaseUrlFault::kScheme;
  at = kMaxBaseUrlBytes;
  if (value.size() > kMaxBaseUrlBytes) return BaseUrlFault::kTooLong;
  for (at = 0; at < value.size(); ++at)
    if (!AllowedInBaseUrl(value[at])) return BaseUrlFault::kCharacter;
  if (const size_t user = address->authority.find('@'); user != std::string_view::npos) {
    at = OffsetIn(value, address->authority) + user;
    return BaseUrlFault::kUserInfo;
  }
  if (const size_t query = address->rest.find('?'); query != std::string_view::npos) {
    at = OffsetIn(value, address->rest) + query;
    return BaseUrlFault::kQuery;
  }
  if (const size_t fragment = address->rest.find('#'); fragment != std::string_view::npos) {
    at = OffsetIn(value, address->rest) + fragment;
    return BaseUrlFault::kFragment;
  }
  if (const BaseUrlFault fault = CheckAuthority(value, *address, at); fault != BaseUrlFault::kNone)
    return fault;
  if (const BaseUrlFault fault = CheckPath(address->rest, at); fault != BaseUrlFault::kNone) {
    at += OffsetIn(value, address->rest);
    return fault;
  }
  at = 0;
  if (value.back() == '/') value.remove_suffix(1);
  url = std::string(value);
  return BaseUrlFault::kNone;
}

// The reason a fault gives, after the value (and the character it points at).
std::string_view BaseUrlFaultText(BaseUrlFault fault) {
  switch (fault) {
    case BaseUrlFault::kNone:
      return {};
#define KANADEYA_FAULT(name, sjis, utf8) \
  case BaseUrlFault::k##name:            \
    return {sjis, sizeof(sjis) - 1};
#include "plugin/base_url_faults.inc"
#undef KANADEYA_FAULT
  }
  return {};
}

// How much of a refused value a message quotes.
constexpr size_t kShownValueBytes = 80;

}  // namespace

BaseUrlFault CheckBaseUrl(std::string_view value, std::string& url, size_t* wrong_at) {
  size_t at = 0;
  const BaseUrlFault fault = CheckBaseUrlAt(value, url, at);
  if (wrong_at != nullptr) *wrong_at = at;
  return fault;
}

std::string BaseUrlFaultLine(BaseUrlFault fault, std::string_view value, size_t at) {
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
  return message + std::string(BaseUrlFaultText(fault));
}

std::string BaseUrlFaultMessage(BaseUrlFault fault, std::string_view value, size_t at) {
  if (fault == BaseUrlFault::kNone) return {};
  std::string message =
      BaseUrlFaultLine(fault, value, at) + "\r\n" + std::string(kBaseUrlNothingLookedUp);
  if (fault == BaseUrlFault::kScheme) message += "\r\n" + std::string(kBaseUrlSchemeExample);
  return message;
}

}  // namespace kanadeya
