// The page helpers of the detail-page parser against the plain rules they
// stand for: joining as SplitLines splits, markers tested line by line with
// Contains, the references decoded by ReplaceAll. Random texts (fixed seeds)
// are built from pieces that meet each other often: line breaks of every
// kind, zero bytes, lead bytes alone and in pairs, markers and parts of
// markers.
#include "scrape/page_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "strings/strings.h"
#include "tests/support/bytes.h"
#include "tests/support/plain_walks.h"

namespace kanadeya {
namespace {

std::string RandomText(std::mt19937& random, const std::vector<std::string_view>& pieces,
                       size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
  return text;
}

TEST(JoinLines, AsSplitLinesSplits) {
  static const struct {
    std::string_view text, joined;
  } rows[] = {
      {"", ""},
      {"a", "a\r\n"},                            // no break at the end: the line still counts
      {"a\n", "a\r\n"},                          // a break at the end adds no line
      {"a\r\nb\rc\nd", "a\r\nb\r\nc\r\nd\r\n"},  // CR LF, lone CR, lone LF
      {"a\n\rb", "a\r\n\r\nb\r\n"},              // LF then CR: two breaks
      {"\r\n\r\n", "\r\n\r\n"},                  // empty lines
      {std::string_view("a\nb\0c\nd", 7), "a\r\nb\r\n"},  // a zero byte ends the text
      {"\x83\r\n", "\x83\r\n"},                           // a lead byte before a break stays
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::Hex(row.text));
    EXPECT_BYTES_EQ(row.joined, JoinLines(row.text));
  }
  std::mt19937 random(1);
  const std::vector<std::string_view> pieces = {
      "a", "bc", "\r", "\n", "\r\n", "\x83", std::string_view("\0", 1)};
  for (int round = 0; round < 3000; ++round) {
    const std::string text = RandomText(random, pieces, random() % 40);
    ASSERT_BYTES_EQ(test::PlainJoinLines(text), JoinLines(text)) << test::Hex(text);
  }
}

TEST(IsJoined, WhenJoinLinesKeepsTheText) {
  static const struct {
    std::string_view text;
    bool joined;
  } rows[] = {
      {"", true},
      {"a\r\nb\r\n", true},
      {"\r\n\r\n", true},
      {"a\r\nb", false},                        // no break at the end
      {"\na\r\n", false},                       // an LF first, no CR anywhere
      {"a\nb\r\n", false},                      // a lone LF
      {"a\rb\r\n", false},                      // a lone CR
      {"a\r\n\r", false},                       // a CR at the end
      {"a\r\r\n", false},                       // CR CR LF
      {std::string_view("a\0\r\n", 4), false},  // a zero byte
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::Hex(row.text));
    EXPECT_EQ(row.joined, IsJoined(row.text));
    EXPECT_EQ(row.joined, JoinLines(row.text) == row.text);
  }
  std::mt19937 random(2);
  const std::vector<std::string_view> pieces = {
      "a", "\r", "\n", "\r\n", "\r\n", "\x83", std::string_view("\0", 1)};
  for (int round = 0; round < 3000; ++round) {
    const std::string text = RandomText(random, pieces, random() % 12);
    ASSERT_EQ(JoinLines(text) == text, IsJoined(text)) << test::Hex(text);
  }
}

TEST(LinesHoldingEach, AsContainsOnEveryLine) {
  // Markers that begin alike, run into each other and overlap themselves.
  const std::vector<std::string_view> markers = {
      "<div id=\"A\">", "<div id=\"AB\">", "<d", SJ("<td>著</td>"), "<<a<<", "<div id=\"A\">x"};
  const std::vector<std::string_view> pieces = {"<div id=\"A\">",
                                                "<div id=\"AB\">",
                                                "<div id=",
                                                "\"A\">",
                                                "<td>",
                                                SJ("著</td>"),
                                                "<",
                                                "<<a",
                                                "<<",
                                                "a",
                                                "x",
                                                " ",
                                                "\x83",
                                                "\x83<",
                                                "\r\n",
                                                "\r\n",
                                                "\r\n"};
  std::mt19937 random(2);
  for (int round = 0; round < 3000; ++round) {
    std::string page = JoinLines(RandomText(random, pieces, random() % 60));
    if (round % 3 == 0) page += "<div";  // a page that stops inside a marker
    page = JoinLines(page);
    const auto each = LinesHoldingEach(page, markers);
    ASSERT_EQ(markers.size(), each.size());
    for (size_t m = 0; m < markers.size(); ++m) {
      ASSERT_EQ(test::PlainLinesHolding(page, markers[m]), each[m])
          << "marker " << markers[m] << " in " << test::Hex(page);
      ASSERT_EQ(test::PlainLinesHolding(page, markers[m]), LinesHolding(page, markers[m]));
    }
  }
  // A one-byte marker before a longer one: its byte counts whatever follows.
  EXPECT_EQ((std::vector<size_t>{0, 4}), LinesHoldingEach("<b\r\n<a\r\n", {"<", "<a"})[0]);
}

// Lines of megabytes that hold a marker at every few bytes: each byte of the
// page is looked at a bounded number of times (a search back to the line's
// start for every match would take minutes here).
TEST(LinesHoldingEach, LongLinesOfMarkers) {
  std::string page = "x\r\n";
  for (int i = 0; i < 500'000; ++i) page += "<a><b>";
  page += "\r\n<b>\r\n";
  for (int i = 0; i < 500'000; ++i) page += "<a";
  page += "\r\n";
  const auto each = LinesHoldingEach(page, {"<a>", "<b>", "<a<"});
  EXPECT_EQ((std::vector<size_t>{3}), each[0]);
  EXPECT_EQ((std::vector<size_t>{3, page.find("\r\n<b>") + 2}), each[1]);
  EXPECT_EQ((std::vector<size_t>{page.find("\r\n<a<") + 2}), each[2]);
}

TEST(MarkedLines, WalksAlongThePage) {
  const std::string page = "a<b>\r\nc\r\n<b>\r\n<b><b>\r\n";
  MarkedLines marked(LinesHolding(page, "<b>"));
  std::vector<bool> holds;
  for (size_t start = 0; start < page.size(); start = page.find("\r\n", start) + 2)
    holds.push_back(marked.Holds(start));
  EXPECT_EQ((std::vector<bool>{true, false, true, true}), holds);
}

TEST(DecodeReferences, AsReplaceAllInTurn) {
  static const std::string_view rows[] = {
      "a&amp;b\r\n&amp;\r\n",
      "\x83&amp;",                              // "&" as the second byte of a character
      "\x83\n&amp;",                            // a LF taken as a second byte: the next byte starts
      "&amp;amp;",                              // the replacement is not scanned again
      "&amp;quot;&amp;lt;&amp;gt;&amp;&amp;x",  // but the later passes read it
      "&quot;&lt;&gt;&lt&gt",
      "\x83\x83&lt;\x83&gt;",  // after a whole character, and after a lead byte
      "&&amp;&&quot;",
      "",
  };
  for (std::string_view row : rows) {
    std::string page(row);
    DecodeReferences(page);
    EXPECT_BYTES_EQ(test::PlainDecodeReferences(row), page) << test::Hex(row);
  }
  // References across the ends of the scan's steps, decoded while it goes on.
  for (size_t offset = 0; offset < 70; ++offset) {
    for (std::string_view tail : {"&amp;quot;&lt;&&gt;", "&quot;&amp;&amp;lt;", "\x83&lt;&gt;"}) {
      const std::string text = std::string(offset, 'x') + std::string(tail) + "&lt;x";
      std::string page = text;
      DecodeReferences(page);
      ASSERT_BYTES_EQ(test::PlainDecodeReferences(text), page) << test::Hex(text);
    }
  }
  const std::vector<std::string_view> pieces = {"&amp;", "&",    "amp;",   "quot;",  "lt;",
                                                "gt;",   "\x83", SJ("　"), "\x83|",  "\r\n",
                                                "\n",    "a",    ";",      "&quot;", "&lt;"};
  std::mt19937 random(3);
  for (int round = 0; round < 5000; ++round) {
    const std::string text = RandomText(random, pieces, random() % 50);
    std::string page = text;
    DecodeReferences(page);
    ASSERT_BYTES_EQ(test::PlainDecodeReferences(text), page) << test::Hex(text);
  }
}

}  // namespace
}  // namespace kanadeya
