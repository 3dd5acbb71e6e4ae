#include "strings/char_scan.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

const std::string_view kVolume = SJ("巻");
const std::string_view kDot = SJ("・");

TEST(EndsWithChars, OnlyAtACharacterBoundary) {
  struct Row {
    std::string_view text, suffix;
    bool expected;
  };
  static const Row rows[] = {
      {SJ("a巻"), kVolume, true},
      {"\x89\x8a\xaa", kVolume, false},  // 炎 then ｪ: the bytes straddle
      {SJ("炎巻"), kVolume, true},
      {"\x83\x81"
       "E",
       kDot, false},  // メE ends with the bytes of ・
      {kVolume, kVolume, true},
      {"a", kVolume, false},    // shorter than the suffix
      {"abc", "", false},       // the empty suffix
      {"a\x81", "\x81", true},  // a lone lead byte at the end
  };
  for (const auto& row : rows)
    EXPECT_EQ(EndsWithChars(row.text, row.suffix), row.expected) << test::Hex(row.text);
}

TEST(LastCharFind, LastOccurrenceOnABoundary) {
  struct Row {
    std::string_view text, pattern;
    size_t expected;
  };
  static const Row rows[] = {
      {"PIANO NO.3", "NO", 7},
      {"NONO", "NO", 3},
      {"abc", "x", 0},
      {"abc", "", 0},
      {"N\x8bNO", "NO", 0},  // the only "NO" starts on the second byte of
                             // a character
      {"NO\x8bNO", "NO", 1},
      {"", "NO", 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(LastCharFind(row.text, row.pattern), row.expected) << test::Hex(row.text);
}

}  // namespace
}  // namespace kanadeya
