// The HTTP client over libcurl. Proxies come from the usual environment
// variables (http_proxy, https_proxy, no_proxy, ...), as libcurl reads them.
//
// libcurl is loaded at the first request, not with the program: it and the
// libraries it brings (TLS and the rest) take some milliseconds to load and
// start, in every run, also in one over a site folder that makes no request.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <cassert>
#include <cstdio>
#include <memory>
#include <type_traits>

#include "host/http_client.h"
#include "host/web_address.h"

namespace hakobune {

namespace {

// The libcurl functions the client calls.
struct Curl {
  decltype(&curl_global_init) global_init = nullptr;
  decltype(&curl_easy_init) easy_init = nullptr;
  decltype(&curl_easy_setopt) easy_setopt = nullptr;
  decltype(&curl_easy_perform) easy_perform = nullptr;
  decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&curl_easy_strerror) easy_strerror = nullptr;
  decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
};

// libcurl's functions, loaded once; null when the library or one of them is
// missing. Never unloaded (the program ends soon after its one run).
const Curl* LoadCurl() {
  static const Curl curl = [] {
    Curl loaded;
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return loaded;
    auto bind = [library](auto& function, const char* name) {
      function =
          reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
    };
    bind(loaded.global_init, "curl_global_init");
    bind(loaded.easy_init, "curl_easy_init");
    bind(loaded.easy_setopt, "curl_easy_setopt");
    bind(loaded.easy_perform, "curl_easy_perform");
    bind(loaded.easy_getinfo, "curl_easy_getinfo");
    bind(loaded.easy_strerror, "curl_easy_strerror");
    bind(loaded.easy_cleanup, "curl_easy_cleanup");
    return loaded;
  }();
  const bool complete = curl.global_init && curl.easy_init && curl.easy_setopt &&
                        curl.easy_perform && curl.easy_getinfo && curl.easy_strerror &&
                        curl.easy_cleanup;
  return complete ? &curl : nullptr;
}

// Why no handle could be made.
std::string NoHandleReason() {
  return LoadCurl() == nullptr ? "cannot load libcurl (libcurl.so.4)" : "libcurl cannot start";
}

// The loaded library. REQUIRES: LoadCurl() gave it (a handle exists).
const Curl& Lib() {
  const Curl* curl = LoadCurl();
  assert(curl != nullptr);
  return *curl;
}

struct EasyDeleter {
  void operator()(CURL* curl) const { Lib().easy_cleanup(curl); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Where the body goes while it arrives.
struct BodySink {
  std::FILE* file = nullptr;
  CURL* curl = nullptr;
  uint64_t written = 0;
  uint64_t max_bytes = 0;
  bool too_large = false;
  bool write_failed = false;
};

Easy NewHandle();
std::string Describe(CURLcode code, const char* detail);
size_t WriteBody(char* data, size_t size, size_t count, void* user);

}  // namespace

// A TCP connection alone, as on Win32: an https address is reached on its
// port, without the TLS handshake that libcurl would make for it.
bool TestConnection(const std::string& url, uint32_t timeout_ms, std::string& why) {
  const auto address = SplitWebAddress(url);
  if (!address) {
    why = "not a web address";
    return false;
  }
  const bool v6 = address->host.find(':') != std::string_view::npos;
  const std::string tcp = "http://" + std::string(v6 ? "[" : "") + std::string(address->host) +
                          (v6 ? "]" : "") + ":" + std::to_string(address->port) + "/";
  Easy curl = NewHandle();
  if (!curl) {
    why = NoHandleReason();
    return false;
  }
  char detail[CURL_ERROR_SIZE] = "";
  Lib().easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, detail);
  Lib().easy_setopt(curl.get(), CURLOPT_URL, tcp.c_str());
  Lib().easy_setopt(curl.get(), CURLOPT_CONNECT_ONLY, 1L);
  Lib().easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout_ms));
  Lib().easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(timeout_ms));
  const CURLcode code = Lib().easy_perform(curl.get());
  if (code == CURLE_OK) return true;
  why = Describe(code, detail);
  return false;
}

FetchResult Fetch(const std::string& url, const std::string& body_path, const FetchLimits& limits) {
  FetchResult result;
  Easy curl = NewHandle();
  if (!curl) {
    result.error = NoHandleReason();
    return result;
  }
  File file(std::fopen(body_path.c_str(), "wb"));
  if (!file) {
    result.error = "cannot create the file";
    return result;
  }
  BodySink sink;
  sink.file = file.get();
  sink.curl = curl.get();
  sink.max_bytes = limits.max_bytes;

  char detail[CURL_ERROR_SIZE] = "";
  CURL* c = curl.get();
  Lib().easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
  Lib().easy_setopt(c, CURLOPT_URL, url.c_str());
  Lib().easy_setopt(c, CURLOPT_HTTPGET, 1L);
  Lib().easy_setopt(c, CURLOPT_USERAGENT, limits.user_agent.c_str());
  Lib().easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  Lib().easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
  Lib().easy_setopt(
      c, CURLOPT_CONNECTTIMEOUT_MS,
      static_cast<long>(limits.connect_ms < limits.total_ms ? limits.connect_ms : limits.total_ms));
  Lib().easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total_ms));
  Lib().easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_bytes));
  Lib().easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
  Lib().easy_setopt(c, CURLOPT_WRITEDATA, &sink);

  const CURLcode code = Lib().easy_perform(c);
  Lib().easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
  const bool closed = std::fclose(file.release()) == 0;
  if (sink.too_large) {
    result.error = "the body is larger than " + std::to_string(limits.max_bytes) + " bytes";
  } else if (sink.write_failed || !closed) {
    result.error = "cannot write the file";
  } else if (code != CURLE_OK) {
    result.error = Describe(code, detail);
  } else {
    result.body_complete = true;
  }
  return result;
}

namespace {

Easy NewHandle() {
  // Once per program, before the first handle; never undone (the program
  // ends soon after its one run).
  if (LoadCurl() == nullptr) return Easy();
  static const bool started = Lib().global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!started) return Easy();
  Easy curl(Lib().easy_init());
  if (!curl) return curl;
  Lib().easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  // The site and the places it redirects to are web pages: no file://, no
  // other protocols, whatever a server answers.
  Lib().easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
  Lib().easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  return curl;
}

std::string Describe(CURLcode code, const char* detail) {
  if (code == CURLE_OPERATION_TIMEDOUT) return "timed out";
  if (code == CURLE_PARTIAL_FILE) return "the body was cut short";
  return detail != nullptr && *detail != '\0' ? std::string(detail)
                                              : std::string(Lib().easy_strerror(code));
}

// Writes the body of a 2xx answer to the file; the body of any other answer
// (a redirect's, an error page) is read and dropped.
size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto& sink = *static_cast<BodySink*>(user);
  const size_t n = size * count;
  long status = 0;
  Lib().easy_getinfo(sink.curl, CURLINFO_RESPONSE_CODE, &status);
  if (status < 200 || status > 299) return n;
  if (n > sink.max_bytes - sink.written) {
    sink.too_large = true;
    return CURL_WRITEFUNC_ERROR;
  }
  if (std::fwrite(data, 1, n, sink.file) != n) {
    sink.write_failed = true;
    return CURL_WRITEFUNC_ERROR;
  }
  sink.written += n;
  return n;
}

}  // namespace

}  // namespace hakobune
