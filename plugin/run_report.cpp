#include "plugin/run_report.h"

#include <string_view>

#include "plugin/system_texts.h"

namespace kanadeya {

void RunTally::Add(CodeOutcome outcome) {
  ++looked_at;
  switch (outcome) {
#define KANADEYA_OUTCOME(outcome, log_words, group, names_detail) \
  case CodeOutcome::outcome:                                      \
    ++counts[static_cast<size_t>(ReportGroup::group)];            \
    break;
#include "plugin/outcomes.inc"
#undef KANADEYA_OUTCOME
  }
}

std::string ReportText(const RunTally& tally, const RetryList& list, const std::string& log_path) {
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
    if (!first) text += kReportSeparator;
    first = false;
    text += std::string(other.label) + std::to_string(count) + std::string(kReportCount);
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
