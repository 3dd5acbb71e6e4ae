#include "plugin/lookup_driver.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "plugin/host_api.h"
#include "plugin/lookup_log.h"
#include "plugin/plugin_settings.h"
#include "plugin/plugin_state.h"
#include "plugin/system_texts.h"
#include "plugin/user_messages.h"
#include "plugin/wait_window.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "record/output_line.h"
#include "record/system_texts.h"
#include "scrape/detail_page.h"
#include "scrape/search_page.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// One run: what it was given, what it found, and where it says so. Made by
// RunLookup and handed to each step; the state that outlives the run is
// the plug-in's (PluginState).
struct LookupRun {
  LookupRun(PluginState& plugin_state, std::string data_directory)
      : state(plugin_state), data_dir(std::move(data_directory)) {}

  PluginState& state;
  std::string data_dir;  // ends with a path separator
  HostApi host;
  PluginSettings settings;
  BookRecord record;  // the book of the current code
  std::vector<std::string> output;
  LookupLog log;
};

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
void SplitEighteenByteCode(std::string_view line, BookRecord& record) {
  record.Code = std::string(line.substr(0, 10));
  record.CCode = std::string(line.substr(10, 4));
  const std::string price(line.substr(14, 4));
  if (price == "0000")
    record.Price.clear();
  else if (price[0] == '0')
    record.Price = price.substr(1);
  else
    record.Price = price;
}

// The 26-byte form, once the page is parsed: classification code and price
// where the page gave none, then the 13-byte code.
void CompleteTwentySixByteCode(BookRecord& record) {
  const std::string code = record.Code;
  if (record.CCode.empty()) record.CCode = code.substr(16, 4);
  if (record.Price.empty()) record.Price = DecimalValue(std::string_view(code).substr(20, 6));
  record.Code = code.substr(0, 13);
}

// "Setting.ini" is read again for every code, since the host may change it
// during a run; its folder, the host program's, stays.
void FillFromSettings(BookRecord& record) {
  static const std::string path = platform::ExecutableDirectory() + std::string(kSettingsFileName);
  const platform::ProfileReader settings(path);
  auto fill = [&](std::string& field, std::string_view key, std::string_view fallback) {
    if (field.empty()) field = settings.Read(kSettingsSection, key, fallback);
  };
  fill(record.PurchaseState, kPurchaseStateKey, kPurchaseStateDefault);
  fill(record.TaxSetting, kTaxSettingKey, "0");
  fill(record.TaxSetting2, kTaxSettingKey, "0");
  fill(record.ReadState, kReadStateKey, kReadStateDefault);
}

// Has the host download `url` into `path`. The file is deleted first, so
// that a failed download is never mistaken for the page (a host may leave
// the previous file in place); whether it came is told by reading it.
void Download(const HostApi& host, const std::string& path, const std::string& url) {
  platform::DeleteFileAt(path);
  host.HTTPDownloadFunc()(path.c_str(), url.c_str());
}

// What the lookup of one code gave besides its outcome.
struct CodeResult {
  std::string line;          // the output line, for kFound
  std::string key;           // the search key the host's check returned
  std::string url;           // the address asked for last
  size_t markers_found = 0;  // known markers on the detail page, for kFound
};

// Looks up one code line into run.record on the run's site. The code list's
// line is not kept: the search key that takes its place is only ever used
// for this code's search.
CodeOutcome LookUpOneCode(LookupRun& run, std::string_view code_line, CodeResult& result) {
  BookRecord& record = run.record;
  Dictionaries& dictionaries = run.state.dictionaries;
  const std::string& site = run.settings.site_base_url;
  record = BookRecord{};
  record.Code = std::string(code_line);
  // A missing or unreadable dictionary is an empty one: the lookup goes on
  // without what it would have given.
  LoadAuthorDictionary(dictionaries, run.data_dir);
  LookupPublisherByCode(dictionaries, run.data_dir, record);
  LoadLabelDictionary(dictionaries, run.data_dir);
  if (code_line.size() == 18) SplitEighteenByteCode(code_line, record);

  const char* key = run.host.ISBNChkFunc()(record.Code.c_str());
  result.key = key != nullptr ? std::string(key) : std::string();
  if (result.key.empty()) return CodeOutcome::kInvalidCode;

  const std::string search_url = site + std::string(kSearchPath) + result.key;
  result.url = search_url;
  if ((run.host.InternetConnectFunc()(search_url.c_str()) & 0xFF) == 0)
    return CodeOutcome::kNoConnection;

  const std::string page_path = run.data_dir + std::string(kTempPageName);
  std::string page;
  Download(run.host, page_path, search_url);
  if (!platform::ReadWholeFile(page_path, page)) return CodeOutcome::kSearchNotDownloaded;
  const std::string id = FindDetailId(page);
  page.clear();
  page.shrink_to_fit();
  if (id.empty()) return CodeOutcome::kNotOnSite;

  record.PageUrl = site + std::string(kDetailPath) + id;
  result.url = record.PageUrl;
  Download(run.host, page_path, record.PageUrl);
  // The parse fails for a missing page as for one it cannot use; only then
  // is it asked which.
  if (!ParseDetailPage(page_path, site, dictionaries.authors, run.state.page_work, record,
                       &result.markers_found))
    return platform::FileExists(page_path) ? CodeOutcome::kDetailNotReadable
                                           : CodeOutcome::kDetailNotDownloaded;
  if (record.Code.size() == 26) CompleteTwentySixByteCode(record);
  LookupLabel(dictionaries, record);
  FillFromSettings(record);
  result.line = BuildOutputLine(record);
  return CodeOutcome::kFound;
}

// Releases what a run holds, however the run ends.
struct RunCleanup {
  LookupRun& run;
  ~RunCleanup() {
    ReleaseHostApi(run.host);
    FreeAuthorDictionary(run.state.dictionaries);
  }
};

// Opens the log that the settings name, unless it is refused: the refusal
// is shown when `show_refusal` (a run that goes on says it once).
void OpenLog(LookupRun& run, const std::string& output_path, const std::string& temporary_path,
             const std::string& settings_path, bool show_refusal) {
  const std::string& log_path = run.settings.log_path;
  if (log_path.empty()) return;
  const std::vector<std::string> kept_files = {
      output_path,
      temporary_path,
      run.data_dir + std::string(kAuthorDictionaryFile),
      run.data_dir + std::string(kPublisherDictionaryFile),
      run.data_dir + std::string(kLabelDictionaryFile),
      run.data_dir + std::string(kTempPageName),
      platform::ExecutableDirectory() + std::string(kSettingsFileName),
      settings_path,
      platform::ModulePath()};
  std::string_view refusal = LogPathFaultText(CheckLogPath(log_path, kept_files));
  if (refusal.empty() && !run.log.Open(log_path)) refusal = kLogNotALogMessage;
  if (!refusal.empty() && show_refusal) ShowUserErrorWithPath(settings_path, refusal, kDisplayName);
}

}  // namespace

void RunLookup(PluginState& state, const char* data_dir, const char* output_file,
               const char* codes_text) {
  const std::string output_path = output_file != nullptr ? output_file : "";
  const std::string temporary_path = output_path + std::string(kOutputTemporarySuffix);
  if (platform::FileExists(output_path)) platform::DeleteFileAt(output_path);
  // What a run that was killed while writing may have left.
  if (!output_path.empty()) platform::DeleteFileAt(temporary_path);
  if (codes_text == nullptr || *codes_text == '\0') {
    ShowUserMessage(kNoCodesMessage);
    return;
  }

  LookupRun run(state, data_dir != nullptr ? data_dir : "");
  // The code list is read line by line from the host's text, which lives
  // through the call; only its line count is needed up front.
  const std::string_view codes(codes_text);
  const size_t count = CountTextLines(codes);
  LineReader reader(codes);
  const RunCleanup cleanup{run};
  const HostBinding binding = BindHostApi(run.host);
  if (!binding.missing_program.empty())
    ShowUserErrorWithPath(binding.missing_program, kHostMissingSuffix);
  if (!binding.bound) {
    ShowUserError(kHostFunctionMissingMessage);
    return;
  }

  const std::string folder = platform::ModuleDirectory();
  const std::string settings_path = folder + std::string(kPluginSettingsFileName);
  const std::string settings_fault = ReadPluginSettings(folder, SiteBaseUrl, run.settings);
  // A run that cannot go on shows why it cannot, and only that.
  OpenLog(run, output_path, temporary_path, settings_path, settings_fault.empty());
  const size_t code_count = CountCodes(codes);
  run.log.Start(platform::LocalDateTime(), platform::CurrentProcessId(), run.settings.site_base_url,
                code_count);
  if (!settings_fault.empty()) {
    run.log.Refused(std::string(kPluginSettingsFileName) +
                    settings_fault.substr(0, settings_fault.find('\r')));
    ShowUserErrorWithPath(settings_path, settings_fault, kDisplayName);
    return;
  }
  // A stop ends the run it was asked in, and no later one.
  state.stop_requested = false;
  CreateWaitWindow(run.settings.show_window);
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
    if (state.stop_requested) {
      run.log.Stopped(position + 1);
      break;
    }
    if (!blank) ++position;
    CodeResult result;
    const CodeOutcome outcome = LookUpOneCode(run, code_line, result);
    if (!blank) {
      ++summary.codes;
      const bool found = outcome == CodeOutcome::kFound;
      run.log.Code(position, code_line, result.key, outcome, found ? run.record.Title : result.url,
                   found && result.markers_found == 0);
    }
    if (outcome == CodeOutcome::kFound) {
      ++summary.found;
      run.output.push_back(std::move(result.line));
    } else if (outcome == CodeOutcome::kNoConnection) {
      summary.end = RunSummary::End::kNoConnection;
      summary.failed_at = position;
      run.log.Finish(summary);
      HideWaitWindow();  // before the message, which would stand behind it
      ShowUserMessage(kNoConnectionMessage);
      return;
    }
  }
  HideWaitWindow();
  if (WriteOutputFile(output_path, temporary_path, run.output)) {
    summary.written = run.output.size();
  } else {
    summary.end = RunSummary::End::kOutputNotWritten;
    ShowUserError(std::string(kOutputNotWrittenMessage) + "\r\n" + output_path, kDisplayName);
  }
  run.log.Finish(summary);
}

void RunLookup(const char* data_dir, const char* output_file, const char* codes) {
  RunLookup(LoadedPlugin(), data_dir, output_file, codes);
}

}  // namespace kanadeya
