#include "plugin/lookup_driver.h"

#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/message.h"
#include "platform/profile.h"
#include "plugin/host_api.h"
#include "plugin/lookup_log.h"
#include "plugin/plugin_settings.h"
#include "plugin/system_texts.h"
#include "plugin/wait_window.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "record/output_line.h"
#include "record/stop_request.h"
#include "scrape/detail_page.h"
#include "strings/strings.h"

namespace kanadeya {

std::string DataDirectory;

namespace {

// Writes every line followed by CR LF. False when the file cannot be written.
bool WriteOutputFile(const std::string& path, const std::vector<std::string>& lines) {
  size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string contents;
  contents.reserve(size);
  for (const auto& line : lines) {
    contents += line;
    contents += "\r\n";
  }
  return platform::WriteWholeFile(path, contents);
}

bool WriteOutputOrSay(const std::string& path, const std::vector<std::string>& lines) {
  if (WriteOutputFile(path, lines)) return true;
  platform::ShowErrorMessage(std::string(kOutputNotWrittenMessage) + "\r\n" + path);
  return false;
}

bool IsWholeNumber(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The decimal text of the value of a short number text: leading zeros go,
// "000000" gives "0", anything that is not a whole number gives "0".
std::string DecimalValue(std::string_view text) {
  if (!IsWholeNumber(text)) return "0";
  const bool negative = text[0] == '-';
  if (text[0] == '+' || text[0] == '-') text.remove_prefix(1);
  while (text.size() > 1 && text[0] == '0') text.remove_prefix(1);
  if (text == "0") return "0";
  return (negative ? "-" : "") + std::string(text);
}

// The 18-byte form: a 10-byte code, a 4-byte classification code and a
// 4-byte price ("0950" gives "950", "0000" gives nothing).
void SplitEighteenByteCode(std::string_view line) {
  BookRecord.Code = std::string(line.substr(0, 10));
  BookRecord.CCode = std::string(line.substr(10, 4));
  const std::string price(line.substr(14, 4));
  if (price == "0000")
    BookRecord.Price.clear();
  else if (price[0] == '0')
    BookRecord.Price = price.substr(1);
  else
    BookRecord.Price = price;
}

// The 26-byte form, once the page is parsed: classification code and price
// where the page gave none, then the 13-byte code.
void CompleteTwentySixByteCode() {
  const std::string code = BookRecord.Code;
  if (BookRecord.CCode.empty()) BookRecord.CCode = code.substr(16, 4);
  if (BookRecord.Price.empty()) BookRecord.Price = DecimalValue(std::string_view(code).substr(20, 6));
  BookRecord.Code = code.substr(0, 13);
}

// "Setting.ini" is read again for every code, since the host may change it
// during a run; its folder, the host program's, stays.
void FillFromSettings() {
  static const std::string path = platform::ExecutableDirectory() + std::string(kSettingsFileName);
  const platform::ProfileReader settings(path);
  auto fill = [&](std::string& field, std::string_view key, std::string_view fallback) {
    if (field.empty()) field = settings.Read(kSettingsSection, key, fallback);
  };
  fill(BookRecord.PurchaseState, kPurchaseStateKey, kPurchaseStateDefault);
  fill(BookRecord.TaxSetting, kTaxSettingKey, "0");
  fill(BookRecord.TaxSetting2, kTaxSettingKey, "0");
  fill(BookRecord.ReadState, kReadStateKey, kReadStateDefault);
}

// Has the host download `url` into `path`. The file is deleted first, so
// that a failed download is never mistaken for the page (a host may leave
// the previous file in place); whether it came is told by reading it.
void Download(const std::string& path, const std::string& url) {
  platform::DeleteFileAt(path);
  BoundHostApi.HTTPDownloadFunc()(path.c_str(), url.c_str());
}

// What the lookup of one code gave besides its outcome.
struct CodeResult {
  std::string line;          // the output line, for kLineWritten
  std::string key;           // the search key the host's check returned
  size_t markers_found = 0;  // known markers on the detail page, for kLineWritten
};

// Looks up one code line on the site at `site` (scheme and host, no trailing
// slash). The code list's line is not kept: the search key that takes its
// place is only ever used for this code's search.
CodeOutcome LookUpOneCode(std::string_view code_line, const std::string& site,
                          CodeResult& result) {
  ClearBookRecord();
  BookRecord.Code = std::string(code_line);
  LoadAuthorDictionary(DataDirectory);
  LookupPublisherByCode(DataDirectory);
  LoadLabelDictionary(DataDirectory);
  if (code_line.size() == 18) SplitEighteenByteCode(code_line);

  const char* key = BoundHostApi.ISBNChkFunc()(BookRecord.Code.c_str());
  result.key = key != nullptr ? std::string(key) : std::string();
  if (result.key.empty()) return CodeOutcome::kNoSearchKey;

  const std::string searchUrl = site + std::string(kSearchPath) + result.key;
  if ((BoundHostApi.InternetConnectFunc()(searchUrl.c_str()) & 0xFF) == 0)
    return CodeOutcome::kNoConnection;

  const std::string pagePath = DataDirectory + std::string(kTempPageName);
  std::string page;
  Download(pagePath, searchUrl);
  if (!platform::ReadWholeFile(pagePath, page)) return CodeOutcome::kSearchNotDownloaded;
  const std::string id = FindDetailId(page);
  page.clear();
  page.shrink_to_fit();
  if (id.empty()) return CodeOutcome::kNoDetailLink;

  BookRecord.PageUrl = site + std::string(kDetailPath) + id;
  Download(pagePath, BookRecord.PageUrl);
  // The parse fails for a missing page as for one it cannot use; only then
  // is it asked which.
  if (!ParseDetailPage(pagePath, site, &result.markers_found))
    return platform::FileExists(pagePath) ? CodeOutcome::kDetailNotReadable
                                          : CodeOutcome::kDetailNotDownloaded;
  if (BookRecord.Code.size() == 26) CompleteTwentySixByteCode();
  LookupLabel();
  FillFromSettings();
  result.line = BuildOutputLine();
  return CodeOutcome::kLineWritten;
}

// Releases what a run holds, however the run ends.
struct RunCleanup {
  ~RunCleanup() {
    ReleaseHostApi();
    FreeAuthorDictionary();
  }
};

}  // namespace

std::string FindDetailId(std::string_view page) {
  bool first = true;
  std::string id;
  bool decided = false;
  SplitLines(page, [&](std::string_view line) {
    if (first || decided) {
      first = false;
      return;
    }
    const size_t at = ByteFind(line, kDetailLinkMarker);
    if (at == 0) return;
    decided = true;
    const std::string_view rest = line.substr(at - 1 + kDetailLinkMarker.size());
    const size_t quote = rest.find('"');
    if (quote != std::string_view::npos) id = std::string(rest.substr(0, quote));
  });
  return id;
}

void RunLookup(const char* data_dir, const char* output_file, const char* codes_text) {
  DataDirectory = data_dir != nullptr ? data_dir : "";
  const std::string outputPath = output_file != nullptr ? output_file : "";
  if (platform::FileExists(outputPath)) platform::DeleteFileAt(outputPath);
  if (codes_text == nullptr || *codes_text == '\0') {
    platform::ShowMessage(kNoCodesMessage);
    return;
  }

  std::vector<std::string> output;
  // The code list is read line by line from the host's text, which lives
  // through the call; only its line count is needed up front.
  const std::string_view codes(codes_text);
  const size_t count = CountTextLines(codes);
  LineReader reader(codes);
  RunCleanup cleanup;
  if (!BindHostApi()) return;
  PluginSettings settings;
  if (!ReadPluginSettings(platform::ModuleDirectory(), SiteBaseUrl, settings)) return;
  CreateWaitWindow();

  LookupLog log(settings.log_path);
  log.Start(settings.site_base_url, count);
  size_t searched = 0;
  std::string_view code_line;
  for (size_t i = 0; i < count && reader.Next(code_line); ++i) {
    ReportProgress(static_cast<int>(i + 1), static_cast<int>(count));
    if (StopRequested) {
      log.Stopped(i + 1);
      break;
    }
    ++searched;
    CodeResult result;
    const CodeOutcome outcome = LookUpOneCode(code_line, settings.site_base_url, result);
    log.Code(i + 1, code_line, result.key, outcome, BookRecord.Title);
    if (outcome == CodeOutcome::kLineWritten) {
      if (result.markers_found == 0) log.PagesMayHaveChanged(i + 1);
      output.push_back(std::move(result.line));
    } else if (outcome == CodeOutcome::kNoConnection) {
      log.Finish(searched, 0, "", false);
      platform::ShowMessage(kNoConnectionMessage);
      return;
    }
  }
  const bool written = WriteOutputOrSay(outputPath, output);
  log.Finish(searched, output.size(), outputPath, written);
}

}  // namespace kanadeya
