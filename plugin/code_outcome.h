// How the lookup of one code ended, and how a run's codes ended in all:
// the words of the log and the groups of the report come from one list,
// plugin/outcomes.inc.
#pragma once

#include <array>
#include <cstddef>

namespace kanadeya {

// How the lookup of one code ended (plugin/outcomes.inc).
enum class CodeOutcome {
#define KANADEYA_OUTCOME(outcome, log_words, group, names_detail) outcome,
#include "plugin/outcomes.inc"
#undef KANADEYA_OUTCOME
};

// Whether the log line of `outcome` names what it is about (a title, an
// address, a file).
bool NamesDetail(CodeOutcome outcome);

// The report's groups of outcomes (plugin/outcomes.inc says which outcome
// goes where), in the report's order.
enum class ReportGroup {
  kFound,
  kNotOnSite,   // the search found no book
  kNotFetched,  // a page did not come back, or its file was in the way
  kUnreadable,  // the book's page held nothing to read
  kInvalid,     // the host's check refused the code
  kNotReached,  // never looked up: a stop, or the connection was lost
};
inline constexpr size_t kReportGroupCount = 6;

// How the codes of a run ended.
struct RunTally {
  size_t given = 0;      // codes in the list
  size_t looked_at = 0;  // codes looked up (Add), in the list's order
  std::array<size_t, kReportGroupCount> counts{};

  void Add(CodeOutcome outcome);
  // A code that was never looked up.
  void AddNotReached() { ++counts[static_cast<size_t>(ReportGroup::kNotReached)]; }
  size_t Count(ReportGroup group) const { return counts[static_cast<size_t>(group)]; }
  size_t found() const { return Count(ReportGroup::kFound); }
  // Every code gave a book.
  bool AllFound() const { return found() == given; }
};

}  // namespace kanadeya
