// The HTTP client over libcurl. Proxies come from the usual environment
// variables (http_proxy, https_proxy, no_proxy, ...), as libcurl reads them.
#include <curl/curl.h>

#include <cstdio>
#include <memory>

#include "host/http_client.h"

namespace hakobune {

namespace {

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
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

bool TestConnection(const std::string& url, uint32_t timeout_ms, std::string& why) {
  Easy curl = NewHandle();
  if (!curl) {
    why = "libcurl cannot start";
    return false;
  }
  char detail[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, detail);
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_CONNECT_ONLY, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout_ms));
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(timeout_ms));
  const CURLcode code = curl_easy_perform(curl.get());
  if (code == CURLE_OK) return true;
  why = Describe(code, detail);
  return false;
}

FetchResult Fetch(const std::string& url, const std::string& body_path,
                  const FetchLimits& limits) {
  FetchResult result;
  Easy curl = NewHandle();
  if (!curl) {
    result.error = "libcurl cannot start";
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
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(c, CURLOPT_USERAGENT, limits.user_agent.c_str());
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(limits.connect_ms < limits.total_ms ? limits.connect_ms
                                                                         : limits.total_ms));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total_ms));
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_bytes));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);

  const CURLcode code = curl_easy_perform(c);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
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
  static const bool started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!started) return Easy();
  Easy curl(curl_easy_init());
  if (!curl) return curl;
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  // The site and the places it redirects to are web pages: no file://, no
  // other protocols, whatever a server answers.
  curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  return curl;
}

std::string Describe(CURLcode code, const char* detail) {
  if (code == CURLE_OPERATION_TIMEDOUT) return "timed out";
  if (code == CURLE_PARTIAL_FILE) return "the body was cut short";
  return detail != nullptr && *detail != '\0' ? std::string(detail)
                                              : std::string(curl_easy_strerror(code));
}

// Writes the body of a 2xx answer to the file; the body of any other answer
// (a redirect's, an error page) is read and dropped.
size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto& sink = *static_cast<BodySink*>(user);
  const size_t n = size * count;
  long status = 0;
  curl_easy_getinfo(sink.curl, CURLINFO_RESPONSE_CODE, &status);
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
