#include "plugin/lookup_driver.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "platform/file_stamp.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "plugin/host_api.h"
#include "plugin/import_file.h"
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

// How often, and how long apart, a page's file that will not go is tried
// again: a virus scanner or an indexer holds a new file for a moment.
constexpr int kClearAttempts = 10;
constexpr std::chrono::milliseconds kClearPause{100};

// Clears the page's file for a download: a page that an earlier download
// left there must never be read as this one's.
platform::RemoveFault ClearPageFile(const std::string& path) {
  platform::RemoveFault fault = platform::RemoveFile(path);
  for (int attempt = 1; attempt < kClearAttempts && fault != platform::RemoveFault::kNone &&
                        fault != platform::RemoveFault::kFolder;
       ++attempt) {
    std::this_thread::sleep_for(kClearPause);
    fault = platform::RemoveFile(path);
  }
  return fault;
}

std::string_view PageFileFaultText(platform::RemoveFault fault) {
  switch (fault) {
    case platform::RemoveFault::kInUse:
      return kPageFileInUse;
    case platform::RemoveFault::kDenied:
      return kPageFileDenied;
    case platform::RemoveFault::kFolder:
      return kPageFileFolder;
    case platform::RemoveFault::kStillThere:
      return kPageFileStillThere;
    default:
      return kPageFileOther;
  }
}

// What the lookup of one code gave besides its outcome.
struct CodeResult {
  std::string line;          // the output line, for kFound
  std::string key;           // the search key the host's check returned
  std::string url;           // the address asked for last; the file in the way and why
                             // for kPageFileInTheWay
  size_t markers_found = 0;  // known markers on the detail page, for kFound
};

// Has the host download `url` into `path` once nothing stands there, so
// that a failed download is never mistaken for the page (a host may leave
// the previous file in place); whether it came is told by reading it.
// False, with the file and why in `result`, when the file will not go.
bool Download(const HostApi& host, const std::string& path, const std::string& url,
              CodeResult& result) {
  const platform::RemoveFault fault = ClearPageFile(path);
  if (fault != platform::RemoveFault::kNone) {
    result.url = path + std::string(PageFileFaultText(fault));
    return false;
  }
  host.HTTPDownloadFunc()(path.c_str(), url.c_str());
  return true;
}

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
  if (!Download(run.host, page_path, search_url, result)) return CodeOutcome::kPageFileInTheWay;
  if (!platform::ReadWholeFile(page_path, page)) return CodeOutcome::kSearchNotDownloaded;
  const std::string id = FindDetailId(page);
  page.clear();
  page.shrink_to_fit();
  if (id.empty()) return CodeOutcome::kNotOnSite;

  record.PageUrl = site + std::string(kDetailPath) + id;
  result.url = record.PageUrl;
  if (!Download(run.host, page_path, record.PageUrl, result)) return CodeOutcome::kPageFileInTheWay;
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
void OpenLog(LookupRun& run, const std::string& output_path, const std::string& settings_path,
             bool show_refusal) {
  const std::string& log_path = run.settings.log_path;
  if (log_path.empty()) return;
  const std::vector<std::string> kept_files = {
      output_path,
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

// The note that ends the last message of a run that leaves the earlier
// import file as it was (it could be neither removed nor emptied): the host
// would import that run's books as this one's. Empty otherwise; a file that
// stood at the start is tried once more.
std::string OldOutputNote(const std::string& output_path, uint32_t process_id, bool& cleared) {
  if (!cleared) cleared = ClearImportFile(output_path, process_id, platform::CurrentFileTime());
  if (cleared) return {};
  return "\r\n\r\n" + output_path + "\r\n" + std::string(kOldImportFileStandsMessage);
}

}  // namespace

void RunLookup(PluginState& state, const char* data_dir, const char* output_file,
               const char* codes_text) {
  const std::string output_path = output_file != nullptr ? output_file : "";
  const uint32_t process_id = platform::CurrentProcessId();
  // The earlier run's import file goes first, so that however this run
  // ends the host never imports that run's books as this one's.
  bool old_output_cleared = ClearImportFile(output_path, process_id, platform::CurrentFileTime());
  if (codes_text == nullptr || *codes_text == '\0') {
    ShowUserMessage(std::string(kNoCodesMessage) +
                    OldOutputNote(output_path, process_id, old_output_cleared));
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
    ShowUserError(std::string(kHostFunctionMissingMessage) +
                  OldOutputNote(output_path, process_id, old_output_cleared));
    return;
  }

  const std::string folder = platform::ModuleDirectory();
  const std::string settings_path = folder + std::string(kPluginSettingsFileName);
  const std::string settings_fault = ReadPluginSettings(folder, SiteBaseUrl, run.settings);
  // A run that cannot go on shows why it cannot, and only that.
  OpenLog(run, output_path, settings_path, settings_fault.empty());
  const size_t code_count = CountCodes(codes);
  run.log.Start(platform::LocalDateTime(), process_id, run.settings.site_base_url, code_count);
  if (!settings_fault.empty()) {
    run.log.Refused(std::string(kPluginSettingsFileName) +
                    settings_fault.substr(0, settings_fault.find('\r')));
    ShowUserErrorWithPath(
        settings_path, settings_fault + OldOutputNote(output_path, process_id, old_output_cleared),
        kDisplayName);
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
      const std::string note = OldOutputNote(output_path, process_id, old_output_cleared);
      summary.old_output_stands = !note.empty();
      run.log.Finish(summary);
      HideWaitWindow();  // before the message, which would stand behind it
      ShowUserMessage(std::string(kNoConnectionMessage) + note);
      return;
    }
  }
  HideWaitWindow();
  if (WriteImportFile(output_path, run.output, process_id)) {
    summary.written = run.output.size();
  } else {
    summary.end = RunSummary::End::kOutputNotWritten;
    const std::string note = OldOutputNote(output_path, process_id, old_output_cleared);
    summary.old_output_stands = !note.empty();
    ShowUserError(std::string(kOutputNotWrittenMessage) +
                      (note.empty() ? "\r\n" + output_path : note.substr(2)),
                  kDisplayName);
  }
  run.log.Finish(summary);
}

void RunLookup(const char* data_dir, const char* output_file, const char* codes) {
  RunLookup(LoadedPlugin(), data_dir, output_file, codes);
}

}  // namespace kanadeya
