#include "plugin/lookup_log.h"

#include <cstdint>

#include "plugin/system_texts.h"
#include "strings/shown_text.h"

namespace kanadeya {

namespace {

// A log past this size is renamed before a run appends to it.
constexpr uint64_t kRollOverBytes = 1024 * 1024;

// "YYYY-MM-DD HH:MM:SS\tkanadeya ": 0 stands for a digit.
constexpr std::string_view kHeaderPattern = "0000-00-00 00:00:00\tkanadeya ";

// A code or search key longer than this is cut in the log, with its length.
constexpr size_t kLongestCodeShown = 64;
constexpr size_t kCutCodeBytes = 32;
// A site address longer than any that is accepted is cut.
constexpr size_t kLongestSiteShown = 200;

std::string_view OutcomeText(CodeOutcome outcome) {
  switch (outcome) {
#define KANADEYA_OUTCOME(outcome, log_words, group, names_detail) \
  case CodeOutcome::outcome:                                      \
    return log_words;
#include "plugin/outcomes.inc"
#undef KANADEYA_OUTCOME
  }
  return {};
}

std::string Count(std::string_view label, size_t n) {
  return std::string(label) + std::to_string(n) + std::string(kLogCountSuffix);
}

}  // namespace

bool IsLogHeader(std::string_view head) {
  if (head.size() < kHeaderPattern.size()) return false;
  for (size_t i = 0; i < kHeaderPattern.size(); ++i) {
    const bool digit = head[i] >= '0' && head[i] <= '9';
    if (kHeaderPattern[i] == '0' ? !digit : head[i] != kHeaderPattern[i]) return false;
  }
  return true;
}

LookupLog::~LookupLog() {
  if (!enabled() || !started_ || finished_) return;
  try {
    TaggedLine();
    Field(kLogEnd);
    Field(kLogRunFailed);
    EndLine();
  } catch (...) {
  }
}

bool LookupLog::Open(const std::string& path) {
  path_.clear();
  std::string head;
  if (env_.ReadFilePart(path, 0, kHeaderPattern.size(), head).ok()) {
    if (!head.empty() && !IsLogHeader(head)) return false;
    // A read-only log is the user's to keep as it is.
    if (env_.IsReadOnlyFile(path)) return true;
    uint64_t size = 0;
    env_.FileSize(path, size);
    // A log that another program holds open may not be renamed: it then
    // grows on until a later run can roll it over.
    const bool rolled_over =
        size > kRollOverBytes && env_.RollOverIfLarger(path, path + ".old", kRollOverBytes);
    // Measured again: another host may have rolled it over meanwhile.
    if (!rolled_over && env_.FileSize(path, size) && size > 0) {
      std::string end;
      needs_break_ =
          env_.ReadFilePart(path, size - 1, 1, end).ok() && end.size() == 1 && end != "\n";
    }
  }
  path_ = path;
  return true;
}

void LookupLog::Start(std::string_view date_time, unsigned process_id,
                      std::string_view site_base_url, size_t code_count) {
  if (!enabled()) return;
  started_ = true;
  tag_ = std::string(date_time.substr(11)) + "/" + std::to_string(process_id);
  Field(date_time);
  // The version and the build ("kanadeya 1.1.3.1"), which tells two builds
  // of one version apart.
  Field(std::string(kLogPluginName) + std::string(kVersionText) + "." + std::string(kBuildText));
  Field(std::string(kLogRunLabel) + tag_);
  // A refused address is logged as it was written, cut when long.
  const std::string_view site = CutAtCharacter(site_base_url, kLongestSiteShown);
  Field(std::string(kLogSiteLabel) + std::string(site) +
        std::string(site.size() < site_base_url.size() ? kCutMark : ""));
  Field(Count(kLogCodesLabel, code_count));
  EndLine();
}

void LookupLog::Refused(std::string_view reason) {
  if (!enabled()) return;
  finished_ = true;
  TaggedLine();
  Field(kLogEnd);
  Field(reason);
  EndLine();
}

void LookupLog::Code(const CodeReport& report) {
  if (!enabled()) return;
  TaggedLine();
  Field(std::to_string(report.position));
  CutField(report.code);
  CutField(report.key);
  Field(OutcomeText(report.outcome));
  if (report.detail) Field(*report.detail);
  if (report.slip.kind == CodeSlip::kCheckDigit) Field(kLogCheckDigit);
  if (report.slip.kind == CodeSlip::kSecondBarcodeRow) Field(kLogSecondBarcodeRow);
  if (report.candidates > 1)
    Field(std::string(kLogCandidates) + std::to_string(report.candidates) +
          std::string(kLogCandidatesEnd));
  if (report.same_book_as != 0)
    Field(std::to_string(report.same_book_as) + std::string(kLogSameBook));
  if (report.page_from_this_run) Field(kLogPageFromThisRun);
  if (report.page_from_earlier_run) Field(kLogPageFromEarlierRun);
  EndLine();
}

void LookupLog::Stopped(size_t position) {
  if (!enabled()) return;
  TaggedLine();
  Field(std::to_string(position));
  Field(kLogStopped);
  EndLine();
}

void LookupLog::StoppedAfterTheLast() {
  if (!enabled()) return;
  TaggedLine();
  Field("");
  Field(kLogStoppedAfterLast);
  EndLine();
}

void LookupLog::EndedByError(size_t position, std::string_view what) {
  if (!enabled()) return;
  TaggedLine();
  Field(std::to_string(position));
  Field(kLogEndedByError);
  Field(what);
  EndLine();
}

void LookupLog::Note(std::string_view text) {
  if (!enabled()) return;
  TaggedLine();
  Field("");
  Field(text);
  EndLine();
}

void LookupLog::Finish(const RunSummary& summary) {
  if (!enabled()) return;
  finished_ = true;
  TaggedLine();
  Field(kLogEnd);
  const RunTally& tally = summary.tally;
  std::string codes = Count(kLogCodesLabel, tally.given);
  if (tally.looked_at < tally.given)
    codes = std::string(kLogCodesLabel) + std::to_string(tally.given) + std::string(kLogCodesOf) +
            std::to_string(tally.looked_at) + std::string(kLogCountSuffix);
  Field(codes);
  Field(Count(kLogFoundLabel, tally.found()));
  Field(Count(kLogWrittenLabel, summary.written));
  if (!summary.output_written) Field(kLogNotWrittenOutput);
  Field(summary.output_path);
  if (summary.lost_from != 0)
    Field(std::to_string(summary.lost_from) + std::string(kLogLostConnectionFromEnd));
  if (!summary.kept_books.empty())
    Field(summary.kept_books_written ? std::string(kLogKeptBooks) + summary.kept_books
                                     : std::string(kLogKeptBooksNotWritten));
  if (summary.old_output_stands) Field(kLogOldImportFileStands);
  if (!summary.retry_list.empty())
    Field(std::string(summary.retry_list_written ? kLogRetryList : kLogRetryListNotWritten) +
          summary.retry_list);
  EndLine();
}

void LookupLog::TaggedLine() { Field(tag_); }

// A tab before every field but a line's first; control bytes made visible.
void LookupLog::Field(std::string_view text) {
  if (!line_.empty() && line_.back() != '\n') line_ += '\t';
  line_ += VisibleText(text, kControlMark);
}

// A code or key: one longer than any real one is cut, with its length.
void LookupLog::CutField(std::string_view text) {
  if (text.size() <= kLongestCodeShown) return Field(text);
  Field(std::string(CutAtCharacter(text, kCutCodeBytes)) + std::string(kCutMark) +
        std::string(kLogCutLength) + std::to_string(text.size()) + std::string(kLogCutLengthEnd));
}

// Appends the line (or the code's lines) at once. A log that cannot be
// written is given up: nothing more is tried.
void LookupLog::EndLine() {
  line_ += "\r\n";
  if (needs_break_) line_.insert(0, "\r\n");
  needs_break_ = false;
  // Another program that holds the log for a moment is waited out.
  if (!TryWhileHeld(env_, [&] { return env_.AppendToFile(path_, line_).ok(); })) {
    path_.clear();
    given_up_ = true;
  }
  line_.clear();
}

}  // namespace kanadeya
