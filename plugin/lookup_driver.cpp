#include "plugin/lookup_driver.h"

#include <array>
#include <cstring>
#include <exception>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/file_faults.h"
#include "platform/paths.h"
#include "plugin/host_api.h"
#include "plugin/import_file.h"
#include "plugin/lookup_log.h"
#include "plugin/plugin_settings.h"
#include "plugin/plugin_state.h"
#include "plugin/run_env.h"
#include "plugin/run_report.h"
#include "plugin/system_texts.h"
#include "record/book_record.h"
#include "record/code_forms.h"
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
// the plug-in's (PluginState), what lies outside it the caller's (RunEnv).
struct ActiveRun {
  ActiveRun(PluginState& plugin_state, RunEnv& run_env, std::string data_directory)
      : state(plugin_state),
        env(run_env),
        data_dir(std::move(data_directory)),
        host_settings_path(run_env.HostProgramFolder() + std::string(kSettingsFileName)),
        log(run_env) {}

  PluginState& state;
  RunEnv& env;
  std::string data_dir;  // ends with a path separator
  // The host's "Setting.ini", in the host program's folder.
  std::string host_settings_path;
  HostApi host;
  PluginSettings settings;
  std::vector<std::string> output;
  LookupLog log;
  // The files that stood but could not be read this run (the dictionaries,
  // "Setting.ini"), each with what the books lack for it: tried again once,
  // then told of in the log and the report.
  std::vector<UnreadableFile> unreadable;

  bool KnownUnreadable(const std::string& path) const {
    for (const UnreadableFile& file : unreadable)
      if (file.path == path) return true;
    return false;
  }
  void NoteUnreadable(const std::string& path, std::string_view lacks) {
    unreadable.push_back({path, std::string(lacks)});
    log.Note(std::string(kLogFileUnreadable) + path + std::string(lacks));
  }
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

// A page larger than this is no page of the site's (they are about 40 KB):
// it is not read, so that one page cannot take the memory the host and the
// plug-in share.
constexpr uint64_t kLargestPage = uint64_t{16} * 1024 * 1024;

// Clears the page's file for a download: a page that an earlier download
// left there must never be read as this one's.
// A folder in its place is not tried again: it does not go by itself.
platform::RemoveFault ClearPageFile(RunEnv& env, const std::string& path) {
  platform::RemoveFault fault = platform::RemoveFault::kNone;
  TryWhileHeld(env, [&] {
    fault = env.RemoveFile(path, {});
    return fault == platform::RemoveFault::kNone || fault == platform::RemoveFault::kFolder;
  });
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

// What the lookup of one code gave.
struct CodeLookup {
  CodeOutcome outcome = CodeOutcome::kFound;
  std::string line;   // the output line, for kFound
  std::string title;  // the book's title and volume, for kFound
  std::string key;    // the search key the host's check returned
  std::string url;    // the address asked for last
  // What went wrong, for the log: the page's file and why, for
  // kPageFileInTheWay and kPageFileUnreadable; the address and the size, for
  // kPageTooLarge; what failed, for kLookupFailed.
  std::string fault;
  size_t markers_found = 0;   // known markers on the detail page
  bool product_name = false;  // the detail page's product name was read
  bool connected = false;     // the connection test passed
};

// Has the host download `url` into `path` once nothing stands there, so
// that a failed download is never mistaken for the page (a host may leave
// the previous file in place); whether it came is told by reading it.
// False, with the file and why in `result`, when the file will not go.
bool Download(RunEnv& env, const HostApi& host, const std::string& path, const std::string& url,
              CodeLookup& result) {
  const platform::RemoveFault fault = ClearPageFile(env, path);
  if (fault != platform::RemoveFault::kNone) {
    result.fault = path + std::string(PageFileFaultText(fault));
    return false;
  }
  host.HTTPDownloadFunc()(path.c_str(), url.c_str());
  return true;
}

// Whether the page the host saved at `path` is small enough to be a page of
// the site's; the address and its size in `result` when it is not.
bool PageFits(RunEnv& env, const std::string& path, CodeLookup& result) {
  uint64_t size = 0;
  if (!env.FileSize(path, size) || size <= kLargestPage) return true;
  result.fault =
      result.url + std::string(kLogPageSizeOpen) + std::to_string(size) + std::string(kLogPageSize);
  return false;
}

// What a page whose read failed turned out to be.
enum class PageAgain {
  kRead,    // read when tried again
  kGone,    // nothing stands there: the page did not come
  kHeld,    // a file stands that cannot be read, also after about a second
  kNoPage,  // a file stands and can be read, but it gives no page
};

// After `read` of the page at `path` failed: tries it again for about a
// second while a file stands there that cannot be read (a scanner holds a
// new file for a moment). The file and why in `result` for kHeld.
template <typename Read>
PageAgain ReadPageAgain(RunEnv& env, const std::string& path, CodeLookup& result, Read read) {
  std::string probe;
  for (int attempt = 1; env.FileExists(path); ++attempt) {
    if (env.ReadFilePart(path, 0, 1, probe)) return PageAgain::kNoPage;
    if (attempt == kHeldAttempts) {
      result.fault = path + std::string(kPageFileUnreadableWhy);
      return PageAgain::kHeld;
    }
    env.SleepFor(kHeldPauseMilliseconds);
    if (read()) return PageAgain::kRead;
  }
  return PageAgain::kGone;
}

// A file of the host's that stands but cannot be read is tried again for
// about a second, once a run; then the run goes on without it and says so.
// `load` reads it and tells whether it could.
template <typename Load>
void ReadOrNote(ActiveRun& run, const std::string& path, std::string_view lacks, Load load) {
  if (run.KnownUnreadable(path)) {
    load();
    return;
  }
  if (!TryWhileHeld(run.env, load)) run.NoteUnreadable(path, lacks);
}

// The host's three dictionaries, each read when it may have changed.
void LoadDictionaries(ActiveRun& run, BookRecord& record) {
  Dictionaries& dictionaries = run.state.dictionaries;
  RunEnv& env = run.env;
  const std::string& dir = run.data_dir;
  auto read = [](DictionaryLoad load) { return load != DictionaryLoad::kUnreadable; };
  ReadOrNote(run, dir + std::string(kAuthorDictionaryFile), kLacksAuthorReadings,
             [&] { return read(LoadAuthorDictionary(env, dictionaries, dir)); });
  ReadOrNote(run, dir + std::string(kPublisherDictionaryFile), kLacksPublishers,
             [&] { return read(LookupPublisherByCode(env, dictionaries, dir, record)); });
  ReadOrNote(run, dir + std::string(kLabelDictionaryFile), kLacksLabels,
             [&] { return read(LoadLabelDictionary(env, dictionaries, dir)); });
}

// "Setting.ini" is read again for every code, since the host may change it
// during a run.
void FillFromSettings(ActiveRun& run, BookRecord& record) {
  RunEnv& env = run.env;
  const std::string& path = run.host_settings_path;
  struct Fill {
    std::string& field;
    std::string_view key, fallback;
  };
  const std::array<Fill, 4> fills{{{record.PurchaseState, kPurchaseStateKey, kPurchaseStateDefault},
                                   {record.TaxSetting, kTaxSettingKey, "0"},
                                   {record.TaxSetting2, kTaxSettingKey, "0"},
                                   {record.ReadState, kReadStateKey, kReadStateDefault}}};
  std::array<ProfileQuery, 4> queries;
  std::array<std::string*, 4> fields{};
  size_t asked = 0;
  for (const Fill& fill : fills) {
    if (!fill.field.empty()) continue;
    queries[asked].key = fill.key;
    queries[asked].fallback = fill.fallback;
    fields[asked++] = &fill.field;
  }
  if (asked == 0) return;
  // A file that stands but cannot be read gives the defaults, as a missing
  // one does: it is looked at first.
  std::string probe;
  ReadOrNote(run, path, kLacksSettings,
             [&] { return env.ReadFilePart(path, 0, 1, probe) || !env.FileExists(path); });
  env.ReadProfile(path, kSettingsSection, std::span(queries.data(), asked));
  for (size_t i = 0; i < asked; ++i) *fields[i] = std::move(queries[i].value);
}

// The steps of LookupCode: the outcome, the rest in `result`.
CodeOutcome LookupCodeSteps(ActiveRun& run, std::string_view code_line, BookRecord& record,
                            CodeLookup& result) {
  Dictionaries& dictionaries = run.state.dictionaries;
  const std::string& site = run.settings.site_base_url;
  record.Code = std::string(code_line);
  // A missing or unreadable dictionary is an empty one: the lookup goes on
  // without what it would have given.
  LoadDictionaries(run, record);
  if (code_line.size() == 18) SplitEighteenByteCode(code_line, record);

  const char* key = run.host.ISBNChkFunc()(record.Code.c_str());
  result.key = key != nullptr ? std::string(key) : std::string();
  if (result.key.empty()) return CodeOutcome::kInvalidCode;

  const std::string search_url = site + std::string(kSearchPath) + result.key;
  result.url = search_url;
  if ((run.host.InternetConnectFunc()(search_url.c_str()) & 0xFF) == 0)
    return CodeOutcome::kNoConnection;
  result.connected = true;

  const std::string page_path = run.data_dir + std::string(kTempPageName);
  std::string page;
  if (!Download(run.env, run.host, page_path, search_url, result))
    return CodeOutcome::kPageFileInTheWay;
  if (!PageFits(run.env, page_path, result)) return CodeOutcome::kPageTooLarge;
  auto read = [&] { return run.env.ReadWholeFile(page_path, page); };
  if (!read()) {
    const PageAgain again = ReadPageAgain(run.env, page_path, result, read);
    if (again == PageAgain::kHeld) return CodeOutcome::kPageFileUnreadable;
    if (again != PageAgain::kRead) return CodeOutcome::kSearchNotDownloaded;
  }
  const std::string id = FindDetailId(page);
  page.clear();
  page.shrink_to_fit();
  if (id.empty()) return CodeOutcome::kNotOnSite;

  record.PageUrl = site + std::string(kDetailPath) + id;
  result.url = record.PageUrl;
  if (!Download(run.env, run.host, page_path, record.PageUrl, result))
    return CodeOutcome::kPageFileInTheWay;
  if (!PageFits(run.env, page_path, result)) return CodeOutcome::kPageTooLarge;
  // The parse fails for a page that a stop cut short as for one it cannot
  // use, and for a missing or held page; only then is it asked which.
  auto parse = [&] {
    return ParseDetailPage(run.env, page_path, site, dictionaries.authors, run.state.page_work,
                           record, &result.markers_found, &result.product_name);
  };
  if (!parse()) {
    if (run.state.stop_requested) return CodeOutcome::kStopped;
    switch (ReadPageAgain(run.env, page_path, result, parse)) {
      case PageAgain::kRead:
        break;
      case PageAgain::kGone:
        return CodeOutcome::kDetailNotDownloaded;
      case PageAgain::kHeld:
        return CodeOutcome::kPageFileUnreadable;
      case PageAgain::kNoPage:
        return run.state.stop_requested ? CodeOutcome::kStopped : CodeOutcome::kDetailNotReadable;
    }
  }
  // A page without a single known marker (the site's pages changed, or a
  // notice came in the page's place) holds no book, nor does one without
  // the product name (an "item unavailable" page with a picture): nothing
  // to import.
  if (result.markers_found == 0 || !result.product_name) return CodeOutcome::kDetailNotReadable;
  if (record.Code.size() == 26) CompleteTwentySixByteCode(record);
  LookupLabel(dictionaries, record);
  FillFromSettings(run, record);
  result.line = BuildOutputLine(record);
  result.title = record.Title;
  if (!record.Volume.empty()) result.title += " " + record.Volume;
  return CodeOutcome::kFound;
}

// Looks up one code line on the run's site. The code list's line is not
// kept: the search key that takes its place is only ever used for this
// code's search.
// Anything thrown meanwhile, running out of memory included, ends this
// code alone.
CodeLookup LookupCode(ActiveRun& run, std::string_view code_line) {
  CodeLookup result;
  try {
    BookRecord record;
    result.outcome = LookupCodeSteps(run, code_line, record, result);
  } catch (const std::exception& failure) {
    result.outcome = CodeOutcome::kLookupFailed;
    result.fault = failure.what();
  } catch (...) {
    result.outcome = CodeOutcome::kLookupFailed;
    result.fault.clear();
  }
  return result;
}

// Releases what a run holds, however the run ends.
struct RunCleanup {
  ActiveRun& run;
  ~RunCleanup() {
    FreeAuthorDictionary(run.state.dictionaries);
    FreePublisherDictionary(run.state.dictionaries);
  }
};

// The files that neither the log nor the list of codes to try again may
// ever be.
std::vector<std::string> KeptFiles(ActiveRun& run, const std::string& output_path,
                                   const std::string& settings_path) {
  return {output_path,
          run.data_dir + std::string(kAuthorDictionaryFile),
          run.data_dir + std::string(kPublisherDictionaryFile),
          run.data_dir + std::string(kLabelDictionaryFile),
          run.data_dir + std::string(kTempPageName),
          run.host_settings_path,
          settings_path,
          run.env.PluginPath()};
}

// Opens the log that the settings name, unless it is refused: the refusal
// is shown when `show_refusal` (a run that goes on says it once).
void OpenLog(ActiveRun& run, const std::string& output_path, const std::string& settings_path,
             bool show_refusal) {
  const std::string& log_path = run.settings.log_path;
  if (log_path.empty()) return;
  std::string refusal = LogPathFaultMessage(
      CheckLogPath(run.env, log_path, KeptFiles(run, output_path, settings_path)), log_path);
  if (refusal.empty() && !run.log.Open(log_path)) refusal = kLogNotALogMessage;
  if (!refusal.empty() && show_refusal)
    run.env.ShowMessage(MessageKind::kPluginError, settings_path, refusal);
}

// True when `path` is one of `files`.
bool IsOneOf(RunEnv& env, const std::string& path, const std::vector<std::string>& files) {
  for (const std::string& file : files)
    if (env.SameFile(path, file)) return true;
  return false;
}

// Writes the codes to try again, one a line as the host gave them, whole,
// into the data directory: the host's folder of this catalogue, which the
// run writes its pages to. Never a file of the run's or the host's. A run
// that has none removes the list of an earlier run; a list that an earlier
// run left beside the log goes too.
RetryList WriteRetryList(ActiveRun& run, const std::string& output_path,
                         const std::string& settings_path,
                         const std::vector<std::string_view>& codes, uint32_t process_id) {
  RetryList list;
  if (run.data_dir.empty()) return list;
  std::vector<std::string> kept = KeptFiles(run, output_path, settings_path);
  const std::string& log_path = run.settings.log_path;
  if (!log_path.empty()) {
    kept.push_back(log_path);
    kept.push_back(log_path + ".old");
  }
  const std::string path = run.data_dir + std::string(kRetryListFileName);
  if (IsOneOf(run.env, path, kept)) return list;
  if (!log_path.empty()) {
    const std::string beside_log = platform::FolderOf(log_path) + std::string(kRetryListFileName);
    if (!run.env.SameFile(beside_log, path) && !IsOneOf(run.env, beside_log, kept))
      RemoveOwnFile(run.env, beside_log, process_id);
  }
  if (codes.empty()) {
    RemoveOwnFile(run.env, path, process_id);
    return list;
  }
  list.path = path;
  list.written = ReplaceFileWhole(run.env, path, WithLineEnds(codes), process_id);
  return list;
}

// Where the books stay that the import file could not take: a file of this
// run's own beside the list of codes to try again, named by the run's start
// and the host's process ("kanadeya-books-20261207-140503-1234.csv"). No run
// removes it.
std::string KeptBooksPath(const ActiveRun& run, const std::string& output_path,
                          std::string_view started, uint32_t process_id) {
  std::string stamp;
  for (char c : started)
    if (c >= '0' && c <= '9') stamp += c;
  if (stamp.size() > 8) stamp.insert(8, "-");
  const std::string folder = run.data_dir.empty() ? platform::FolderOf(output_path) : run.data_dir;
  return folder + std::string(kKeptBooksFilePrefix) + stamp + "-" + std::to_string(process_id) +
         std::string(kKeptBooksFileEnd);
}

// Keeps the books whose import file could not be put in place at `path`:
// the finished file moved there, or `contents` written anew. False when
// nothing could be written.
bool KeepBooks(RunEnv& env, const std::string& path, const WholeWrite& write,
               std::string_view contents) {
  if (!write.finished.empty() && env.RenameReplacing(write.finished, path)) return true;
  const bool kept = env.WriteNewFile(path, contents) == platform::NewFileWrite::kWritten;
  if (!write.finished.empty()) env.RemoveFile(write.finished, {});
  return kept;
}

// The message of a run whose books found did not reach the import file.
std::string BooksNotImportedText(const std::string& output_path, const WholeWrite& write,
                                 size_t books, const RunSummary& summary, bool listed) {
  std::string text = write.result == WholeWrite::kPathTooLong
                         ? std::string(kImportPathTooLong) + "\r\n" + output_path
                         : std::string(kOutputNotWrittenMessage) + "\r\n" + output_path;
  text += "\r\n" + std::string(kBooksNotImported) + std::to_string(books) +
          std::string(kBooksNotImportedEnd);
  text += summary.kept_books_written ? std::string(kBooksKeptIn) + "\r\n" + summary.kept_books
                                     : std::string(kBooksNotKept);
  if (listed) text += "\r\n" + std::string(kBooksKeptCodes);
  return text;
}

// Takes the data folder's lock, trying for about a second while another
// run holds it, so that two hosts never download into one "Temp.html".
platform::LockResult LockDataFolder(RunEnv& env, const std::string& data_dir,
                                    std::unique_ptr<HeldLock>& lock) {
  const std::string path = data_dir + std::string(kDataLockFileName);
  platform::LockResult result = platform::LockResult::kInUse;
  TryWhileHeld(env, [&] {
    result = env.TakeLock(path, lock);
    return result != platform::LockResult::kInUse;
  });
  return result;
}

// The note that ends the last message of a run that leaves the earlier
// import file as it was (it could be neither removed nor emptied): the host
// would import that run's books as this one's. Empty otherwise; a file that
// stood at the start is tried once more.
std::string OldOutputNote(RunEnv& env, const std::string& output_path, uint32_t process_id,
                          bool& cleared) {
  if (!cleared) cleared = ClearImportFile(env, output_path, process_id);
  if (cleared) return {};
  return "\r\n\r\n" + output_path + "\r\n" + std::string(kOldImportFileStandsMessage);
}

}  // namespace

void RunLookup(PluginState& state, RunEnv& env, const char* data_dir, const char* output_file,
               const char* codes_text) {
  const std::string output_path = output_file != nullptr ? output_file : "";
  const uint32_t process_id = env.ProcessId();
  // The earlier run's import file goes first, so that however this run
  // ends the host never imports that run's books as this one's.
  bool old_output_cleared = ClearImportFile(env, output_path, process_id);
  if (codes_text == nullptr || *codes_text == '\0') {
    env.ShowMessage(MessageKind::kPlain, {},
                    std::string(kNoCodesMessage) +
                        OldOutputNote(env, output_path, process_id, old_output_cleared));
    return;
  }

  ActiveRun run(state, env, data_dir != nullptr ? data_dir : "");
  // The code list is read line by line from the host's text, which lives
  // through the call; only its line count is needed up front.
  const std::string_view codes(codes_text);
  const size_t count = CountTextLines(codes);
  LineReader reader(codes);
  const RunCleanup cleanup{run};
  // One run at a time in a data folder: before anything there is touched.
  std::unique_ptr<HeldLock> data_lock;
  const platform::LockResult lock = LockDataFolder(env, run.data_dir, data_lock);
  if (lock == platform::LockResult::kInUse) {
    env.ShowMessage(MessageKind::kPluginError, run.data_dir,
                    std::string(kDataFolderInUseMessage) +
                        OldOutputNote(env, output_path, process_id, old_output_cleared));
    return;
  }
  const HostBinding binding = env.BindHost(run.host);
  if (!binding.missing_program.empty())
    env.ShowMessage(MessageKind::kHostError, binding.missing_program, kHostMissingSuffix);
  if (!binding.bound) {
    env.ShowMessage(MessageKind::kHostError, {},
                    std::string(kHostFunctionMissingMessage) +
                        OldOutputNote(env, output_path, process_id, old_output_cleared));
    return;
  }

  const std::string folder = platform::FolderOf(env.PluginPath());
  const std::string settings_path = folder + std::string(kPluginSettingsFileName);
  const std::string settings_fault = ReadPluginSettings(env, folder, SiteBaseUrl, run.settings);
  // A run that cannot go on shows why it cannot, and only that.
  OpenLog(run, output_path, settings_path, settings_fault.empty());
  RunSummary summary;
  RunTally& tally = summary.tally;
  tally.given = CountCodes(codes);
  const std::string started = env.LocalDateTime();
  run.log.Start(started, process_id, run.settings.site_base_url, tally.given);
  if (!settings_fault.empty()) {
    run.log.Refused(std::string(kPluginSettingsFileName) +
                    settings_fault.substr(0, settings_fault.find('\r')));
    env.ShowMessage(
        MessageKind::kPluginError, settings_path,
        settings_fault + OldOutputNote(env, output_path, process_id, old_output_cleared));
    return;
  }
  if (lock == platform::LockResult::kCannotMake)
    run.log.Note(std::string(kLogDataFolderLockNotMade) + run.data_dir +
                 std::string(kDataLockFileName));
  // A stop ends the run it was asked in, and no later one.
  state.stop_requested = false;
  env.CreateWaitWindow(run.settings.show_window, state.stop_requested);
  struct HiddenAtTheEnd {
    RunEnv& env;
    ~HiddenAtTheEnd() { env.HideWaitWindow(); }
  } hidden_at_the_end{env};

  summary.output_path = output_path;
  // Every code as the host gave it, in the list's order (pointing into the
  // host's text), and whether it gave a book.
  std::vector<std::pair<std::string_view, bool>> listed;
  std::vector<InvalidCode> invalid;
  // The first code of each search key, so that a repeat is noted.
  std::unordered_map<std::string, size_t> first_with_key;
  std::string lost_url;
  bool site_answered = false;  // a connection test passed before the one that failed
  bool ended_early = false;    // a stop, a lost connection or a failure
  std::string_view code_line;
  std::optional<std::string> failure_what;  // what ended the run by failing
  // The code the run is at until it is listed: a run that ends there, by a
  // stop, a lost connection or a failure, lists it as never reached.
  std::string_view pending_code;
  try {
    for (size_t i = 0; i < count && reader.Next(code_line); ++i) {
      const bool blank = IsBlankLine(code_line);
      pending_code = blank ? std::string_view() : code_line;
      if (blank)
        env.ReportProgress(0, 0);
      else
        env.ReportProgress(static_cast<int>(tally.looked_at + 1), static_cast<int>(tally.given));
      if (state.stop_requested) {
        run.log.Stopped(tally.looked_at + 1);
        ended_early = true;
        break;
      }
      CodeLookup result = LookupCode(run, code_line);
      const CodeOutcome outcome = result.outcome;
      if (outcome == CodeOutcome::kFound) run.output.push_back(std::move(result.line));
      const bool lost = outcome == CodeOutcome::kNoConnection;
      if (blank && lost) {
        summary.lost_from = tally.looked_at + 1;
        lost_url = result.url;
        ended_early = true;
        break;
      }
      site_answered = site_answered || (result.connected && !lost);
      if (blank) continue;
      // The code whose connection test failed was not looked up: it is
      // counted with those never reached.
      if (!lost) listed.emplace_back(code_line, outcome == CodeOutcome::kFound);
      pending_code = lost ? code_line : std::string_view();
      const size_t position = tally.looked_at + 1;
      if (!lost) tally.Add(outcome);
      if (outcome == CodeOutcome::kInvalidCode && invalid.size() < kInvalidCodesNamed)
        invalid.push_back({code_line, FindCodeSlip(code_line)});
      CodeReport report;
      report.position = position;
      report.code = code_line;
      report.key = result.key;
      report.outcome = outcome;
      report.detail = outcome == CodeOutcome::kFound ? std::string_view(result.title)
                      : result.fault.empty()         ? std::string_view(result.url)
                                                     : std::string_view(result.fault);
      report.slip = FindCodeSlip(code_line);
      if (!result.key.empty()) {
        const auto [first, fresh] = first_with_key.try_emplace(result.key, position);
        if (!fresh) report.same_book_as = first->second;
      }
      run.log.Code(report);
      if (lost) {
        summary.lost_from = position;
        lost_url = result.url;
      }
      if (lost || outcome == CodeOutcome::kStopped) {
        ended_early = true;
        break;
      }
    }
  } catch (const std::exception& failure) {
    failure_what = failure.what();
  } catch (...) {
    failure_what = "";
  }
  if (failure_what) {
    // Whatever escaped a code ends the run as a stop does: the books found
    // are written, the code and those after it are to be tried again.
    ended_early = true;
    run.log.EndedByError(tally.looked_at + 1, *failure_what);
  }
  // A stop asked for during the last code: every code was looked up.
  env.ReportProgress(0, 0);
  if (!ended_early && state.stop_requested) run.log.StoppedAfterTheLast();
  // The code the run ended at, and the codes never reached.
  if (ended_early && !pending_code.empty()) {
    listed.emplace_back(pending_code, false);
    tally.AddNotReached();
  }
  while (ended_early && reader.Next(code_line)) {
    if (IsBlankLine(code_line)) continue;
    listed.emplace_back(code_line, false);
    tally.AddNotReached();
  }
  env.HideWaitWindow();

  const std::string contents = WithLineEnds(run.output);
  run.output.clear();
  run.output.shrink_to_fit();
  WholeWrite write;
  if (!output_path.empty()) write = WriteFileWhole(env, output_path, contents, process_id);
  summary.output_written = write.result == WholeWrite::kPlaced;
  const size_t books = tally.found();
  if (summary.output_written) {
    summary.written = books;
  } else if (books > 0) {
    summary.kept_books = KeptBooksPath(run, output_path, started, process_id);
    summary.kept_books_written = KeepBooks(env, summary.kept_books, write, contents);
  } else if (write.result == WholeWrite::kNotPlaced) {
    env.RemoveFile(write.finished, {});
  }
  const std::string note =
      summary.output_written ? "" : OldOutputNote(env, output_path, process_id, old_output_cleared);
  summary.old_output_stands = !note.empty();
  // The codes to try again: those that gave no book, and those whose book
  // did not reach the import file.
  std::vector<std::string_view> retry;
  for (const auto& [code, book] : listed)
    if (!book || !summary.output_written) retry.push_back(code);
  const RetryList list = WriteRetryList(run, output_path, settings_path, retry, process_id);
  summary.retry_list = list.path;
  summary.retry_list_written = list.written;
  run.log.Finish(summary);
  // Another run may use the data folder while this one's message waits.
  data_lock.reset();

  // One message at the end: what failed, then the report.
  std::string failure;
  auto add = [&failure](const std::string& text) {
    if (!failure.empty()) failure += "\r\n\r\n";
    failure += text;
  };
  if (summary.lost_from != 0)
    add(LostConnectionText(lost_url, summary.written, summary.lost_from, site_answered));
  if (failure_what)
    add(std::string(kRunEndedByErrorMessage) +
        (failure_what->empty() ? "" : "\r\n" + *failure_what) + "\r\n" +
        std::to_string(tally.looked_at + 1) + std::string(kRunEndedByErrorFromEnd));
  if (!summary.output_written) {
    if (books > 0)
      add(BooksNotImportedText(output_path, write, books, summary, list.written) + note);
    else
      add(std::string(kOutputNotWrittenMessage) +
          (note.empty() ? "\r\n" + output_path : note.substr(2)));
  }
  const bool report = run.settings.show_report && tally.given > 0 &&
                      (!tally.AllFound() || !summary.output_written || !run.unreadable.empty());
  ReportNotes notes;
  notes.list = list;
  notes.log_path = run.log.enabled() || run.log.given_up() ? run.settings.log_path : "";
  notes.log_given_up = run.log.given_up();
  notes.invalid = std::move(invalid);
  notes.unreadable = run.unreadable;
  const std::string report_text = report ? ReportText(summary, notes) : "";
  if (!failure.empty())
    env.ShowMessage(MessageKind::kPluginError, {},
                    failure + (report_text.empty() ? "" : "\r\n\r\n" + report_text));
  else if (!report_text.empty())
    env.ShowMessage(MessageKind::kReport, {}, report_text);
}

void RunLookupShowingFailures(PluginState& state, RunEnv& env, const char* data_dir,
                              const char* output_file, const char* codes) noexcept {
  // The run has already cleaned up when a failure arrives here; no output
  // file was written. Tell the user what failed.
  try {
    RunLookup(state, env, data_dir, output_file, codes);
  } catch (const std::exception& failure) {
    try {
      env.ShowMessage(MessageKind::kHostError, {},
                      std::string(kRunFailedMessage) + "\r\n" + failure.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      env.ShowMessage(MessageKind::kHostError, {}, kRunFailedMessage);
    } catch (...) {
    }
  }
}

}  // namespace kanadeya
