// The host that in-process runs play: a catalogue site held in memory
// (`pages`, or any source a test gives), a code check, and the ways a host
// misbehaves (a connection test that fails from some call on, a failed
// download that leaves the old file, a download that throws). Its functions
// reach the one FakeHost alive; `Functions()` is the table that
// TestEnv::host_functions binds.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "plugin/host_api.h"
#include "plugin/lookup_driver.h"
#include "plugin/system_texts.h"

namespace kanadeya::test {

class FakeHost {
 public:
  FakeHost() {
    Reset();
    current_ = this;
  }
  ~FakeHost() { current_ = nullptr; }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static inline const std::string kSearchBase = std::string(SiteBaseUrl) + std::string(kSearchPath);
  static inline const std::string kDetailBase = std::string(SiteBaseUrl) + std::string(kDetailPath);

  // A detail page with a product-name line, and a search page linking `id`.
  static std::string DetailPage(std::string_view title) {
    // EUC-JP marker of the product-name line: 商品名：
    return "<html>\r\n<div id=\"SyosaiItem\">\xbe\xa6\xc9\xca\xcc\xbe\xa1\xa7</div>\r\n" +
           std::string(title) + "\r\n<p>\r\n<p>\r\n<p>\r\n<p>\r\n</html>\r\n";
  }
  static std::string SearchPage(std::string_view id, std::string_view indent = "") {
    return "<html>\r\n" + std::string(indent) +
           "<td><a href=\"/detail/view.php?id=" + std::string(id) + "\">x</a></td>\r\n</html>\r\n";
  }
  void AddBook(const std::string& keyword, const std::string& id, const std::string& title) {
    pages[kSearchBase + keyword] = SearchPage(id);
    pages[kDetailBase + id] = DetailPage(title);
  }

  // Back to the host as made: no pages, the plain check, nothing seen.
  void Reset() {
    pages.clear();
    page_for = [this](const std::string& url) {
      const auto page = pages.find(url);
      return page == pages.end() ? nullptr : &page->second;
    };
    check = [](const std::string& code) { return code; };
    connect_fail_from = 0;
    failed_download_keeps_file = false;
    during_download = nullptr;
    checked.clear();
    connected.clear();
    downloaded.clear();
    targets.clear();
  }

  std::map<std::string, std::string> pages;  // URL -> page bytes
  // The page a download of `url` gives; null: the download fails. The
  // pages of `pages` unless a test gives another source.
  std::function<const std::string*(const std::string& url)> page_for;
  // The search key of a code; nullopt hands the plug-in a null pointer.
  std::function<std::optional<std::string>(const std::string& code)> check;
  int connect_fail_from = 0;  // the first connection test that fails; 0: none
  bool failed_download_keeps_file = false;
  // Called as a download begins (it may throw, as a host's code might).
  std::function<void(const std::string& path, const std::string& url)> during_download;

  std::vector<std::string> checked, connected, downloaded;  // codes, URLs, URLs
  std::vector<std::string> targets;                         // where pages were saved

  // The host's 16 functions: the three the plug-in calls, and the rest doing
  // nothing.
  std::array<void*, kHostFunctionCount> Functions() const {
    std::array<void*, kHostFunctionCount> functions{};
    functions.fill(reinterpret_cast<void*>(&Unused));
    functions[kInternetConnectSlot] = reinterpret_cast<void*>(&Connect);
    functions[kHTTPDownloadSlot] = reinterpret_cast<void*>(&Download);
    functions[kISBNChkSlot] = reinterpret_cast<void*>(&Check);
    return functions;
  }

 private:
  static int32_t KANADEYA_STDCALL Connect(const char* url) {
    current_->connected.emplace_back(url);
    const int n = static_cast<int>(current_->connected.size());
    return current_->connect_fail_from != 0 && n >= current_->connect_fail_from ? 0 : 1;
  }
  static int32_t KANADEYA_STDCALL Download(const char* path, const char* url) {
    FakeHost& host = *current_;
    host.downloaded.emplace_back(url);
    host.targets.emplace_back(path);
    if (host.during_download) host.during_download(path, url);
    const std::string* page = host.page_for(url);
    if (page == nullptr) {
      if (!host.failed_download_keeps_file) platform::DeleteFileAt(path);
      return 0;
    }
    return platform::WriteWholeFile(path, *page) ? 1 : 0;
  }
  static const char* KANADEYA_STDCALL Check(const char* code) {
    current_->checked.emplace_back(code);
    const std::optional<std::string> key = current_->check(code);
    if (!key) return nullptr;
    current_->key_ = *key;
    return current_->key_.c_str();
  }
  static int32_t KANADEYA_STDCALL Unused() { return 0; }

  static inline FakeHost* current_ = nullptr;
  std::string key_;  // the text ISBNChkFunc returns, owned by the host
};

}  // namespace kanadeya::test
