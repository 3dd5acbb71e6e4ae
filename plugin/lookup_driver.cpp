#include "plugin/lookup_driver.h"

#include <array>
#include <cstring>
#include <exception>
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

// "Setting.ini" is read again for every code, since the host may change it
// during a run.
void FillFromSettings(RunEnv& env, const std::string& path, BookRecord& record) {
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
  env.ReadProfile(path, kSettingsSection, std::span(queries.data(), asked));
  for (size_t i = 0; i < asked; ++i) *fields[i] = std::move(queries[i].value);
}

// How often, and how long apart, a page's file that will not go is tried
// again: a virus scanner or an indexer holds a new file for a moment.
constexpr int kClearAttempts = 10;
constexpr int kClearPauseMilliseconds = 100;

// Clears the page's file for a download: a page that an earlier download
// left there must never be read as this one's.
platform::RemoveFault ClearPageFile(RunEnv& env, const std::string& path) {
  platform::RemoveFault fault = env.RemoveFile(path);
  for (int attempt = 1; attempt < kClearAttempts && fault != platform::RemoveFault::kNone &&
                        fault != platform::RemoveFault::kFolder;
       ++attempt) {
    env.SleepFor(kClearPauseMilliseconds);
    fault = env.RemoveFile(path);
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

// What the lookup of one code gave.
struct CodeLookup {
  CodeOutcome outcome = CodeOutcome::kFound;
  std::string line;          // the output line, for kFound
  std::string title;         // the book's title and volume, for kFound
  std::string key;           // the search key the host's check returned
  std::string url;           // the address asked for last
  std::string in_the_way;    // for kPageFileInTheWay: the page's file and why it stays
  size_t markers_found = 0;  // known markers on the detail page
};

// Has the host download `url` into `path` once nothing stands there, so
// that a failed download is never mistaken for the page (a host may leave
// the previous file in place); whether it came is told by reading it.
// False, with the file and why in `result`, when the file will not go.
bool Download(RunEnv& env, const HostApi& host, const std::string& path, const std::string& url,
              CodeLookup& result) {
  const platform::RemoveFault fault = ClearPageFile(env, path);
  if (fault != platform::RemoveFault::kNone) {
    result.in_the_way = path + std::string(PageFileFaultText(fault));
    return false;
  }
  host.HTTPDownloadFunc()(path.c_str(), url.c_str());
  return true;
}

// The steps of LookupCode: the outcome, the rest in `result`.
CodeOutcome LookupCodeSteps(ActiveRun& run, std::string_view code_line, BookRecord& record,
                            CodeLookup& result) {
  Dictionaries& dictionaries = run.state.dictionaries;
  const std::string& site = run.settings.site_base_url;
  record.Code = std::string(code_line);
  // A missing or unreadable dictionary is an empty one: the lookup goes on
  // without what it would have given.
  LoadAuthorDictionary(run.env, dictionaries, run.data_dir);
  LookupPublisherByCode(run.env, dictionaries, run.data_dir, record);
  LoadLabelDictionary(run.env, dictionaries, run.data_dir);
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
  if (!Download(run.env, run.host, page_path, search_url, result))
    return CodeOutcome::kPageFileInTheWay;
  if (!run.env.ReadWholeFile(page_path, page)) return CodeOutcome::kSearchNotDownloaded;
  const std::string id = FindDetailId(page);
  page.clear();
  page.shrink_to_fit();
  if (id.empty()) return CodeOutcome::kNotOnSite;

  record.PageUrl = site + std::string(kDetailPath) + id;
  result.url = record.PageUrl;
  if (!Download(run.env, run.host, page_path, record.PageUrl, result))
    return CodeOutcome::kPageFileInTheWay;
  // The parse fails for a page that a stop cut short as for one it cannot
  // use, and for a missing page; only then is it asked which.
  if (!ParseDetailPage(run.env, page_path, site, dictionaries.authors, run.state.page_work, record,
                       &result.markers_found)) {
    if (run.state.stop_requested) return CodeOutcome::kStopped;
    return run.env.FileExists(page_path) ? CodeOutcome::kDetailNotReadable
                                         : CodeOutcome::kDetailNotDownloaded;
  }
  // A page without a single known marker (the site's pages changed, or a
  // notice came in the page's place) holds no book: nothing to import.
  if (result.markers_found == 0) return CodeOutcome::kDetailNotReadable;
  if (record.Code.size() == 26) CompleteTwentySixByteCode(record);
  LookupLabel(dictionaries, record);
  FillFromSettings(run.env, run.host_settings_path, record);
  result.line = BuildOutputLine(record);
  result.title = record.Title;
  if (!record.Volume.empty()) result.title += " " + record.Volume;
  return CodeOutcome::kFound;
}

// Looks up one code line on the run's site. The code list's line is not
// kept: the search key that takes its place is only ever used for this
// code's search.
CodeLookup LookupCode(ActiveRun& run, std::string_view code_line) {
  CodeLookup result;
  BookRecord record;
  result.outcome = LookupCodeSteps(run, code_line, record, result);
  return result;
}

// Releases what a run holds, however the run ends.
struct RunCleanup {
  ActiveRun& run;
  ~RunCleanup() {
    run.env.ReleaseHost(run.host);
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
  if (!refusal.empty() && show_refusal) run.env.ShowError(settings_path, refusal, kDisplayName);
}

// Where the list of codes to try again goes: beside the log, where the user
// already looks, or in the data directory when the run keeps none (the run
// writes its pages there, so it can be written). Never a file of the run's
// or the host's. Empty when there is no such place.
std::string RetryListPath(ActiveRun& run, const std::string& output_path,
                          const std::string& settings_path) {
  std::vector<std::string> kept = KeptFiles(run, output_path, settings_path);
  std::vector<std::string> folders;
  if (run.log.enabled()) {
    kept.push_back(run.settings.log_path);
    kept.push_back(run.settings.log_path + ".old");
    folders.push_back(platform::FolderOf(run.settings.log_path));
  }
  if (!run.data_dir.empty()) folders.push_back(run.data_dir);
  for (const std::string& folder : folders) {
    const std::string path = folder + std::string(kRetryListFileName);
    bool free = true;
    for (const std::string& file : kept) free = free && !run.env.SameFile(path, file);
    if (free) return path;
  }
  return {};
}

// Writes the codes to try again, one a line as the host gave them, whole;
// a run that has none removes the list of an earlier run.
RetryList WriteRetryList(ActiveRun& run, const std::string& output_path,
                         const std::string& settings_path,
                         const std::vector<std::string_view>& codes, uint32_t process_id) {
  RetryList list;
  const std::string path = RetryListPath(run, output_path, settings_path);
  if (path.empty()) return list;
  if (codes.empty()) {
    RemoveOwnFile(run.env, path, process_id);
    return list;
  }
  list.path = path;
  list.written = ReplaceFileWhole(run.env, path, WithLineEnds(codes), process_id);
  return list;
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
    env.ShowMessage(std::string(kNoCodesMessage) +
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
  const HostBinding binding = env.BindHost(run.host);
  if (!binding.missing_program.empty())
    env.ShowError(binding.missing_program, kHostMissingSuffix, {});
  if (!binding.bound) {
    env.ShowError({},
                  std::string(kHostFunctionMissingMessage) +
                      OldOutputNote(env, output_path, process_id, old_output_cleared),
                  {});
    return;
  }

  const std::string folder = env.PluginFolder();
  const std::string settings_path = folder + std::string(kPluginSettingsFileName);
  const std::string settings_fault = ReadPluginSettings(env, folder, SiteBaseUrl, run.settings);
  // A run that cannot go on shows why it cannot, and only that.
  OpenLog(run, output_path, settings_path, settings_fault.empty());
  RunSummary summary;
  RunTally& tally = summary.tally;
  tally.given = CountCodes(codes);
  run.log.Start(env.LocalDateTime(), process_id, run.settings.site_base_url, tally.given);
  if (!settings_fault.empty()) {
    run.log.Refused(std::string(kPluginSettingsFileName) +
                    settings_fault.substr(0, settings_fault.find('\r')));
    env.ShowError(settings_path,
                  settings_fault + OldOutputNote(env, output_path, process_id, old_output_cleared),
                  kDisplayName);
    return;
  }
  // A stop ends the run it was asked in, and no later one.
  state.stop_requested = false;
  env.CreateWaitWindow(run.settings.show_window, state.stop_requested);
  struct HiddenAtTheEnd {
    RunEnv& env;
    ~HiddenAtTheEnd() { env.HideWaitWindow(); }
  } hidden_at_the_end{env};

  summary.output_path = output_path;
  // The codes that gave no book, as the host gave them, in the list's order;
  // they point into the host's text.
  std::vector<std::string_view> retry;
  // The first code of each search key, so that a repeat is noted.
  std::unordered_map<std::string, size_t> first_with_key;
  std::string lost_url;
  bool ended_early = false;  // a stop, or a lost connection
  std::string_view code_line;
  for (size_t i = 0; i < count && reader.Next(code_line); ++i) {
    const bool blank = IsBlankLine(code_line);
    if (blank)
      env.ProcessWindowMessages();
    else
      env.ReportProgress(static_cast<int>(tally.looked_at + 1), static_cast<int>(tally.given));
    if (state.stop_requested) {
      run.log.Stopped(tally.looked_at + 1);
      if (!blank) {
        retry.push_back(code_line);
        tally.AddNotReached();
      }
      ended_early = true;
      break;
    }
    CodeLookup result = LookupCode(run, code_line);
    const CodeOutcome outcome = result.outcome;
    if (outcome == CodeOutcome::kFound) run.output.push_back(std::move(result.line));
    if (blank && outcome == CodeOutcome::kNoConnection) {
      summary.lost_from = tally.looked_at + 1;
      lost_url = result.url;
      ended_early = true;
      break;
    }
    if (blank) continue;
    tally.Add(outcome);
    // Among the codes, blank lines not counted.
    const size_t position = tally.looked_at;
    if (outcome != CodeOutcome::kFound) retry.push_back(code_line);
    CodeReport report;
    report.position = position;
    report.code = code_line;
    report.key = result.key;
    report.outcome = outcome;
    report.detail = outcome == CodeOutcome::kFound              ? result.title
                    : outcome == CodeOutcome::kPageFileInTheWay ? result.in_the_way
                                                                : result.url;
    report.slip = FindCodeSlip(code_line);
    if (!result.key.empty()) {
      const auto [first, fresh] = first_with_key.try_emplace(result.key, position);
      if (!fresh) report.same_book_as = first->second;
    }
    run.log.Code(report);
    if (outcome == CodeOutcome::kNoConnection) {
      summary.lost_from = position;
      lost_url = result.url;
    }
    if (outcome == CodeOutcome::kNoConnection || outcome == CodeOutcome::kStopped) {
      ended_early = true;
      break;
    }
  }
  // A stop asked for during the last code: every code was looked up.
  env.ProcessWindowMessages();
  if (!ended_early && state.stop_requested) run.log.StoppedAfterTheLast();
  // The codes never reached.
  while (ended_early && reader.Next(code_line)) {
    if (IsBlankLine(code_line)) continue;
    retry.push_back(code_line);
    tally.AddNotReached();
  }
  env.HideWaitWindow();

  summary.output_written = WriteImportFile(env, output_path, run.output, process_id);
  if (summary.output_written) summary.written = run.output.size();
  const std::string note =
      summary.output_written ? "" : OldOutputNote(env, output_path, process_id, old_output_cleared);
  summary.old_output_stands = !note.empty();
  const RetryList list = WriteRetryList(run, output_path, settings_path, retry, process_id);
  summary.retry_list = list.path;
  summary.retry_list_written = list.written;
  run.log.Finish(summary);

  // One message at the end: what failed, then the report.
  std::string failure;
  if (summary.lost_from != 0)
    failure = LostConnectionText(lost_url, summary.written, summary.lost_from);
  if (!summary.output_written) {
    if (!failure.empty()) failure += "\r\n\r\n";
    failure += std::string(kOutputNotWrittenMessage) +
               (note.empty() ? "\r\n" + output_path : note.substr(2));
  }
  const bool report =
      run.settings.show_report && tally.given > 0 && (!tally.AllFound() || !summary.output_written);
  const std::string report_text =
      report ? ReportText(tally, list, run.log.enabled() ? run.settings.log_path : "") : "";
  if (!failure.empty())
    env.ShowError({}, failure + (report_text.empty() ? "" : "\r\n\r\n" + report_text),
                  kDisplayName);
  else if (!report_text.empty())
    env.ShowReport(report_text);
}

void RunLookupShowingFailures(PluginState& state, RunEnv& env, const char* data_dir,
                              const char* output_file, const char* codes) noexcept {
  // The run has already cleaned up when a failure arrives here; no output
  // file was written. Tell the user what failed.
  try {
    RunLookup(state, env, data_dir, output_file, codes);
  } catch (const std::exception& failure) {
    try {
      env.ShowError({}, std::string(kRunFailedMessage) + "\r\n" + failure.what(), {});
    } catch (...) {
    }
  } catch (...) {
    try {
      env.ShowError({}, kRunFailedMessage, {});
    } catch (...) {
    }
  }
}

}  // namespace kanadeya
