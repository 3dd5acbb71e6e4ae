#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/paths.h"
#include "plugin/code_lookup.h"
#include "plugin/lookup_run.h"
#include "plugin/system_texts.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// True when `path` is one of `files`.
bool IsOneOf(RunEnv& env, const std::string& path, const std::vector<std::string>& files) {
  for (const std::string& file : files)
    if (env.SameFile(path, file)) return true;
  return false;
}

// Where the books stay that the import file could not take: a file of this
// run's own beside the list of codes to try again, named by the run's start
// and the host's process ("kanadeya-books-20261207-140503-1234.csv"). No run
// removes it.
std::string KeptBooksPath(const LookupRun& run) {
  const std::string folder =
      run.data_dir.empty() ? platform::FolderOf(run.output_path) : run.data_dir;
  return folder + KeptBooksName(RunStamp(run.started), run.process_id);
}

// How many names a run tries for the file that keeps its books.
constexpr unsigned kKeptNamesTried = 100;

// The n-th name that may keep the books at `path`: `path` itself, then with
// "-2", "-3", ... before ".csv", where two runs of one process began in
// one second.
std::string KeptBooksCandidate(const std::string& path, unsigned n) {
  if (n == 1) return path;
  const size_t end = path.size() - kKeptBooksFileEnd.size();
  return path.substr(0, end) + "-" + std::to_string(n) + path.substr(end);
}

// Keeps the books whose import file could not be put in place at `path`,
// or at the first of its numbered names where nothing stands: the finished
// file moved there, or `contents` written anew. No file that keeps books is
// ever replaced. `path` becomes the name taken; why not, when nothing could
// be written.
platform::FileFault KeepBooks(RunEnv& env, std::string& path, const WholeWrite& write,
                              std::string_view contents) {
  const std::string base = path;
  platform::FileFault kept;
  for (unsigned n = 1; n <= kKeptNamesTried; ++n) {
    path = KeptBooksCandidate(base, n);
    if (!write.finished.empty()) {
      kept = env.RenameIfFree(write.finished, path);
      if (kept.ok()) return kept;
      if (kept.kind == platform::FileFault::kExists) continue;
    }
    kept = env.WriteNewFile(path, contents);
    if (kept.kind != platform::FileFault::kExists) break;
  }
  if (!write.finished.empty()) env.RemoveFile(write.finished, {});
  return kept;
}

// Keeps an earlier run's books at `path`, unless a file there holds them
// already: a run killed after keeping them, before its journal went.
platform::FileFault KeepEarlierBooks(RunEnv& env, std::string& path, const std::string& contents) {
  std::string there;
  if (env.ReadWholeFile(path, there) && there == contents) return {};
  return KeepBooks(env, path, WholeWrite{}, contents);
}

}  // namespace

std::string KeptBooksName(std::string_view stamp, uint32_t process_id) {
  return std::string(kKeptBooksFilePrefix) + std::string(stamp) + "-" + std::to_string(process_id) +
         std::string(kKeptBooksFileEnd);
}

std::string LongestKeptBooksName(uint32_t process_id) {
  return KeptBooksCandidate(KeptBooksName("00000000-000000", process_id), kKeptNamesTried);
}

Delivery LookupRun::Deliver(RunOutcomes& outcomes) {
  Delivery delivery;
  const std::string contents = WithLineEnds(outcomes.lines);
  outcomes.lines.clear();
  outcomes.lines.shrink_to_fit();
  WholeWrite& write = delivery.write;
  if (!output_path.empty()) write = WriteFileWhole(env, output_path, contents, process_id);
  delivery.output_written = write.result == WholeWrite::kPlaced;
  const size_t books = outcomes.tally.found();
  if (delivery.output_written) {
    delivery.written = books;
  } else if (books > 0) {
    delivery.kept_books = KeptBooksPath(*this);
    delivery.kept_fault = KeepBooks(env, delivery.kept_books, write, contents);
  } else if (write.result == WholeWrite::kNotPlaced) {
    env.RemoveFile(write.finished, {});
  }
  if (!delivery.output_written) delivery.old_output_note = OldOutputNote();
  const bool own_books_delivered =
      delivery.output_written || books == 0 || delivery.kept_fault.ok();
  if (own_books_delivered && journal.writing()) RunJournal::MarkDelivered(env, journal.path());
  // The codes to try again: those that gave no book, and those whose book
  // did not reach the import file.
  std::vector<std::string_view> retry;
  for (const ListedCode& code : outcomes.codes)
    if (!code.book || !delivery.output_written) retry.push_back(code.code);
  DeliverEarlierRuns(outcomes, delivery, retry);
  delivery.list = WriteRetryList(retry);
  EndJournals(delivery, own_books_delivered);
  return delivery;
}

void LookupRun::DeliverEarlierRuns(const RunOutcomes& outcomes, Delivery& delivery,
                                   std::vector<std::string_view>& retry) {
  if (journal.earlier().empty()) return;
  // A stop asked for in the loop ended it: the earlier books are built
  // whole all the same.
  state.stop_requested = false;
  std::unordered_set<std::string_view> own_codes;
  for (const ListedCode& code : outcomes.codes) own_codes.insert(code.code);
  for (const EarlierRun& run : journal.earlier()) {
    EarlierDelivery& taken = delivery.earlier.emplace_back();
    taken.started = run.started;
    taken.journal = run.path;
    // Its codes to try again: those that gave no book, those never
    // reached, and those of its books kept here; in its list's order, each
    // once, and none that this run's list holds.
    std::unordered_set<std::string_view> reached, to_list;
    std::vector<std::string> lines;
    std::vector<std::string_view> kept_codes;
    for (const JournalCode& code : run.reached) {
      reached.insert(code.code);
      if (!code.book) {
        to_list.insert(code.code);
        continue;
      }
      if (run.delivered || journal.FoundInThisRun(code.key)) continue;
      CodeLookup book = RebuildBook(*this, run, code);
      if (book.outcome != CodeOutcome::kFound) {
        to_list.insert(code.code);
        continue;
      }
      lines.push_back(std::move(book.line));
      kept_codes.push_back(code.code);
    }
    if (!lines.empty()) {
      taken.books = lines.size();
      taken.kept = data_dir + KeptBooksName(RunStamp(run.started), run.process_id);
      taken.kept_fault = KeepEarlierBooks(env, taken.kept, WithLineEnds(lines));
      if (taken.kept_fault.ok()) {
        log.Note(std::string(kLogKeptBooks) + taken.kept);
        to_list.insert(kept_codes.begin(), kept_codes.end());
      }
    }
    std::unordered_set<std::string_view> listed;
    SplitLines(run.codes, [&](std::string_view line) {
      if (IsBlankLine(line) || (reached.contains(line) && !to_list.contains(line)) ||
          own_codes.contains(line) || !listed.insert(line).second)
        return;
      retry.push_back(line);
      ++taken.codes_listed;
    });
  }
}

void LookupRun::EndJournals(Delivery& delivery, bool own_books_delivered) {
  const bool list_written = delivery.list.path.empty() || delivery.list.written;
  auto end = [&](const std::string& path, bool delivered, bool marked) {
    if (delivered && list_written &&
        TryWhileHeld(env, [&] { return env.RemoveFile(path, {}) == platform::RemoveFault::kNone; }))
      return true;
    if (delivered && !marked) RunJournal::MarkDelivered(env, path);
    return false;
  };
  for (size_t i = 0; i < journal.earlier().size(); ++i) {
    const EarlierRun& run = journal.earlier()[i];
    const EarlierDelivery& taken = delivery.earlier[i];
    // Its books that this run built are delivered only with this run's.
    end(run.path, (taken.books == 0 || taken.kept_fault.ok()) && own_books_delivered,
        run.delivered);
  }
  if (!journal.path().empty() && !end(journal.path(), own_books_delivered, true)) {
    log.Note(std::string(kLogJournalStays) + journal.path());
    // A journal whose books are delivered stays only for its codes.
    if (!own_books_delivered) delivery.journal_stays = journal.path();
  }
}

// Writes the codes to try again, one a line as the host gave them, whole,
// into the data directory: the host's folder of this catalogue, which the
// run writes its pages to. Never a file of the run's or the host's. A run
// that has none removes the list of an earlier run; a list that an earlier
// run left beside the log goes too.
RetryList LookupRun::WriteRetryList(const std::vector<std::string_view>& retry) {
  RetryList list;
  if (data_dir.empty()) return list;
  std::vector<std::string> never_written = FilesNeverWritten();
  const std::string& log_path = settings.log_path;
  if (!log_path.empty()) {
    never_written.push_back(log_path);
    never_written.push_back(log_path + ".old");
  }
  const std::string path = data_dir + std::string(kRetryListFileName);
  if (IsOneOf(env, path, never_written)) return list;
  if (!log_path.empty()) {
    const std::string beside_log = platform::FolderOf(log_path) + std::string(kRetryListFileName);
    if (!env.SameFile(beside_log, path) && !IsOneOf(env, beside_log, never_written))
      RemoveOwnFile(env, beside_log, process_id);
  }
  // A list that a run killed while writing it left goes too, also when
  // there is nothing to try again; an earlier run's list that this one
  // cannot replace is removed or emptied, so that no list names another
  // run's codes.
  if (retry.empty()) {
    ClearImportFile(env, path, process_id);
    return list;
  }
  list.path = path;
  list.written = ReplaceFileWhole(env, path, WithLineEnds(retry), process_id);
  if (!list.written) list.old_list_stands = !ClearImportFile(env, path, process_id);
  return list;
}

}  // namespace kanadeya
