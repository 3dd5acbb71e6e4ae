// The HTTP client on Win32: downloads through WinINet (with the system's
// proxy settings), the connection test through Winsock (a plain TCP
// connection to the host of the URL, with a time-out of its own, which
// WinINet does not offer).

// winsock2.h ahead of windows.h, which would otherwise bring the older
// winsock.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string_view>

#include "host/http_client.h"
#include "host/web_address.h"

namespace hakobune {

namespace {

using Clock = std::chrono::steady_clock;

struct InternetCloser {
  void operator()(void* handle) const { ::InternetCloseHandle(static_cast<HINTERNET>(handle)); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool StartWinsock();
bool ConnectWithin(const addrinfo& address, Clock::time_point deadline, std::string& why);
uint32_t MillisecondsLeft(Clock::time_point deadline);
void SetTimeout(HINTERNET handle, DWORD option, uint32_t ms);
std::string InternetError(DWORD code);
std::string Failure(DWORD code, Clock::time_point deadline);
bool ContentLength(HINTERNET request, uint64_t& length);

}  // namespace

bool TestConnection(const std::string& url, uint32_t timeout_ms, std::string& why) {
  const auto address = SplitWebAddress(url);
  if (!address) {
    why = "not a web address";
    return false;
  }
  if (!StartWinsock()) {
    why = "Winsock cannot start";
    return false;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  const std::string host(address->host);
  const std::string port = std::to_string(address->port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const int resolved = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  if (resolved != 0 || found == nullptr) {
    why = "cannot resolve " + host + " (error " + std::to_string(resolved) + ")";
    return false;
  }
  bool connected = false;
  for (const addrinfo* a = found; a != nullptr && !connected; a = a->ai_next)
    connected = ConnectWithin(*a, deadline, why);
  ::freeaddrinfo(found);
  return connected;
}

FetchResult Fetch(const std::string& url, const std::string& body_path, const FetchLimits& limits) {
  FetchResult result;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.total_ms);
  File file(std::fopen(body_path.c_str(), "wb"));
  if (!file) {
    result.error = "cannot create the file";
    return result;
  }
  const auto address = SplitWebAddress(url);
  if (!address) {
    result.error = "not a web address";
    return result;
  }
  const bool secure = address->scheme.size() == 5;  // "https" (any case)
  Internet session(::InternetOpenA(limits.user_agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                   nullptr, 0));
  if (!session) {
    result.error = InternetError(::GetLastError());
    return result;
  }
  const std::string host(address->host);
  Internet connection(::InternetConnectA(session.get(), host.c_str(), address->port, nullptr,
                                         nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) {
    result.error = InternetError(::GetLastError());
    return result;
  }
  std::string target(address->rest);
  if (target.empty() || target.front() != '/') target.insert(0, "/");
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                      INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH |
                      (secure ? INTERNET_FLAG_SECURE : 0);
  Internet request(::HttpOpenRequestA(connection.get(), "GET", target.c_str(), nullptr, nullptr,
                                      nullptr, flags, 0));
  if (!request) {
    result.error = InternetError(::GetLastError());
    return result;
  }
  // WinINet has no time-out for a whole download: each step gets what is
  // left of it. The options are set on the request itself, where every
  // WinINet honours them.
  const uint32_t left = std::max<uint32_t>(MillisecondsLeft(deadline), 1);
  SetTimeout(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT, std::min(limits.connect_ms, left));
  SetTimeout(request.get(), INTERNET_OPTION_SEND_TIMEOUT, left);
  SetTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, left);
  if (!::HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) {
    result.error = Failure(::GetLastError(), deadline);
    return result;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
    result.error = "no HTTP status";
    return result;
  }
  result.status = static_cast<long>(status);
  if (status < 200 || status > 299) return result;

  uint64_t expected = 0;
  const bool has_length = ContentLength(request.get(), expected);
  if (has_length && expected > limits.max_bytes) {
    result.error = "the body is larger than " + std::to_string(limits.max_bytes) + " bytes";
    return result;
  }
  uint64_t received = 0;
  char buffer[1 << 14];
  for (;;) {
    const uint32_t remaining = MillisecondsLeft(deadline);
    if (remaining == 0) {
      result.error = "timed out";
      return result;
    }
    SetTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, remaining);
    DWORD got = 0;
    if (!::InternetReadFile(request.get(), buffer, sizeof buffer, &got)) {
      result.error = Failure(::GetLastError(), deadline);
      return result;
    }
    if (got == 0) break;
    if (got > limits.max_bytes - received) {
      result.error = "the body is larger than " + std::to_string(limits.max_bytes) + " bytes";
      return result;
    }
    if (std::fwrite(buffer, 1, got, file.get()) != got) {
      result.error = "cannot write the file";
      return result;
    }
    received += got;
  }
  if (std::fclose(file.release()) != 0) {
    result.error = "cannot write the file";
    return result;
  }
  // WinINet ends a body quietly when the server closes early.
  if (has_length && received != expected) {
    result.error = "the body was cut short (" + std::to_string(received) + " of " +
                   std::to_string(expected) + " bytes)";
    return result;
  }
  result.body_complete = true;
  return result;
}

namespace {

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

// One connection attempt: a non-blocking connect, waited for until the
// deadline.
bool ConnectWithin(const addrinfo& address, Clock::time_point deadline, std::string& why) {
  SOCKET s = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (s == INVALID_SOCKET) {
    why = "no socket (error " + std::to_string(::WSAGetLastError()) + ")";
    return false;
  }
  u_long non_blocking = 1;
  ::ioctlsocket(s, FIONBIO, &non_blocking);
  bool connected = false;
  if (::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
    connected = true;
  } else if (::WSAGetLastError() != WSAEWOULDBLOCK) {
    why = "connection failed (error " + std::to_string(::WSAGetLastError()) + ")";
  } else {
    const uint32_t left = MillisecondsLeft(deadline);
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval wait{};
    wait.tv_sec = static_cast<long>(left / 1000);
    wait.tv_usec = static_cast<long>(left % 1000) * 1000;
    const int ready = ::select(0, nullptr, &writable, &failed, &wait);
    int error = 0;
    int length = sizeof error;
    if (ready == 0) {
      why = "timed out";
    } else if (ready == SOCKET_ERROR) {
      why = "connection failed (error " + std::to_string(::WSAGetLastError()) + ")";
    } else if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) ==
                   0 &&
               error == 0 && FD_ISSET(s, &writable)) {
      connected = true;
    } else {
      why = error == WSAECONNREFUSED ? std::string("connection refused")
                                     : "connection failed (error " + std::to_string(error) + ")";
    }
  }
  ::closesocket(s);
  return connected;
}

// Milliseconds until the deadline; 0 once it has passed.
uint32_t MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<uint32_t>(left) : 0;
}

void SetTimeout(HINTERNET handle, DWORD option, uint32_t ms) {
  DWORD value = ms;
  ::InternetSetOptionA(handle, option, &value, sizeof value);
}

std::string InternetError(DWORD code) {
  switch (code) {
    case ERROR_INTERNET_TIMEOUT:
      return "timed out";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
      return "the host name cannot be resolved";
    case ERROR_INTERNET_CANNOT_CONNECT:
      return "cannot connect";
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
      return "the connection was broken off";
    default:
      return "WinINet error " + std::to_string(code);
  }
}

// Why a step failed; a time-out when the deadline has passed, whatever
// WinINet calls it (Wine reports a read that timed out as a broken
// connection).
std::string Failure(DWORD code, Clock::time_point deadline) {
  return MillisecondsLeft(deadline) == 0 ? std::string("timed out") : InternetError(code);
}

// The Content-Length of the answer, when it has one that is a number.
bool ContentLength(HINTERNET request, uint64_t& length) {
  char text[32] = "";
  DWORD size = sizeof text;
  if (!::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
  const std::string_view digits(text, size < sizeof text ? size : sizeof text - 1);
  if (digits.empty() || digits.size() > 19) return false;
  uint64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  length = n;
  return true;
}

}  // namespace

}  // namespace hakobune
