// Web addresses as the host's download functions handle them: the catalogue
// site given on the command line, the URLs the plug-in asks for, and what is
// put on the wire.
//
// An address is "scheme://authority" followed by the rest (path, query), as
// strings/address_parts.h splits it; this is the host's lenient reading of
// the parts. Only "http" and "https" are web addresses; the scheme is matched
// without regard to case. The authority is the host, with ":port" after it
// when the port is not the scheme's default; an IPv6 host stands in
// brackets, or, leniently, without them when a port follows.
//
//   OnSite("http://127.0.0.1:8080",
//          "http://catalog.example/detail/view.php?id=K1")
//       == "http://127.0.0.1:8080/detail/view.php?id=K1"
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hakobune {

// The parts of a web address; views into the text that was split.
struct WebAddress {
  std::string_view scheme;     // "http" or "https", as written
  std::string_view authority;  // host[:port], never empty
  std::string_view host;       // without the brackets of an IPv6 host
  uint16_t port = 0;           // the given port, or 80 / 443
  std::string_view rest;       // from the first "/" or "?" on; may be empty
};

// True when `text` begins with "http://" or "https://" (any case).
//   LooksLikeWebAddress("HTTPS://a") == true; LooksLikeWebAddress("site") == false
bool LooksLikeWebAddress(std::string_view text);

// Splits a web address. nullopt when the scheme is not http or https, the
// host is empty, the port is not a number from 1 to 65535, a "[" is not
// closed by "]" with nothing but ":port" after it, or a byte of the
// authority is one that EscapeForWire would escape. An authority with more
// than one ":" outside brackets is a host and the port after the last ":".
//   SplitWebAddress("https://[::1]:8443/x?y")->host == "::1"
//   SplitWebAddress("http://::1:8080/")->host == "::1"
std::optional<WebAddress> SplitWebAddress(std::string_view text);

// A site as --site gives it, checked: scheme and authority, and a path that
// is put before every path the plug-in asks for (trailing "/" dropped). The
// text is nullopt when `text` does not split or has a query or a fragment.
//   SiteBase("http://mirror.example/catalog/") == "http://mirror.example/catalog"
std::optional<std::string> SiteBase(std::string_view text);

// `url` with its scheme and authority replaced by `site_base` (from
// SiteBase): `site_base` + what follows the authority of `url`. A `url`
// without "scheme://" is taken as a path and query. `url` is not otherwise
// checked.
std::string OnSite(std::string_view site_base, std::string_view url);

// `url` as it is sent: every byte that may not stand in a URL as it is
// (controls, blank, DEL, bytes beyond ASCII, and " # < > \ ^ ` { | }) is
// written as "%" and two upper-case hex digits. "%" itself, "&", "=" and
// "?" stay, so a URL that is already escaped keeps its meaning.
//   EscapeForWire("http://a/s?k=a b#\x95\x5c") == "http://a/s?k=a%20b%23%95%5C"
std::string EscapeForWire(std::string_view url);

// `text` with every byte for which `escape` is true written as "%" and two
// upper-case hex digits.
//   PercentEscape("a b", [](unsigned char b) { return b == 0x20; }) == "a%20b"
std::string PercentEscape(std::string_view text, bool (*escape)(unsigned char));

// Which site a download is from, for the pause between two downloads:
// scheme and authority in lower case, or the empty text when `url` is not a
// web address.
//   SiteOf("HTTP://Catalog.Example/x") == "http://catalog.example"
std::string SiteOf(std::string_view url);

}  // namespace hakobune
