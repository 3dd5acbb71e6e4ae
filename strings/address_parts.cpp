#include "strings/address_parts.h"

#include <algorithm>

namespace kanadeya {

std::optional<AddressParts> SplitAddress(std::string_view text) {
  const size_t separator = text.find("://");
  if (separator == std::string_view::npos) return std::nullopt;
  AddressParts parts;
  parts.scheme = text.substr(0, separator);
  const std::string_view after = text.substr(separator + 3);
  const size_t end = std::min(after.find_first_of("/?#"), after.size());
  parts.authority = after.substr(0, end);
  parts.rest = after.substr(end);

  const std::string_view authority = parts.authority;
  std::string_view after_host;
  if (!authority.empty() && authority.front() == '[') {
    parts.bracketed = true;
    const size_t close = authority.find(']');
    parts.closed = close != std::string_view::npos;
    if (!parts.closed) {
      parts.host = authority.substr(1);
      return parts;
    }
    parts.host = authority.substr(1, close - 1);
    after_host = authority.substr(close + 1);
    if (!after_host.empty() && after_host.front() != ':') {
      parts.stray = after_host;
      return parts;
    }
  } else {
    const size_t colon = authority.find(':');
    parts.host = authority.substr(0, colon);
    after_host = authority.substr(parts.host.size());
  }
  if (!after_host.empty()) {
    parts.has_port = true;
    parts.port = after_host.substr(1);
  }
  return parts;
}

std::optional<uint16_t> PortNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

}  // namespace kanadeya
