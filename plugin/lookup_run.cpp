#include "plugin/lookup_run.h"

#include <algorithm>
#include <utility>

#include "platform/paths.h"
#include "plugin/lookup_driver.h"
#include "plugin/system_texts.h"
#include "record/dictionaries.h"
#include "record/system_texts.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// Takes the data folder's lock, trying for about a second while another
// run or another program holds it, so that two hosts never download into
// one "Temp.html" nor write one import file.
platform::LockResult LockDataFolder(RunEnv& env, const std::string& path,
                                    std::unique_ptr<HeldLock>& lock) {
  platform::LockResult result = platform::LockResult::kInUse;
  TryWhileHeld(env, [&] {
    result = env.TakeLock(path, lock);
    return result != platform::LockResult::kInUse && result != platform::LockResult::kHeld;
  });
  return result;
}

// The longest record of an import file's path that is read back.
constexpr size_t kLongestLockRecord = 4096;

}  // namespace

LookupRun::LookupRun(PluginState& plugin_state, RunEnv& run_env, const char* data_directory,
                     const char* output_file, const char* codes_text)
    : state(plugin_state),
      env(run_env),
      output_path(output_file != nullptr ? output_file : ""),
      data_dir(data_directory != nullptr ? data_directory : ""),
      codes(codes_text != nullptr ? codes_text : ""),
      process_id(run_env.ProcessId()),
      log(run_env) {}

LookupRun::~LookupRun() {
  FreeAuthorDictionary(state.dictionaries);
  FreePublisherDictionary(state.dictionaries);
}

void LookupRun::Refuse(MessageKind kind, const std::string& path, std::string text) {
  env.ShowMessage(kind, path, text + OldOutputNote());
}

bool LookupRun::Begin() {
  // A data folder whose path leaves no room for the run's names is used
  // for nothing, its lock included.
  if (const size_t room = DataFolderRoom(); data_dir.size() > room) {
    Refuse(MessageKind::kPluginError, data_dir,
           std::string(kDataFolderPathTooLong) + std::to_string(room) +
               std::string(kDataFolderPathTooLongEnd));
    return false;
  }
  // One run at a time in a data folder, from before anything there or the
  // import file is touched until the run's last message is answered. The
  // lock's file records the import file, for a run that finds it held.
  lock_result = LockDataFolder(env, LockPath(), lock);
  if (lock_result == platform::LockResult::kInUse) {
    RefuseInUse();
    return false;
  }
  if (lock) lock->Record(output_path + "\r\n");
  // The earlier run's import file goes first, so that however this run
  // ends the host never imports that run's books as this one's.
  old_output_cleared = ClearImportFile(env, output_path, process_id);
  if (codes.empty()) {
    Refuse(MessageKind::kPlain, {}, std::string(kNoCodesMessage));
    return false;
  }
  host_settings_path = env.HostProgramFolder() + std::string(kSettingsFileName);
  binding = env.BindHost(host);
  if (!binding.missing_program.empty())
    env.ShowMessage(MessageKind::kHostError, binding.missing_program, kHostMissingSuffix);
  if (!binding.bound) {
    Refuse(MessageKind::kHostError, {}, std::string(kHostFunctionMissingMessage));
    return false;
  }
  const std::string folder = platform::FolderOf(env.PluginPath());
  plugin_settings_path = folder + std::string(kPluginSettingsFileName);
  // A file that another program holds for a moment is tried again.
  SettingsFault fault;
  TryWhileHeld(env, [&] {
    fault = ReadPluginSettings(env, folder, SiteBaseUrl, settings);
    return fault.kind != SettingsFault::kUnreadable;
  });
  const std::string settings_fault = SettingsFaultMessage(fault, settings);
  // A run that cannot go on shows why it cannot, and only that.
  OpenLog(settings_fault.empty());
  started = env.LocalDateTime();
  code_count = CountCodes(codes);
  log.Start(started, process_id, settings.site_base_url, code_count);
  if (!settings_fault.empty()) {
    log.Refused(std::string(kPluginSettingsFileName) + SettingsFaultLogText(fault, settings));
    Refuse(MessageKind::kPluginError, plugin_settings_path, settings_fault);
    return false;
  }
  if (!lock) log.Note(std::string(kLogDataFolderLockNotMade) + LockPath());
  return true;
}

size_t LookupRun::DataFolderRoom() const {
  // The longest names the run may make there: the list's file being
  // written, and a file that keeps books.
  const size_t longest =
      std::max({kDataLockFileName.size(), kTempPageName.size(),
                LongestWritingName(std::string(kRetryListFileName), process_id).size(),
                LongestKeptBooksName(process_id).size(), LongestJournalName(process_id).size()});
  const size_t limit = platform::MaxPathBytes();
  return limit > longest ? limit - longest : 0;
}

std::string LookupRun::LockPath() const { return data_dir + std::string(kDataLockFileName); }

// Another run holds the data folder. Its import file, which its lock's file
// records, is left as it is: where this run's is the same, or the record
// cannot be read whole, this run's is left too, and the user told that this
// window imports the other run's books as well.
void LookupRun::RefuseInUse() {
  std::string record;
  const bool whole = env.ReadFilePart(LockPath(), 1, kLongestLockRecord, record).ok() &&
                     record.size() >= 2 && record.ends_with("\r\n");
  if (!output_path.empty() &&
      (!whole || env.SameFile(record.substr(0, record.size() - 2), output_path))) {
    env.ShowMessage(MessageKind::kPluginError, data_dir,
                    std::string(kDataFolderInUseMessage) + "\r\n\r\n" + output_path + "\r\n" +
                        std::string(kImportFileIsTheOthers));
    return;
  }
  old_output_cleared = ClearImportFile(env, output_path, process_id);
  Refuse(MessageKind::kPluginError, data_dir, std::string(kDataFolderInUseMessage));
}

// What the last message says of a lock that could not be taken for any
// reason but another run: empty when the run holds it.
std::string LookupRun::LockNote() const {
  std::string_view cause = kLockCauseOther, remedy = kLockRemedyOther;
  switch (lock_result) {
    case platform::LockResult::kLocked:
    case platform::LockResult::kInUse:
      return {};
    case platform::LockResult::kHeld:
      cause = kLockCauseHeld, remedy = kLockRemedyHeld;
      break;
    case platform::LockResult::kDenied:
      cause = kLockCauseDenied, remedy = kLockRemedyDenied;
      break;
    case platform::LockResult::kFolder:
      cause = kLockCauseFolder, remedy = kLockRemedyFolder;
      break;
    case platform::LockResult::kLink:
      cause = kLockCauseLink, remedy = kLockRemedyLink;
      break;
    case platform::LockResult::kCannotMake:
      break;
  }
  return LockPath() + "\r\n" + std::string(kLockNotUsable) + std::string(cause) +
         std::string(kLockRisk) + "\r\n" + std::string(remedy);
}

std::vector<std::string> LookupRun::FilesNeverWritten() {
  return {output_path,
          data_dir + std::string(kAuthorDictionaryFile),
          data_dir + std::string(kPublisherDictionaryFile),
          data_dir + std::string(kLabelDictionaryFile),
          data_dir + std::string(kTempPageName),
          host_settings_path,
          plugin_settings_path,
          env.PluginPath()};
}

// Opens the log that the settings name, unless it is refused: the refusal
// is shown when `show_refusal` (a run that goes on says it once).
void LookupRun::OpenLog(bool show_refusal) {
  const std::string& log_path = settings.log_path;
  if (log_path.empty()) return;
  std::string refusal =
      LogPathFaultMessage(CheckLogPath(env, log_path, FilesNeverWritten()), log_path);
  if (refusal.empty() && !log.Open(log_path)) refusal = kLogNotALogMessage;
  if (!refusal.empty() && show_refusal)
    env.ShowMessage(MessageKind::kPluginError, plugin_settings_path, refusal);
}

std::string LookupRun::OldOutputNote() {
  if (!old_output_cleared) old_output_cleared = ClearImportFile(env, output_path, process_id);
  return old_output_cleared ? std::string() : OldImportFileNote(output_path);
}

void LookupRun::Tell(const RunOutcomes& outcomes, const Delivery& delivery) {
  RunSummary summary;
  summary.tally = outcomes.tally;
  summary.written = delivery.written;
  summary.output_path = output_path;
  summary.output_written = delivery.output_written;
  summary.kept_books = delivery.kept_books;
  summary.kept_books_written = !delivery.kept_books.empty() && delivery.kept_fault.ok();
  summary.lost_from = outcomes.lost_from;
  summary.old_output_stands = !delivery.old_output_note.empty();
  summary.retry_list = delivery.list.path;
  summary.retry_list_written = delivery.list.written;
  log.Finish(summary);

  ClosingParagraphs message;
  if (outcomes.lost_from != 0)
    message.Add(LostConnectionText(outcomes.lost_url, delivery.written, outcomes.lost_from,
                                   outcomes.site_answered));
  if (outcomes.failure)
    message.Add(RunEndedByErrorText(*outcomes.failure, outcomes.tally.looked_at + 1));
  if (!delivery.output_written)
    message.Add(OutputNotWrittenText(output_path, delivery.write, summary, delivery.kept_fault,
                                     delivery.list.written, delivery.old_output_note));
  const RunTally& tally = outcomes.tally;
  const bool report = settings.show_report && tally.given > 0 &&
                      (!tally.AllFound() || !delivery.output_written || !unreadable.empty() ||
                       outcomes.several_count > 0);
  ReportNotes notes;
  notes.list = delivery.list;
  notes.log_path = log.enabled() || log.given_up() ? settings.log_path : "";
  notes.log_given_up = log.given_up();
  notes.invalid = outcomes.invalid;
  notes.several = outcomes.several;
  notes.several_count = outcomes.several_count;
  notes.unreadable = unreadable.files();
  const std::string report_text = report ? ReportText(summary, notes) : "";
  // The lock's note is said even when every code gave a book.
  const std::string lock_note = LockNote();
  const bool failed = !message.text.empty();
  if (!report_text.empty()) message.Add(report_text);
  const std::string taken_over = TakenOverText(outcomes.taken_over, delivery.earlier,
                                               delivery.journal_stays, settings.show_report);
  if (!taken_over.empty()) message.Add(taken_over);
  if (!lock_note.empty()) message.Add(lock_note);
  // The lock is held until the message is answered: the host imports the
  // file right after the run.
  if (!message.text.empty())
    env.ShowMessage(failed || !lock_note.empty() ? MessageKind::kPluginError : MessageKind::kReport,
                    {}, message.text);
}

}  // namespace kanadeya
