#include "plugin/run_report.h"

#include <string_view>

#include "plugin/system_texts.h"

namespace kanadeya {

void RunTally::Add(CodeOutcome outcome) {
  switch (outcome) {
    case CodeOutcome::kFound:
      ++found;
      break;
    case CodeOutcome::kInvalidCode:
      ++invalid;
      break;
    case CodeOutcome::kNotOnSite:
      ++not_on_site;
      break;
    case CodeOutcome::kSearchNotDownloaded:
    case CodeOutcome::kDetailNotDownloaded:
    case CodeOutcome::kPageFileInTheWay:
      ++not_fetched;
      break;
    case CodeOutcome::kDetailNotReadable:
      ++unreadable;
      break;
    case CodeOutcome::kNoConnection:
    case CodeOutcome::kStopped:
      ++not_reached;
      break;
  }
}

std::string ReportText(const RunTally& tally, const RetryList& list, const std::string& log_path) {
  std::string text = std::to_string(tally.given) + std::string(kReportOf) +
                     std::to_string(tally.found) + std::string(kReportFound);
  const struct {
    std::string_view label;
    size_t count;
  } others[] = {{kReportNotOnSite, tally.not_on_site},
                {kReportNotFetched, tally.not_fetched},
                {kReportUnreadable, tally.unreadable},
                {kReportInvalid, tally.invalid},
                {kReportNotReached, tally.not_reached}};
  bool first = true;
  for (const auto& other : others) {
    if (other.count == 0) continue;
    if (!first) text += kReportSeparator;
    first = false;
    text += std::string(other.label) + std::to_string(other.count) + std::string(kReportCount);
  }
  if (!first) text += kReportEnd;
  if (!list.path.empty()) {
    if (list.written)
      text += "\r\n" + std::string(kReportRetryList) + list.path + "\r\n" +
              std::string(kReportRetryListUse);
    else
      text += "\r\n" + std::string(kReportRetryListNotWritten) + list.path;
  }
  if (!log_path.empty()) text += "\r\n" + std::string(kReportSeeLog) + log_path;
  return text;
}

std::string LostConnectionText(const std::string& url, size_t written, size_t failed_at) {
  std::string text = std::string(kNoConnectionMessage) + "\r\n" + std::string(kLostConnectionSite) +
                     url + std::string(kLostConnectionSiteEnd) + "\r\n";
  text += written > 0 ? std::string(kLostConnectionWritten) + std::to_string(written) +
                            std::string(kLostConnectionWrittenEnd)
                      : std::string(kLostConnectionNoneWritten);
  text += std::string(kLostConnectionFrom) + std::to_string(failed_at) +
          std::string(kLostConnectionFromEnd) + "\r\n" + std::string(kLostConnectionHint);
  return text;
}

}  // namespace kanadeya
