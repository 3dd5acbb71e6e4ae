// StripMarkup on lines of a megabyte that hold a bracket every byte or two.
// A line from a downloaded page can be that long; each "<" and ">" must be
// looked for once, not again from every bracket dropped (which would take
// hours here, and so would stop the test program).
#include <gtest/gtest.h>

#include <string>

#include "markup/markup.h"

namespace kanadeya {
namespace {

std::string Repeat(const std::string& piece, size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(StripMarkup, LongLinesOfBrackets) {
  constexpr size_t kTimes = 500'000;
  static const struct {
    std::string line, stripped;
  } rows[] = {
      {Repeat(">", kTimes) + "x", "x"},               // every ">" dropped alone
      {Repeat("a>", kTimes) + "<", ""},               // each text ends in a ">" before the one "<"
      {Repeat("<", kTimes) + "x", ""},                // a tag that runs past the end
      {Repeat("<a>b", kTimes), Repeat("b", kTimes)},  // many short tags
      {Repeat("><", kTimes) + "x", ""},               // brackets the wrong way round
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line.substr(0, 8));
    EXPECT_EQ(row.stripped, StripMarkup(row.line));
  }
}

}  // namespace
}  // namespace kanadeya
