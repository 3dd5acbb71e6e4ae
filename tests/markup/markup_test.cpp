#include "markup/markup.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

TEST(ExtractBetween, CutsAfterTheFirstStartMarker) {
  struct Row {
    std::string_view text, start, end, expected;
  };
  static const Row rows[] = {
      {"a[b]c[d]", "[", "]", "b"},
      {"a[bcd", "[", "]", "bcd"},  // missing end marker: the rest
      {"a[b]c", "[", "", "b]c"},   // empty end marker: the rest
      {"ab]c", "[", "]", ""},      // absent start marker
      {"]a[b]", "[", "]", "b"},    // end marker only after the start marker
      {"abc", "", "]", ""},        // empty start marker
      {"Key=abc\"x", "Key=", "\"", "abc"},
      {"[", "[", "]", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ExtractBetween(row.text, row.start, row.end), row.expected) << row.text;
}

TEST(NarrowAlnum, MakesFullWidthLettersAndDigitsAscii) {
  struct Row {
    std::string_view text, expected;
  };
  static const Row rows[] = {
      {SJ("ＡＢＣ１２３ａｂｃ"), "ABC123abc"},
      {SJ("０９ＡＺａｚ"), "09AZaz"},  // the ends of the ranges
      // （１） keeps its full-width brackets
      {SJ("（１）"), SJ("（1）")},
      {SJ("あ亜"), SJ("あ亜")},                  // あ亜 unchanged
      {"\x82\x59", "\x3a"},                      // an unassigned code in the range
      {"\x82\x4e\x82\x7a", "\x82\x4e\x82\x7a"},  // just outside the ranges
      {"\x82\x80\x82\x9b", "\x82\x80\x82\x9b"},
      {"a\x82", "a\x82"},  // a lead byte at the end is copied
      {"", ""},
  };
  for (const auto& row : rows) EXPECT_BYTES_EQ(row.expected, NarrowAlnum(row.text));
}

TEST(StripMarkup, RemovesTagsKeepsCommentsDecodesThreeReferences) {
  struct Row {
    std::string_view line, expected;
  };
  static const Row rows[] = {
      {"<td><b>abc</b></td>", "abc"},
      {"x>abc", "abc"},   // the line began inside a tag
      {"abc<br", "abc"},  // a tag runs past the end
      {"a>b<c>d", "bd"},
      {"<!-- note -->text", "<!-- note -->text"},
      {"<!-- <b>x</b> -->", "<!-- x -->"},  // tags inside a comment go
      {"&lt;b&gt;", "<b>"},                 // a decoded tag stays
      {"a&nbsp;b", "a b"},
      {"&amp;", "&amp;"},
      {SJ("＜!--x"), "<!--x"},  // ＜!-- already on the line comes back as <!--
      {"", ""},
      {"<<>>", ""},
      {"a<b>c>d<e", "ad"},  // "c>" reads as the end of a tag begun before the line
  };
  for (const auto& row : rows) EXPECT_BYTES_EQ(row.expected, StripMarkup(row.line));
}

TEST(StripMarkup, LinearOnManyTags) {
  std::string line;
  for (int i = 0; i < 200000; ++i) line += "<i>x";
  EXPECT_EQ(StripMarkup(line).size(), 200000u);
}

TEST(NthField, SplitsAtTheDelimiter) {
  struct Row {
    std::string_view text;
    int64_t n;
    std::string_view expected;
  };
  static const Row rows[] = {
      {"A|B|C", 2, "B"}, {"A|B|C", 3, "C"},         {"A|B|C", 4, ""}, {"ABC", 1, "ABC"},
      {"ABC", 2, ""},    {"A||C", 2, ""},           {"A|B", 0, ""},   {"A|B", -1, ""},
      {"|A", 1, ""},     {SJ("ポ|x"), 1, SJ("ポ")},  // ポ's second byte is no delimiter
      {"A|B|", 3, ""},
  };
  for (const auto& row : rows) EXPECT_BYTES_EQ(row.expected, NthField(row.text, '|', row.n));
}

}  // namespace
}  // namespace kanadeya
