#include "plugin/run_report.h"

#include <string_view>

#include "plugin/system_texts.h"
#include "strings/shown_text.h"

namespace kanadeya {

namespace {

// A code as the report shows it: control bytes made visible, one longer
// than any real code cut.
std::string ShownCode(std::string_view code) {
  constexpr size_t kLongest = 64, kCut = 32;
  if (code.size() <= kLongest) return VisibleText(code, kControlMark);
  return VisibleText(CutAtCharacter(code, kCut), kControlMark) + std::string(kCutMark);
}

std::string SlipHint(const CodeSlip& slip) {
  switch (slip.kind) {
    case CodeSlip::kCheckDigit:
      return std::string(kLogCheckDigit) + slip.expected + std::string(kLogCheckDigitEnd);
    case CodeSlip::kSecondBarcodeRow:
      return std::string(kLogSecondBarcodeRow);
    default:
      return {};
  }
}

}  // namespace

std::string ReportText(const RunSummary& summary, const ReportNotes& notes) {
  const RunTally& tally = summary.tally;
  const bool imported = summary.output_written || tally.found() == 0;
  std::string text = std::to_string(tally.given) + std::string(kReportOf) +
                     std::to_string(tally.found()) +
                     std::string(imported ? kReportFound : kReportFoundNotImported);
  const struct {
    ReportGroup group;
    std::string_view label;
  } others[] = {{ReportGroup::kNotOnSite, kReportNotOnSite},
                {ReportGroup::kNotFetched, kReportNotFetched},
                {ReportGroup::kUnreadable, kReportUnreadable},
                {ReportGroup::kInvalid, kReportInvalid},
                {ReportGroup::kNotReached, kReportNotReached}};
  bool first = true;
  for (const auto& other : others) {
    const size_t count = tally.Count(other.group);
    if (count == 0) continue;
    if (!first) text += kReportSeparator;
    first = false;
    text += std::string(other.label) + std::to_string(count) + std::string(kReportCount);
  }
  if (!first) text += kReportEnd;
  // The invalid codes by name, so that a user without a log sees what to
  // correct.
  for (const InvalidCode& code : notes.invalid) {
    text += "\r\n" + std::string(kReportInvalidCodes) + ShownCode(code.code);
    const std::string hint = SlipHint(code.slip);
    if (!hint.empty()) text += "\r\n  " + hint;
  }
  const size_t invalid = tally.Count(ReportGroup::kInvalid);
  if (invalid > notes.invalid.size())
    text += "\r\n" + std::string(kReportInvalidMore) +
            std::to_string(invalid - notes.invalid.size()) + std::string(kReportCount);
  for (const UnreadableFile& file : notes.unreadable)
    text += "\r\n" + std::string(kReportFileUnreadable) + file.path + file.lacks;
  const RetryList& list = notes.list;
  if (!list.path.empty()) {
    if (list.written)
      text += "\r\n" + std::string(kReportRetryList) + list.path + "\r\n" +
              std::string(kReportRetryListUse);
    else
      text += "\r\n" + std::string(kReportRetryListNotWritten) + list.path;
  }
  if (!notes.log_path.empty())
    text += "\r\n" + std::string(notes.log_given_up ? kReportLogNotWritten : kReportSeeLog) +
            notes.log_path;
  return text;
}

std::string LostConnectionText(const std::string& url, size_t written, size_t failed_at,
                               bool answered_before) {
  std::string text = std::string(kNoConnectionMessage) + "\r\n" + std::string(kLostConnectionSite) +
                     url + std::string(kLostConnectionSiteEnd) + "\r\n";
  text += written > 0 ? std::string(kLostConnectionWritten) + std::to_string(written) +
                            std::string(kLostConnectionWrittenEnd)
                      : std::string(kLostConnectionNoneWritten);
  text += std::to_string(failed_at) + std::string(kLostConnectionFromEnd) + "\r\n" +
          std::string(answered_before ? kLostConnectionDuringRun : kLostConnectionHint);
  return text;
}

std::string RunEndedByErrorText(std::string_view what, size_t from) {
  return std::string(kRunEndedByErrorMessage) + (what.empty() ? "" : "\r\n" + std::string(what)) +
         "\r\n" + std::to_string(from) + std::string(kRunEndedByErrorFromEnd);
}

std::string OldImportFileNote(const std::string& output_path) {
  return "\r\n\r\n" + output_path + "\r\n" + std::string(kOldImportFileStandsMessage);
}

std::string OutputNotWrittenText(const std::string& output_path, WholeWrite::Result result,
                                 const RunSummary& summary, bool listed,
                                 const std::string& old_output_note) {
  const size_t books = summary.tally.found();
  if (books == 0)
    return std::string(kOutputNotWrittenMessage) +
           (old_output_note.empty() ? "\r\n" + output_path : old_output_note.substr(2));
  std::string text = result == WholeWrite::kPathTooLong
                         ? std::string(kImportPathTooLong) + "\r\n" + output_path
                         : std::string(kOutputNotWrittenMessage) + "\r\n" + output_path;
  text += "\r\n" + std::string(kBooksNotImported) + std::to_string(books) +
          std::string(kBooksNotImportedEnd);
  text += summary.kept_books_written ? std::string(kBooksKeptIn) + "\r\n" + summary.kept_books
                                     : std::string(kBooksNotKept);
  if (listed) text += "\r\n" + std::string(kBooksKeptCodes);
  return text + old_output_note;
}

}  // namespace kanadeya
