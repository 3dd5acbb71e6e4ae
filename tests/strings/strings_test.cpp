#include "strings/strings.h"

#include "strings/shown_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

constexpr std::string_view kPo = "\x83\x7c";  // ポ: its second byte is "|"
constexpr std::string_view kSo = "\x83\x5c";  // ソ: its second byte is "\"

TEST(ByteFind, TriesEveryOffset) {
  struct Row {
    std::string_view text, pattern;
    size_t expected;
  };
  static const Row rows[] = {
      {"abcabc", "c", 3},     {"abc", "", 0},  // empty pattern
      {"", "a", 0},                            // empty text
      {"abc", "abcd", 0},     {kPo, "|", 2},   // matches the second byte of ポ
      {"a\x83\x7c|", "|", 3},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ByteFind(row.text, row.pattern), row.expected) << test::Hex(row.text);
}

TEST(CharFind, NeverMatchesAtASecondByte) {
  struct Row {
    std::string_view text, pattern;
    size_t expected;
  };
  static const Row rows[] = {
      {kPo, "|", 0},
      {"\x83\x7c|", "|", 3},                // skips ポ's second byte, finds the real "|"
      {"\x83\x7c\x83\x7c", "\x7c\x83", 0},  // straddles two characters
      {"a\x83\x7c", "\x83\x7c", 2},
      {"\x81", "\x81", 1},  // a lone lead byte at the end is a character
      {"", "a", 0},
      {"abc", "", 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CharFind(row.text, row.pattern), row.expected) << test::Hex(row.text);
}

TEST(ReplaceAll, ReplacesOnCharacterBoundariesOnly) {
  struct Row {
    std::string_view text, pattern, replacement, expected;
  };
  static const Row rows[] = {
      {"a|b|c", "|", "", "abc"},
      {kPo, "|", "X", kPo},  // ポ keeps its second byte
      {"\x83\x7c|", "|", "/", "\x83\x7c/"},
      {"aaa", "a", "aa", "aaaaaa"},  // the replacement is not rescanned
      {"abab", "ab", "", ""},
      {"abc", "", "x", "abc"},  // empty pattern changes nothing
      {"", "a", "b", ""},
      {"xx\x81", "\x81", "y", "xxy"},              // a lone lead byte at the end
      {"\x83\x5c\x5c", "\x5c", "#", "\x83\x5c#"},  // ソ then a real backslash
      {SJ("　　"), SJ("　"), " ", "  "},
  };
  for (const auto& row : rows)
    EXPECT_BYTES_EQ(row.expected, ReplaceAll(row.text, row.pattern, row.replacement));
  EXPECT_BYTES_EQ(kSo, ReplaceAll(kSo, "\\", "/"));
}

TEST(ReplaceAll, ManyOccurrences) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "<b>";
  EXPECT_EQ(ReplaceAll(text, "<b>", "").size(), 0u);
  EXPECT_EQ(ReplaceAll(text, "b", "bb").size(), 400000u);
}

TEST(LastDelimiter, SkipsSecondBytes) {
  EXPECT_EQ(LastDelimiter("|", kPo), 0u);
  EXPECT_EQ(LastDelimiter("(", "a(b(c"), 4u);
  EXPECT_EQ(LastDelimiter("()", "a(b)c"), 4u);
  EXPECT_EQ(LastDelimiter("(", "abc"), 0u);
  EXPECT_EQ(LastDelimiter("|", "a|\x83\x7c"), 2u);
  EXPECT_EQ(LastDelimiter("|", ""), 0u);
}

TEST(Copy, ClampsLikeTheOneBasedCopy) {
  struct Row {
    std::string_view text;
    int64_t start, count;
    std::string_view expected;
  };
  static const Row rows[] = {
      {"abcdef", 2, 3, "bcd"}, {"abcdef", 0, 2, "ab"},  // start below 1 counts as 1
      {"abcdef", -5, 2, "ab"}, {"abcdef", 7, 1, ""},    // start beyond the length
      {"abcdef", 6, 10, "f"},                           // count cut to what is left
      {"abcdef", 2, -1, ""},                            // negative count
      {"abcdef", 2, 0, ""},    {"", 1, 1, ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Copy(row.text, row.start, row.count), row.expected)
        << row.text << " " << row.start << " " << row.count;
}

TEST(LastBytes, OnShortTexts) {
  EXPECT_EQ(LastByte("abc"), "c");
  EXPECT_EQ(LastTwoBytes("abc"), "bc");
  EXPECT_EQ(LastTwoBytes("a"), "a");
  EXPECT_EQ(LastTwoBytes(""), "");
  EXPECT_EQ(LastByte(""), "");
}

TEST(Trim, RemovesControlBytesAndSpacesOnly) {
  EXPECT_BYTES_EQ(SJ("　abc　"), Trim(SJ("　abc　")));
  EXPECT_EQ(Trim(" \tabc\r\n"), "abc");
  EXPECT_EQ(Trim(std::string_view("\0a\0", 3)), "a");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(TrimRight(" a "), " a");
}

TEST(SplitLines, BreaksAtCrLfLoneCrAndLoneLf) {
  struct Row {
    std::string_view text;
    std::vector<std::string> lines;
  };
  static const Row rows[] = {
      {"a\r\nb", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR ends two lines
      {"a\rb\n", {"a", "b"}},      // a break at the end adds no line
      {"\r\n", {""}},
      {"", {}},
      {std::string_view("a\nb\0c\nd", 7), {"a", "b"}},  // a zero byte ends the text
      {"a\r\n\r\nb", {"a", "", "b"}},
  };
  for (const auto& row : rows) {
    std::vector<std::string> lines;
    SplitLines(row.text, [&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(lines, row.lines) << test::Hex(row.text);
    EXPECT_EQ(CountTextLines(row.text), row.lines.size()) << test::Hex(row.text);
  }
}

TEST(ShownText, ControlBytesMadeVisibleAndCutsOnCharacters) {
  EXPECT_EQ(VisibleText("a\tb\x7f\x01", "?"), "a?b??");
  // Also after a lead byte, which then stands alone.
  EXPECT_BYTES_EQ(VisibleText(SJ("ア") + "\x83\t", "?"), SJ("ア") + "\x83?");
  EXPECT_BYTES_EQ(VisibleText("\x83", "?"), "\x83");
  EXPECT_BYTES_EQ(CutAtCharacter(SJ("アイウ"), 5), SJ("アイ"));
  EXPECT_BYTES_EQ(CutAtCharacter(SJ("アイウ"), 4), SJ("アイ"));
  EXPECT_BYTES_EQ(CutAtCharacter("abc", 5), "abc");
  EXPECT_EQ(CharacterCount(SJ("aアb")), 3u);
  EXPECT_EQ(CharacterCount("\x83"), 1u);
}

}  // namespace
}  // namespace kanadeya
