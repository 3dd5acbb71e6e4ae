#include "plugin/lookup_driver.h"

#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/message.h"
#include "platform/process.h"
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
#include "record/system_texts.h"
#include "scrape/detail_page.h"
#include "strings/strings.h"

namespace kanadeya {

std::string DataDirectory;

namespace {

// Writes every line followed by CR LF, whole or not at all: into
// `temporary` first, put on the disk, then moved into place. On any failure
// the temporary file is removed and no file is left at `path`.
bool WriteOutputFile(const std::string& path, const std::string& temporary,
                     const std::vector<std::string>& lines) {
  if (path.empty()) return false;
  size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string contents;
  contents.reserve(size);
  for (const auto& line : lines) {
    contents += line;
    contents += "\r\n";
  }
  // Tests play here what a full disk or a kill halfway through the write
  // leaves: half of the file written, then a failure or the end.
  const bool disk_full = platform::TestFaultRequested("disk-full-while-writing-output");
  if (disk_full || platform::TestFaultRequested("end-while-writing-output")) {
    platform::WriteFileDurably(temporary, std::string_view(contents).substr(0, size / 2));
    if (!disk_full) platform::EndProcessAtOnce();
  } else if (platform::WriteFileDurably(temporary, contents) &&
             platform::RenameFileReplacing(temporary, path)) {
    return true;
  }
  platform::DeleteFileAt(temporary);
  return false;
}

// A line of the code list with nothing but spaces and tabs: the host's
// check is still asked about it, as for every line, but it is no code.
bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

size_t CountCodes(std::string_view codes) {
  size_t n = 0;
  SplitLines(codes, [&](std::string_view line) { n += IsBlankLine(line) ? 0 : 1; });
  return n;
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
  std::string line;          // the output line, for kFound
  std::string key;           // the search key the host's check returned
  std::string url;           // the address asked for last
  size_t markers_found = 0;  // known markers on the detail page, for kFound
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
  if (result.key.empty()) return CodeOutcome::kInvalidCode;

  const std::string search_url = site + std::string(kSearchPath) + result.key;
  result.url = search_url;
  if ((BoundHostApi.InternetConnectFunc()(search_url.c_str()) & 0xFF) == 0)
    return CodeOutcome::kNoConnection;

  const std::string page_path = DataDirectory + std::string(kTempPageName);
  std::string page;
  Download(page_path, search_url);
  if (!platform::ReadWholeFile(page_path, page)) return CodeOutcome::kSearchNotDownloaded;
  const std::string id = FindDetailId(page);
  page.clear();
  page.shrink_to_fit();
  if (id.empty()) return CodeOutcome::kNotOnSite;

  BookRecord.PageUrl = site + std::string(kDetailPath) + id;
  result.url = BookRecord.PageUrl;
  Download(page_path, BookRecord.PageUrl);
  // The parse fails for a missing page as for one it cannot use; only then
  // is it asked which.
  if (!ParseDetailPage(page_path, site, &result.markers_found))
    return platform::FileExists(page_path) ? CodeOutcome::kDetailNotReadable
                                           : CodeOutcome::kDetailNotDownloaded;
  if (BookRecord.Code.size() == 26) CompleteTwentySixByteCode();
  LookupLabel();
  FillFromSettings();
  result.line = BuildOutputLine();
  return CodeOutcome::kFound;
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
  const std::string output_path = output_file != nullptr ? output_file : "";
  const std::string temporary_path = output_path + std::string(kOutputTemporarySuffix);
  if (platform::FileExists(output_path)) platform::DeleteFileAt(output_path);
  // What a run that was killed while writing may have left.
  if (!output_path.empty()) platform::DeleteFileAt(temporary_path);
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

  const std::string folder = platform::ModuleDirectory();
  const std::string settings_path = folder + std::string(kPluginSettingsFileName);
  PluginSettings settings;
  const std::string settings_fault = ReadPluginSettings(folder, SiteBaseUrl, settings);
  LookupLog log;
  if (!settings.log_path.empty()) {
    const std::vector<std::string> kept_files = {
        output_path,
        temporary_path,
        DataDirectory + std::string(kAuthorDictionaryFile),
        DataDirectory + std::string(kPublisherDictionaryFile),
        DataDirectory + std::string(kLabelDictionaryFile),
        DataDirectory + std::string(kTempPageName),
        platform::ExecutableDirectory() + std::string(kSettingsFileName),
        settings_path,
        platform::ModulePath()};
    std::string_view refusal = LogPathFaultText(CheckLogPath(settings.log_path, kept_files));
    if (refusal.empty() && !log.Open(settings.log_path)) refusal = kLogNotALogMessage;
    // A run that cannot go on shows why it cannot, and only that.
    if (!refusal.empty() && settings_fault.empty())
      platform::ShowErrorMessageWithPath(settings_path, refusal, kDisplayName);
  }
  const size_t code_count = CountCodes(codes);
  log.Start(platform::LocalDateTime(), platform::CurrentProcessId(), settings.site_base_url,
            code_count);
  if (!settings_fault.empty()) {
    log.Refused(std::string(kPluginSettingsFileName) +
                settings_fault.substr(0, settings_fault.find('\r')));
    platform::ShowErrorMessageWithPath(settings_path, settings_fault, kDisplayName);
    return;
  }
  // A stop ends the run it was asked in, and no later one.
  StopRequested = false;
  CreateWaitWindow(settings.show_window);
  struct HiddenAtTheEnd {
    ~HiddenAtTheEnd() { HideWaitWindow(); }
  } hidden_at_the_end;

  RunSummary summary;
  summary.output_path = output_path;
  size_t position = 0;  // among the codes, blank lines not counted
  std::string_view code_line;
  for (size_t i = 0; i < count && reader.Next(code_line); ++i) {
    const bool blank = IsBlankLine(code_line);
    if (blank)
      ProcessWindowMessages();
    else
      ReportProgress(static_cast<int>(position + 1), static_cast<int>(code_count));
    if (StopRequested) {
      log.Stopped(position + 1);
      break;
    }
    if (!blank) ++position;
    CodeResult result;
    const CodeOutcome outcome = LookUpOneCode(code_line, settings.site_base_url, result);
    if (!blank) {
      ++summary.codes;
      const bool found = outcome == CodeOutcome::kFound;
      log.Code(position, code_line, result.key, outcome, found ? BookRecord.Title : result.url,
               found && result.markers_found == 0);
    }
    if (outcome == CodeOutcome::kFound) {
      ++summary.found;
      output.push_back(std::move(result.line));
    } else if (outcome == CodeOutcome::kNoConnection) {
      summary.end = RunSummary::End::kNoConnection;
      summary.failed_at = position;
      log.Finish(summary);
      HideWaitWindow();
      platform::ShowMessage(kNoConnectionMessage);
      return;
    }
  }
  HideWaitWindow();
  if (WriteOutputFile(output_path, temporary_path, output)) {
    summary.written = output.size();
  } else {
    summary.end = RunSummary::End::kOutputNotWritten;
    platform::ShowErrorMessage(std::string(kOutputNotWrittenMessage) + "\r\n" + output_path,
                               kDisplayName);
  }
  log.Finish(summary);
}

}  // namespace kanadeya
