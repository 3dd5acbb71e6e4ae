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
      // Which digit is wrong cannot be told: the digit that would fit makes
      // the code of another book as often as the right one.
      return std::string(kLogCheckDigit);
    case CodeSlip::kSecondBarcodeRow:
      return std::string(kLogSecondBarcodeRow);
    default:
      return {};
  }
}

// "ほか 2件": the count of those not named.
std::string More(size_t count) {
  return std::string(kReportInvalidMore) + std::to_string(count) + std::string(kReportCount);
}

}  // namespace

std::string ReportText(const RunSummary& summary, const ReportNotes& notes) {
  const RunTally& tally = summary.tally;
  const bool imported = summary.output_written || tally.found() == 0;
  // "8件中3件が見つかりました（見つからなかった本 1件、無効なコード 3件）。"
  std::string text = std::to_string(tally.given) + std::string(kReportOf) +
                     std::to_string(tally.found()) + std::string(kReportFound);
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
    text += first ? kReportOthersOpen : kReportSeparator;
    first = false;
    text += std::string(other.label) + std::to_string(count) + std::string(kReportCount);
  }
  if (!first) text += kReportOthersClose;
  text += kReportEnd;
  if (!imported) text += kReportFoundNotImported;
  // The invalid codes by name, so that a user without a log sees what to
  // correct.
  for (const InvalidCode& code : notes.invalid) {
    text += "\r\n" + std::string(kReportInvalidCodes) + ShownCode(code.code);
    const std::string hint = SlipHint(code.slip);
    if (!hint.empty()) text += "\r\n  " + hint;
  }
  const size_t invalid = tally.Count(ReportGroup::kInvalid);
  if (invalid > notes.invalid.size()) text += "\r\n" + More(invalid - notes.invalid.size());
  // The codes whose search listed several books: the one taken may be
  // another edition or volume.
  if (notes.several_count > 0) text += "\r\n" + std::string(kReportCandidates);
  for (const SeveralCandidates& code : notes.several)
    text += "\r\n  " + ShownCode(code.code) + std::string(kReportCandidateOpen) +
            std::to_string(code.books) + std::string(kReportCandidateEnd);
  if (notes.several_count > notes.several.size())
    text += "\r\n  " + More(notes.several_count - notes.several.size());
  // Each file not read, what it changed and in which books; then how to
  // mend those books without a second copy of any.
  bool books_changed = false;
  for (const UnreadableFile& file : notes.unreadable) {
    text += "\r\n" + std::string(kReportFileUnreadable) + file.path + file.lacks + "\r\n  ";
    if (file.book_count == 0) {
      text += kNoBookConcerned;
      continue;
    }
    books_changed = true;
    text += std::string(file.books_called) + std::to_string(file.book_count) +
            std::string(kReportCount) + std::string(kBooksConcernedList);
    for (size_t i = 0; i < file.books.size(); ++i)
      text += (i == 0 ? "" : std::string(kReportSeparator)) + ShownCode(file.books[i]);
    if (file.book_count > file.books.size())
      text += " " + More(file.book_count - file.books.size());
  }
  if (books_changed) text += "\r\n" + std::string(kUnreadableNextStep);
  const RetryList& list = notes.list;
  if (!list.path.empty()) {
    if (list.written)
      text += "\r\n" + std::string(kReportRetryList) + list.path + "\r\n" +
              std::string(kReportRetryListUse);
    else
      text += "\r\n" + std::string(kReportRetryListNotWritten) + list.path +
              std::string(list.old_list_stands ? kReportOldListStands : "");
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
  return "\r\n\r\n" + std::string(kOldImportFileNotToImport) + output_path + "\r\n" +
         std::string(kOldImportFileStandsMessage);
}

std::string FileFaultText(const platform::FileFault& fault) {
  switch (fault.kind) {
    case platform::FileFault::kNone:
      return {};
    case platform::FileFault::kExists:
      return std::string(kFaultExists);
    case platform::FileFault::kMissing:
      return std::string(kFaultMissing);
    case platform::FileFault::kFull:
      return std::string(kFaultFull);
    case platform::FileFault::kDenied:
      return std::string(kFaultDenied);
    case platform::FileFault::kHeld:
      return std::string(kFaultHeld);
    case platform::FileFault::kFolderMissing:
      return std::string(kFaultFolderMissing);
    case platform::FileFault::kNameTooLong:
      return std::string(kFaultNameTooLong);
    case platform::FileFault::kInTheWay:
      return std::string(kFaultInTheWay);
    case platform::FileFault::kOutOfMemory:
      return std::string(kFaultOutOfMemory);
    case platform::FileFault::kOther:
      break;
  }
  return fault.code == 0 ? std::string(kFaultUnknown)
                         : std::string(kFaultOther) + std::to_string(fault.code);
}

std::string ReadFaultText(const platform::FileFault& fault) {
  if (fault.kind == platform::FileFault::kDenied) return std::string(kFaultNoRightToRead);
  return FileFaultText(fault);
}

std::string OutputNotWrittenText(const std::string& output_path, const WholeWrite& write,
                                 const RunSummary& summary, const platform::FileFault& kept_fault,
                                 bool listed, const std::string& old_output_note) {
  // Why the import file was not written, where the system said.
  const std::string why =
      write.fault.ok() ? ""
                       : "\r\n" + std::string(kImportFileFaultLead) + FileFaultText(write.fault);
  const size_t books = summary.tally.found();
  if (books == 0)
    // The one file named is the one not to import: the note follows it.
    return std::string(kOutputNotWrittenMessage) + "\r\n" + output_path +
           (old_output_note.empty() ? "" : "\r\n" + std::string(kOldImportFileStandsMessage)) + why;
  std::string text = write.result == WholeWrite::kPathTooLong
                         ? std::string(kImportPathTooLong) + "\r\n" + output_path
                         : std::string(kOutputNotWrittenMessage) + "\r\n" + output_path;
  text += "\r\n" + std::string(kBooksNotImported) + std::to_string(books) +
          std::string(kBooksNotImportedEnd);
  text += summary.kept_books_written ? std::string(kBooksKeptIn) + "\r\n" + summary.kept_books
                                     : std::string(kBooksNotKept) + FileFaultText(kept_fault) +
                                           std::string(kBooksNotKeptEnd);
  if (listed) text += "\r\n" + std::string(kBooksKeptCodes);
  // Importing the kept file and searching its codes again would add each
  // book twice.
  if (listed && summary.kept_books_written) text += std::string(kBooksOneOrTheOther);
  return text + why + old_output_note;
}

std::string TakenOverText(size_t built, const std::vector<EarlierDelivery>& earlier,
                          const std::string& journal_stays, bool report) {
  ClosingParagraphs text;
  size_t books = built;
  for (const EarlierDelivery& taken : earlier) books += taken.kept_fault.ok() ? taken.books : 0;
  if (report && books > 0 && !earlier.empty())
    text.Add(std::string(kReportTakenOverOpen) + earlier.back().started +
             std::string(kReportTakenOverBooks) + std::to_string(books) +
             std::string(kReportTakenOverEnd));
  for (const EarlierDelivery& taken : earlier) {
    const bool kept = taken.books > 0 && taken.kept_fault.ok();
    if (taken.books > 0)
      text.Add(kept ? std::string(kEarlierBooksKeptIn) + "\r\n" + taken.kept + "\r\n" +
                          std::string(kBooksKeptCodes) + std::string(kBooksOneOrTheOther)
                    : std::string(kEarlierBooksNotKept) + "\r\n" + taken.journal);
    if (taken.codes_listed > (kept ? taken.books : 0)) text.Add(std::string(kEarlierCodesListed));
  }
  if (!journal_stays.empty()) text.Add(std::string(kJournalStaysMessage) + "\r\n" + journal_stays);
  return text.text;
}

}  // namespace kanadeya
