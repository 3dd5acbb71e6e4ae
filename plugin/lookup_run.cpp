#include "plugin/lookup_run.h"

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
  // The earlier run's import file goes first, so that however this run
  // ends the host never imports that run's books as this one's.
  old_output_cleared = ClearImportFile(env, output_path, process_id);
  if (codes.empty()) {
    Refuse(MessageKind::kPlain, {}, std::string(kNoCodesMessage));
    return false;
  }
  host_settings_path = env.HostProgramFolder() + std::string(kSettingsFileName);
  // One run at a time in a data folder: before anything there is touched.
  lock_result = LockDataFolder(env, data_dir, lock);
  if (lock_result == platform::LockResult::kInUse) {
    Refuse(MessageKind::kPluginError, data_dir, std::string(kDataFolderInUseMessage));
    return false;
  }
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
    log.Refused(std::string(kPluginSettingsFileName) +
                settings_fault.substr(0, settings_fault.find('\r')));
    Refuse(MessageKind::kPluginError, plugin_settings_path, settings_fault);
    return false;
  }
  if (lock_result == platform::LockResult::kCannotMake)
    log.Note(std::string(kLogDataFolderLockNotMade) + data_dir + std::string(kDataLockFileName));
  return true;
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
  summary.kept_books_written = delivery.kept_books_written;
  summary.lost_from = outcomes.lost_from;
  summary.old_output_stands = !delivery.old_output_note.empty();
  summary.retry_list = delivery.list.path;
  summary.retry_list_written = delivery.list.written;
  log.Finish(summary);
  // Another run may use the data folder while this one's message waits.
  lock.reset();

  ClosingFailure failure;
  if (outcomes.lost_from != 0)
    failure.Add(LostConnectionText(outcomes.lost_url, delivery.written, outcomes.lost_from,
                                   outcomes.site_answered));
  if (outcomes.failure)
    failure.Add(RunEndedByErrorText(*outcomes.failure, outcomes.tally.looked_at + 1));
  if (!delivery.output_written)
    failure.Add(OutputNotWrittenText(output_path, delivery.write.result, summary,
                                     delivery.list.written, delivery.old_output_note));
  const RunTally& tally = outcomes.tally;
  const bool report = settings.show_report && tally.given > 0 &&
                      (!tally.AllFound() || !delivery.output_written || !unreadable.empty());
  ReportNotes notes;
  notes.list = delivery.list;
  notes.log_path = log.enabled() || log.given_up() ? settings.log_path : "";
  notes.log_given_up = log.given_up();
  notes.invalid = outcomes.invalid;
  notes.unreadable = unreadable.files();
  const std::string report_text = report ? ReportText(summary, notes) : "";
  if (!failure.text.empty())
    env.ShowMessage(MessageKind::kPluginError, {},
                    failure.text + (report_text.empty() ? "" : "\r\n\r\n" + report_text));
  else if (!report_text.empty())
    env.ShowMessage(MessageKind::kReport, {}, report_text);
}

}  // namespace kanadeya
