#include "plugin/code_outcome.h"

namespace kanadeya {

bool NamesDetail(CodeOutcome outcome) {
  switch (outcome) {
#define KANADEYA_OUTCOME(outcome, log_words, group, names_detail) \
  case CodeOutcome::outcome:                                      \
    return names_detail;
#include "plugin/outcomes.inc"
#undef KANADEYA_OUTCOME
  }
  return false;
}

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

}  // namespace kanadeya
