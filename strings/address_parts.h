// The one splitter of web addresses: "scheme://authority" and what follows,
// the authority as a host and a port. It only splits; whether a part is
// allowed is its caller's rule: the plug-in's strict check of kanadeya.ini's
// [Site] BaseUrl (plugin/base_url_check.h) and the stand-in host's lenient
// web addresses (host/web_address.h) both stand on it.
//
//   SplitAddress("https://[::1]:8443/x?y") gives scheme "https", authority
//   "[::1]:8443", host "::1" (bracketed), port "8443", rest "/x?y"
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kanadeya {

// The parts of an address, as views into the text that was split (a part's
// offset in that text is `part.data() - text.data()`).
struct AddressParts {
  std::string_view scheme;     // before the first "://", as written
  std::string_view authority;  // after "://", up to the first "/", "?" or "#"
  // An authority that begins with "[" holds an IPv6 host: `host` is what
  // stands between the brackets, or everything after "[" when no "]" closes
  // it. Otherwise `host` is the authority up to its first ":".
  std::string_view host;
  bool bracketed = false;  // the authority begins with "["
  bool closed = false;     // ... and a "]" closes it
  // What follows a closing "]" when that is neither nothing nor ":" and a
  // port; empty otherwise.
  std::string_view stray;
  bool has_port = false;  // a ":" follows the host (the port may be empty)
  std::string_view port;  // what follows that ":", to the authority's end
  std::string_view rest;  // from the first "/", "?" or "#" on; may be empty
};

// Splits `text` into its parts; nullopt when it holds no "://".
//   SplitAddress("http://h:80:81/p")->host == "h", ->port == "80:81"
//   SplitAddress("HTTP://h")->scheme == "HTTP"
std::optional<AddressParts> SplitAddress(std::string_view text);

// The number of a port: 1 to 5 decimal digits of a value from 1 to 65535.
//   PortNumber("8080") == 8080; PortNumber("0") == nullopt; PortNumber("") == nullopt
std::optional<uint16_t> PortNumber(std::string_view digits);

}  // namespace kanadeya
