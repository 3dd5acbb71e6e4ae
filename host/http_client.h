// The host program's HTTP client: a connection test and one GET into a file.
// libcurl on POSIX (http_client_posix.cpp), WinINet and Winsock on Win32
// (http_client_win32.cpp). Only the host program links them; the plug-in
// reaches the network through the host's exported functions alone.
//
// URLs are ASCII web addresses (web_address.h: already escaped for the
// wire). Paths are byte strings as folders.h describes them. Neither call
// throws; each tells what went wrong in a short English text.
//
//   FetchResult r = Fetch("http://127.0.0.1:8080/search/keyword.php?keyword=1",
//                         "data/Temp.html.part", limits);
//   r.Complete() is true for a 2xx answer whose whole body is in the file.
#pragma once

#include <cstdint>
#include <string>

namespace hakobune {

struct FetchLimits {
  uint32_t connect_ms = 5000;        // to open the connection
  uint32_t total_ms = 60000;         // for the whole download, redirects included
  uint64_t max_bytes = 64ull << 20;  // a body beyond this is not taken
  std::string user_agent;            // sent as the User-Agent header
};

struct FetchResult {
  long status = 0;             // the final HTTP status; 0 when none arrived
  bool body_complete = false;  // the whole body is in the file
  std::string error;           // empty, or why the download failed

  // A 2xx status with the whole body and no error.
  bool Complete() const { return error.empty() && body_complete && status >= 200 && status <= 299; }
};

// True when a connection to the host of `url` (a TCP connection, and the
// TLS handshake for https) is made within `timeout_ms`; otherwise false and
// `why` says what failed.
bool TestConnection(const std::string& url, uint32_t timeout_ms, std::string& why);

// GETs `url`, following redirects (http and https only, at most 10), and
// writes the body of the final answer to `body_path`, created or replaced.
// The body of an answer that is not 2xx is not written. A body that stops
// short of its Content-Length, or an incomplete chunked body, is not
// complete. The caller deletes `body_path` unless the result is Complete().
FetchResult Fetch(const std::string& url, const std::string& body_path, const FetchLimits& limits);

}  // namespace hakobune
