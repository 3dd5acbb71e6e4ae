#include "host/web_address.h"

namespace hakobune {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[i]) != prefix[i]) return false;
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

// Bytes that may not stand as they are in what is sent.
bool MustEscape(unsigned char b) {
  if (b <= 0x20 || b >= 0x7F) return true;
  switch (b) {
    case '"':
    case '#':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return true;
    default:
      return false;
  }
}

// A port number from 1 to 65535, written in 1 to 5 decimal digits.
std::optional<uint16_t> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  uint32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint32_t>(c - '0');
  }
  if (n == 0 || n > 65535) return std::nullopt;
  return static_cast<uint16_t>(n);
}

// What follows "scheme://" and the authority: from the first "/", "?" or "#".
size_t AuthorityEnd(std::string_view after_scheme) {
  const size_t end = after_scheme.find_first_of("/?#");
  return end == std::string_view::npos ? after_scheme.size() : end;
}

}  // namespace

bool LooksLikeWebAddress(std::string_view text) {
  return StartsWithNoCase(text, "http://") || StartsWithNoCase(text, "https://");
}

std::optional<WebAddress> SplitWebAddress(std::string_view text) {
  const size_t colon = text.find("://");
  if (colon == std::string_view::npos) return std::nullopt;
  WebAddress address;
  address.scheme = text.substr(0, colon);
  const bool secure = EqualsNoCase(address.scheme, "https");
  if (!secure && !EqualsNoCase(address.scheme, "http")) return std::nullopt;

  const std::string_view after = text.substr(colon + 3);
  const size_t end = AuthorityEnd(after);
  address.authority = after.substr(0, end);
  address.rest = after.substr(end);
  for (char c : address.authority)
    if (MustEscape(static_cast<unsigned char>(c))) return std::nullopt;

  std::string_view port_text;
  if (!address.authority.empty() && address.authority.front() == '[') {
    const size_t close = address.authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    address.host = address.authority.substr(1, close - 1);
    const std::string_view tail = address.authority.substr(close + 1);
    if (!tail.empty()) {
      if (tail.front() != ':') return std::nullopt;
      port_text = tail.substr(1);
      if (port_text.empty()) return std::nullopt;
    }
  } else {
    const size_t port_colon = address.authority.rfind(':');
    address.host = address.authority.substr(0, port_colon);
    if (port_colon != std::string_view::npos) {
      port_text = address.authority.substr(port_colon + 1);
      if (port_text.empty()) return std::nullopt;
    }
  }
  if (address.host.empty()) return std::nullopt;
  if (port_text.empty()) {
    address.port = secure ? 443 : 80;
  } else {
    const auto port = ParsePort(port_text);
    if (!port) return std::nullopt;
    address.port = *port;
  }
  return address;
}

std::optional<std::string> SiteBase(std::string_view text) {
  const auto address = SplitWebAddress(text);
  if (!address) return std::nullopt;
  std::string_view path = address->rest;
  if (path.find_first_of("?#") != std::string_view::npos) return std::nullopt;
  for (char c : path)
    if (MustEscape(static_cast<unsigned char>(c))) return std::nullopt;
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  std::string base(address->scheme);
  base += "://";
  base += address->authority;
  base += path;
  return base;
}

std::string OnSite(std::string_view site_base, std::string_view url) {
  std::string_view rest = url;
  const size_t colon = url.find("://");
  if (colon != std::string_view::npos) {
    const std::string_view after = url.substr(colon + 3);
    rest = after.substr(AuthorityEnd(after));
  }
  std::string out(site_base);
  if (!rest.empty() && rest.front() != '/') out += '/';
  out += rest;
  return out;
}

std::string EscapeForWire(std::string_view url) { return PercentEscape(url, MustEscape); }

std::string PercentEscape(std::string_view text, bool (*escape)(unsigned char)) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (escape(b)) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::string SiteOf(std::string_view url) {
  const auto address = SplitWebAddress(url);
  if (!address) return std::string();
  std::string site;
  for (char c : address->scheme) site += Lower(c);
  site += "://";
  for (char c : address->authority) site += Lower(c);
  return site;
}

}  // namespace hakobune
