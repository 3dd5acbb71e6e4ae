#include "host/web_address.h"

#include "strings/address_parts.h"

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

}  // namespace

bool LooksLikeWebAddress(std::string_view text) {
  return StartsWithNoCase(text, "http://") || StartsWithNoCase(text, "https://");
}

std::optional<WebAddress> SplitWebAddress(std::string_view text) {
  const auto parts = kanadeya::SplitAddress(text);
  if (!parts) return std::nullopt;
  WebAddress address;
  address.scheme = parts->scheme;
  const bool secure = EqualsNoCase(address.scheme, "https");
  if (!secure && !EqualsNoCase(address.scheme, "http")) return std::nullopt;
  address.authority = parts->authority;
  address.rest = parts->rest;
  for (char c : address.authority)
    if (MustEscape(static_cast<unsigned char>(c))) return std::nullopt;

  if (parts->bracketed && (!parts->closed || !parts->stray.empty())) return std::nullopt;
  address.host = parts->host;
  std::string_view port = parts->port;
  if (!parts->bracketed && port.find(':') != std::string_view::npos) {
    // Leniently, more than one ":" outside brackets (an IPv6 address
    // written without them): the port follows the last ":".
    const size_t last = address.authority.rfind(':');
    address.host = address.authority.substr(0, last);
    port = address.authority.substr(last + 1);
  }
  if (address.host.empty()) return std::nullopt;
  if (!parts->has_port) {
    address.port = secure ? 443 : 80;
  } else {
    const auto number = kanadeya::PortNumber(port);
    if (!number) return std::nullopt;
    address.port = *number;
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
  const auto parts = kanadeya::SplitAddress(url);
  const std::string_view rest = parts ? parts->rest : url;
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
