#include <exception>
#include <string>
#include <unordered_map>
#include <utility>

#include "plugin/code_lookup.h"
#include "plugin/lookup_run.h"
#include "plugin/system_texts.h"
#include "record/code_forms.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// The largest page buffer kept from one code to the next.
constexpr size_t kKeptPageCapacity = size_t{1} << 20;

}  // namespace

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

size_t CountCodes(std::string_view codes) {
  size_t n = 0;
  SplitLines(codes, [&](std::string_view line) { n += IsBlankLine(line) ? 0 : 1; });
  return n;
}

void LookupRun::BeginJournal() {
  if (data_dir.empty()) return;
  if (!lock) {
    log.Note(kLogJournalNoLock);
    return;
  }
  journal.Begin(env, log, data_dir,
                {started, process_id, env.FileTimeNow(), settings.site_base_url, codes});
}

void LookupRun::Journal(std::string_view code_line, const CodeLookup& result) {
  std::string& page = state.page_work.bytes;
  const bool writing = journal.writing();
  if (!journal.Add(env, code_line, result.key, result.outcome, result.candidates, result.source,
                   result.page_url, page) &&
      writing)
    log.Note(std::string(kLogJournalEnded) + journal.path());
  // The page's buffer is kept for the next page unless it outgrew a
  // usual page by far.
  if (page.capacity() > kKeptPageCapacity) std::string().swap(page);
}

RunOutcomes LookupRun::LookUpEveryCode() {
  BeginJournal();
  RunOutcomes outcomes;
  outcomes.tally.given = code_count;
  // A stop ends the run it was asked in, and no later one.
  state.stop_requested = false;
  env.CreateWaitWindow(settings.show_window, state.stop_requested);
  struct HiddenAtTheEnd {
    RunEnv& env;
    ~HiddenAtTheEnd() { env.HideWaitWindow(); }
  } hidden_at_the_end{env};
  // The code list is read line by line from the host's text.
  LineReader reader(codes);
  // The code the run is at until it is listed: a run that ends there, by a
  // stop, a lost connection or a failure, lists it as never reached.
  std::string_view pending_code;
  bool ended_early = false;  // a stop, a lost connection or a failure
  try {
    ended_early = LookUpInOrder(reader, outcomes, pending_code);
  } catch (const std::exception& failure) {
    outcomes.failure = failure.what();
  } catch (...) {
    outcomes.failure = "";
  }
  if (outcomes.failure) {
    // Whatever escaped a code ends the run as a stop does: the books found
    // are written, the code and those after it are to be tried again.
    ended_early = true;
    log.EndedByError(outcomes.tally.looked_at + 1, *outcomes.failure);
  }
  // A stop asked for during the last code: every code was looked up.
  env.ReportProgress(0, 0);
  if (!ended_early && state.stop_requested) log.StoppedAfterTheLast();
  if (!ended_early) return outcomes;
  // The code the run ended at, and the codes never reached.
  if (!pending_code.empty()) {
    outcomes.codes.push_back({pending_code, false});
    outcomes.tally.AddNotReached();
  }
  for (std::string_view line; reader.Next(line);) {
    if (IsBlankLine(line)) continue;
    outcomes.codes.push_back({line, false});
    outcomes.tally.AddNotReached();
  }
  return outcomes;
}

bool LookupRun::LookUpInOrder(LineReader& reader, RunOutcomes& outcomes,
                              std::string_view& pending_code) {
  RunTally& tally = outcomes.tally;
  // The first code of each search key, so that a repeat is noted.
  std::unordered_map<std::string, size_t> first_with_key;
  const size_t count = CountTextLines(codes);
  std::string_view code_line;
  for (size_t i = 0; i < count && reader.Next(code_line); ++i) {
    const bool blank = IsBlankLine(code_line);
    pending_code = blank ? std::string_view() : code_line;
    env.ReportProgress(blank ? 0 : static_cast<int>(tally.looked_at + 1),
                       static_cast<int>(tally.given));
    if (state.stop_requested) {
      log.Stopped(tally.looked_at + 1);
      return true;
    }
    CodeLookup result = LookupCode(*this, code_line);
    const CodeOutcome outcome = result.outcome;
    if (outcome == CodeOutcome::kFound) outcomes.lines.push_back(std::move(result.line));
    const bool lost = outcome == CodeOutcome::kNoConnection;
    if (blank && lost) {
      outcomes.lost_from = tally.looked_at + 1;
      outcomes.lost_url = result.url;
      return true;
    }
    outcomes.site_answered = outcomes.site_answered || (result.connected && !lost);
    if (blank) continue;
    // The code whose connection test failed was not looked up: it is
    // counted with those never reached.
    if (!lost) outcomes.codes.push_back({code_line, outcome == CodeOutcome::kFound});
    pending_code = lost ? code_line : std::string_view();
    const size_t position = tally.looked_at + 1;
    if (!lost) tally.Add(outcome);
    const CodeSlip slip = FindCodeSlip(code_line);
    if (outcome == CodeOutcome::kInvalidCode && outcomes.invalid.size() < kInvalidCodesNamed)
      outcomes.invalid.push_back({code_line, slip});
    if (result.candidates > 1 && outcome == CodeOutcome::kFound) {
      if (outcomes.several.size() < kInvalidCodesNamed)
        outcomes.several.push_back({code_line, result.candidates});
      ++outcomes.several_count;
    }
    if (!lost) Journal(code_line, result);
    CodeReport report{position, code_line, result.key, outcome, result.LoggedDetail(), slip};
    report.candidates = result.candidates;
    report.page_from_this_run = result.source == PageSource::kThisRun;
    report.page_from_earlier_run = result.source == PageSource::kEarlierRun;
    if (report.page_from_earlier_run && outcome == CodeOutcome::kFound) ++outcomes.taken_over;
    if (!result.key.empty()) {
      const auto [first, fresh] = first_with_key.try_emplace(result.key, position);
      if (!fresh) report.same_book_as = first->second;
    }
    log.Code(report);
    if (lost) {
      outcomes.lost_from = position;
      outcomes.lost_url = result.url;
    }
    if (lost || outcome == CodeOutcome::kStopped) return true;
  }
  return false;
}

}  // namespace kanadeya
