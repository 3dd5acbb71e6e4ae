#include "scrape/detail_page.h"
#include "platform/disk_file_reader.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <new>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "record/book_record.h"
#include "record/dictionaries.h"
#include "scrape/euc_jp.h"
#include "scrape/system_texts.h"
#include "strings/strings.h"
#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

// The files of these tests lie on the disk.
platform::DiskFileReader disk;

using test::TempDir;

constexpr std::string_view kBase = "http://catalog.example";

// Values used on the pages (Shift_JIS).
const std::string kPublisherName = SJ("楽譜出版");
const std::string kTitle = SJ("ピアノ名曲集");
const std::string kItem1 = SJ("1. 春の歌");
const std::string kItem2 = SJ("2. 夏の歌");
const std::string kComposer = SJ("作曲：あいう");
const std::string kArranger = SJ("編曲：かきく");
const std::string kMemoText = SJ("メモ");
const std::string kFiller = "<p></p>";

// Shift_JIS to EUC-JP, the inverse of the arithmetic mapping; half-width
// katakana get the 0x8E prefix. Pages are written with it.
std::string ToEucJp(std::string_view sjis) {
  std::string out;
  for (size_t i = 0; i < sjis.size(); ++i) {
    const auto b = static_cast<unsigned char>(sjis[i]);
    if (b >= 0xA1 && b <= 0xDF) {
      out += '\x8e';
      out += static_cast<char>(b);
      continue;
    }
    if (!IsLeadByte(b) || i + 1 >= sjis.size()) {
      out += static_cast<char>(b);
      continue;
    }
    const auto t = static_cast<unsigned char>(sjis[++i]);
    unsigned row = (b <= 0x9F ? b - 0x70u : b - 0xB0u) * 2;
    unsigned cell = t - 0x7Eu;
    if (t < 0x9F) {
      row -= 1;
      cell = t >= 0x80 ? t - 0x20u : t - 0x1Fu;
    }
    out += static_cast<char>(row | 0x80);
    out += static_cast<char>(cell | 0x80);
  }
  return out;
}

std::string Item(std::string_view text) {
  return std::string(kMarkerContentsItem) + "\">" + std::string(text) + "</div>";
}
std::string Div(std::string_view text) { return "\t<div>" + std::string(text) + "</div>"; }

// The Shift_JIS lines as an EUC-JP page with CR LF line ends.
std::string PageOf(const std::vector<std::string>& lines) {
  std::string page;
  for (const auto& line : lines) page += line + "\r\n";
  return ToEucJp(page);
}

// The lines followed by five filler lines, which are never tested.
std::vector<std::string> WithTail(std::vector<std::string> lines) {
  for (int i = 0; i < 5; ++i) lines.push_back(kFiller);
  return lines;
}

class DetailPageTest : public ::testing::Test {
 protected:
  // The page's bytes into record, with or without the private profile's
  // marker as private_marker_ tells.
  bool ParseBytes(std::string_view page, DetailPageWork& with) {
    return ParseDetailPageBytes(page, private_marker_, kBase, dictionaries.authors, with, record,
                                &markers_found_);
  }
  bool ParseBytes(std::string_view page) { return ParseBytes(page, work); }

  bool Parse(const std::vector<std::string>& lines) { return ParseBytes(PageOf(lines)); }
  bool ParseWithTail(std::vector<std::string> lines) { return Parse(WithTail(std::move(lines))); }

  size_t markers_found_ = 99;  // what the last parse told
  bool private_marker_ = false;
  bool stop_requested = false;
  DetailPageWork work{stop_requested};
  Dictionaries dictionaries;
  BookRecord record;
};

TEST(ToEucJpHelper, RoundTripsThroughTheConversion) {
  const std::string sjis = kTitle + kItem1 + kComposer + SJ("ｶﾀ abc　熙");
  EXPECT_BYTES_EQ(sjis, EucToShiftJis(ToEucJp(sjis)));
}

// The page file, read by the file step; no marker file stands beside it.
TEST_F(DetailPageTest, WholeBookPage) {
  size_t markers = 0;
  ASSERT_TRUE(ParseDetailPage(disk, test::DataPath("pages/book.html"), kBase, dictionaries.authors,
                              work, record, &markers));
  EXPECT_EQ(10u, markers);  // each of the ten markers, some more than once
  EXPECT_BYTES_EQ(kTitle, record.Title);
  EXPECT_BYTES_EQ("3", record.Volume);
  EXPECT_BYTES_EQ(kTitle, record.Author);  // the title, so authors start at field 7
  EXPECT_BYTES_EQ(SJ("あいう"), record.Author2);
  EXPECT_BYTES_EQ(SJ("かきく [監修]"), record.OtherAuthors);
  EXPECT_BYTES_EQ("http://catalog.example/images/item/12345.jpg", record.ImageUrl);
  EXPECT_BYTES_EQ(kPublisherName, record.Publisher);
  EXPECT_BYTES_EQ(SJ("菊倍判/96ページ"), record.Size);
  EXPECT_BYTES_EQ(SJ("ピアノ・ソロ"), record.Label);
  EXPECT_BYTES_EQ("2005", record.EditionYear);
  EXPECT_BYTES_EQ("03", record.EditionMonth);
  EXPECT_BYTES_EQ("10", record.EditionDay);
  EXPECT_BYTES_EQ("1980", record.Price);
  EXPECT_BYTES_EQ(
      // spaces gone, &quot; decoded as ”
      SJ("やさしい編曲で”弾ける”\r\n") + kItem1 + kComposer + "\r\n" + kArranger +
          "<!-- SysSyusaiNaiyou end -->\r\n"
          // half-width katakana, read from the last five lines
          + SJ("\r\n2. ﾄﾛｲﾒﾗｲ作曲：さしす<!-- SysSyusaiNaiyou end -->"),
      record.Memo);
  EXPECT_BYTES_EQ("", record.AgeRating);  // no private profile
}

struct ExaminedRow {
  int line_count;   // lines of the page
  int marker_line;  // the publisher marker; its value on the next line
  bool result, acted;
};

TEST_F(DetailPageTest, LastFiveLinesAreNotTested) {
  static const ExaminedRow rows[] = {
      {6, 0, true, true},   // six lines: only line 0 is examined
      {6, 1, true, false},  // line 1 of six is among the last five
      {7, 1, true, true},   {7, 2, true, false},
      {5, 0, false, false},  // fewer than six lines: nothing examined
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.line_count << " lines, marker on " << row.marker_line);
    record = BookRecord{};
    std::vector<std::string> lines(static_cast<size_t>(row.line_count), std::string(kFiller));
    lines[static_cast<size_t>(row.marker_line)] = std::string(kMarkerPublisher);
    lines[static_cast<size_t>(row.marker_line) + 1] = Div(kPublisherName);
    EXPECT_EQ(row.result, Parse(lines));
    EXPECT_BYTES_EQ(row.acted ? kPublisherName : "", record.Publisher);
    EXPECT_EQ(row.acted ? 1u : 0u, markers_found_);  // only examined lines count
  }
}

struct FileRow {
  std::string_view bytes;
  bool result;
};

TEST_F(DetailPageTest, LineRulesOfThePage) {
  static const FileRow rows[] = {
      {"", false},
      {"1\n2\n3\n4\n5\n6", true},
      {"1\n2\n3\n4\n5\n6\n", true},  // a break at the end adds no line
      {"1\n2\n3\n4\n5\n", false},
      {"1\n\r3\n4\n5\n6", true},   // LF then CR: two breaks, an empty line
      {"1\r\n3\r4\n5\n6", false},  // CR LF is one break, a lone CR one
      {std::string_view("1\n2\n3\0\n4\n5\n6\n7", 15), false},  // a zero byte ends the text
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::Hex(row.bytes));
    EXPECT_EQ(row.result, ParseBytes(row.bytes));
  }
}

// The file step: a page file missing, or a folder in its place, is false,
// and the record is untouched.
TEST_F(DetailPageTest, MissingPageFile) {
  TempDir dir;
  const std::string path = dir.File("Temp.html");
  record.Memo = " memo ";
  size_t markers = 99;
  EXPECT_FALSE(ParseDetailPage(disk, path, kBase, dictionaries.authors, work, record, &markers));
  EXPECT_EQ(0u, markers);
  std::filesystem::create_directory(path);
  EXPECT_FALSE(ParseDetailPage(disk, path, kBase, dictionaries.authors, work, record));
  EXPECT_BYTES_EQ(" memo ", record.Memo);
}

// A page that does not fit in memory is no page without a book: the
// shortage reaches the caller.
TEST_F(DetailPageTest, PageThatDoesNotFitInMemoryThrows) {
  struct OutOfMemory : platform::DiskFileReader {
    bool ReadWholeFile(const std::string&, std::string&) override { throw std::bad_alloc(); }
  } reader;
  EXPECT_THROW(ParseDetailPage(reader, test::DataPath("pages/book.html"), kBase,
                               dictionaries.authors, work, record),
               std::bad_alloc);
}

struct ValueRow {
  std::string value_line;  // Shift_JIS, written as EUC-JP
  std::string_view expected;
};

TEST_F(DetailPageTest, CharacterReferencesOverTheWholePage) {
  static const ValueRow rows[] = {
      {"&quot;A&quot;", SJ("”A”")},                           // the full-width quotation mark
      {"A&amp;B", "A&B"},           {"&amp;quot;", SJ("”")},  // &amp; goes first, then &quot;
      {"&amp;amp;", "&amp;"},       // a doubly encoded ampersand keeps one level
      {"A&amp;nbsp;B", "A B"},      // &nbsp; is the markup stripper's
      {"A&lt;b&gt;B", "AB"},        // decoded before the tags are stripped
      {SJ("熙&quot;"), SJ("熙”")},  // after a double-byte character
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value_line);
    record = BookRecord{};
    ASSERT_TRUE(ParseWithTail({std::string(kMarkerPublisher), Div(row.value_line)}));
    EXPECT_BYTES_EQ(row.expected, record.Publisher);
  }
  // The image path is cut out of its line without stripping tags.
  ASSERT_TRUE(ParseWithTail(
      {"\t<div align=\"center\"><img src=\"/img/a&amp;b&lt;1&gt; c.jpg\" alt=\"x\"></div>"}));
  EXPECT_BYTES_EQ("http://catalog.example/img/a&b<1> c.jpg", record.ImageUrl);
}

TEST_F(DetailPageTest, PriceLine) {
  static const ValueRow rows[] = {
      {SJ("：1,980円（税込）"), "1980"},
      // <b>：　2,500 円</b> with a tab
      {SJ("<b>：　2,500\t 円</b>"), "2500"},
      {"", ""},
  };
  for (const auto& row : rows) {
    record = BookRecord{};
    record.Price = "old";
    ASSERT_TRUE(ParseWithTail({std::string(kMarkerPrice), Div(row.value_line)}));
    EXPECT_BYTES_EQ(row.expected, record.Price);
  }
}

struct ContentsRow {
  const char* what;
  std::vector<std::string> block;  // the lines after the start marker
  std::string memo;
};

TEST_F(DetailPageTest, ContentsBlocks) {
  const std::string end(kMarkerContentsEnd);
  const std::string item_end(kMarkerContentsItemEnd);
  const std::string& composer = kComposer;
  const std::string& arranger = kArranger;
  const ContentsRow rows[] = {
      {"item, second line with <br> and item end, twice",
       {Item(kItem1), Div(composer + "<br>" + arranger) + item_end, Item(kItem2),
        Div(composer) + item_end, end},
       kItem1 + composer + "\r\n" + arranger + item_end + "\r\n\r\n" + kItem2 + composer +
           item_end},
      {"end marker right after an item is its second line",
       {Item(kItem1), end, Item(kItem2), Div(composer), end, Item("x"), Div("y")},
       kItem1 + end + "\r\n" + kItem2 + composer},
      {"item end on a line of its own, plain lines give nothing",
       {Item(kItem1), Div(composer), kFiller, item_end, Item(kItem2), Div(arranger), end},
       kItem1 + composer + "\r\n\r\n" + kItem2 + arranger},
      {"no end marker: the block ends at the last line",
       {Item(kItem1), Div(composer)},
       kItem1 + composer},
      {"a start marker inside a block gathers again",
       {std::string(kMarkerContentsStart), Item(kItem1), Div(composer), end},
       kItem1 + composer + "\r\n" + kItem1 + composer},
      {"full-width space at the ends becomes a space and is trimmed",
       {Item(SJ("　") + kItem1), Div(composer + SJ("　")), end},
       kItem1 + composer},
      {"two memo lines join without a separator, full-width spaces gone",
       {std::string(kMarkerMemo), Div(SJ("　") + kMemoText + " A"), std::string(kMarkerMemo),
        Div("B"), end},
       kMemoText + "AB"},
      {"other markers inside the block are handled too, after the block",
       {std::string(kMarkerMemo), Div(kMemoText), Item(kItem1), Div(composer), end},
       kItem1 + composer + kMemoText},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    record = BookRecord{};
    std::vector<std::string> lines{std::string(kMarkerContentsStart)};
    lines.insert(lines.end(), row.block.begin(), row.block.end());
    ASSERT_TRUE(ParseWithTail(lines));
    EXPECT_BYTES_EQ(row.memo, record.Memo);
  }
}

TEST_F(DetailPageTest, ContentsItemOnTheLastLine) {
  ASSERT_TRUE(Parse({std::string(kMarkerContentsStart), "a", "b", "c", "d", "e", Item(kItem1)}));
  EXPECT_BYTES_EQ(kItem1, record.Memo);
}

struct ProfileRow {
  bool marker;  // the private profile's marker file exists
  std::string_view size, profiled_size;
};

TEST_F(DetailPageTest, PrivateProfile) {
  static const ProfileRow rows[] = {
      {false, SJ("文庫"), ""},  // 文庫 stays
      {true, SJ("文庫"), "A6"},
      {true, SJ("コミック文庫"), "A6"},
      {false, "B5", ""},
  };
  for (const auto& row : rows) {
    private_marker_ = row.marker;
    record = BookRecord{};
    record.PageUrl = "http://catalog.example/detail/view.php?id=1";
    record.Reserved18 = "x";
    ASSERT_TRUE(ParseWithTail({std::string(kMarkerSize) + "</div>", Div(row.size)}));
    EXPECT_BYTES_EQ(row.marker ? row.profiled_size : row.size, record.Size);
    EXPECT_BYTES_EQ(row.marker ? SJ("全年齢") : "", record.AgeRating);
    EXPECT_BYTES_EQ(row.marker ? "" : "x", record.Reserved18);
    EXPECT_EQ(row.marker, record.PageUrl.empty());
  }
}

struct MarkerFileRow {
  enum { kNone, kFile, kFolder } marker;  // what stands at Temp.html.kagami_private
  bool applied;
};

// The file step tells the private profile's marker file by its existence.
TEST_F(DetailPageTest, PrivateProfileMarkerFile) {
  static const MarkerFileRow rows[] = {
      {MarkerFileRow::kNone, false},
      {MarkerFileRow::kFile, true},
      {MarkerFileRow::kFolder, false},  // a folder is no marker file
  };
  for (const auto& row : rows) {
    TempDir dir;
    dir.Write("Temp.html",
              PageOf(WithTail({std::string(kMarkerSize) + "</div>", Div(SJ("文庫"))})));
    if (row.marker == MarkerFileRow::kFile) dir.Write("Temp.html.kagami_private", "anything");
    if (row.marker == MarkerFileRow::kFolder)
      std::filesystem::create_directory(dir.File("Temp.html.kagami_private"));
    record = BookRecord{};
    record.PageUrl = "http://catalog.example/detail/view.php?id=1";
    ASSERT_TRUE(
        ParseDetailPage(disk, dir.File("Temp.html"), kBase, dictionaries.authors, work, record));
    EXPECT_BYTES_EQ(row.applied ? "A6" : SJ("文庫"), record.Size);
    EXPECT_BYTES_EQ(row.applied ? SJ("全年齢") : "", record.AgeRating);
    EXPECT_EQ(row.applied, record.PageUrl.empty());
  }
}

TEST_F(DetailPageTest, StopRequestedBeforeTheFirstLine) {
  stop_requested = true;
  record.Memo = " memo ";
  EXPECT_FALSE(ParseWithTail({std::string(kMarkerPublisher), Div(kPublisherName)}));
  EXPECT_BYTES_EQ("", record.Publisher);
  EXPECT_BYTES_EQ(" memo ", record.Memo);  // the finish did not run
}

// Asks for a stop once the parse has filled the publisher, and counts the
// asks.
class StopOncePublisherRead final : public StopSignal {
 public:
  explicit StopOncePublisherRead(const BookRecord& record) : record_(record) {}
  bool Requested() const override {
    ++asks;
    return !record_.Publisher.empty();
  }
  mutable int asks = 0;

 private:
  const BookRecord& record_;
};

TEST_F(DetailPageTest, StopRequestedDuringTheWalk) {
  StopOncePublisherRead signal(record);
  DetailPageWork stopping(signal);
  record.Memo = " memo ";
  EXPECT_TRUE(
      ParseBytes(PageOf(WithTail({std::string(kMarkerPublisher), Div(kPublisherName), kFiller,
                                  kFiller, std::string(kMarkerPrice), Div("100")})),
                 stopping));
  EXPECT_BYTES_EQ(kPublisherName, record.Publisher);  // line 0 was examined
  EXPECT_BYTES_EQ("", record.Price);                  // line 4 was not
  EXPECT_EQ(1u, markers_found_);
  EXPECT_BYTES_EQ("memo", record.Memo);  // the finish ran
  // Asked before line 0 and before line 4, the next line holding a marker.
  EXPECT_EQ(2, signal.asks);
}

TEST_F(DetailPageTest, StopAskedBeforeTheFirstLineAndEachMarkedLine) {
  StopOncePublisherRead signal(record);  // never filled here: no stop
  DetailPageWork asking(signal);
  EXPECT_TRUE(ParseBytes(PageOf(WithTail({kFiller, std::string(kMarkerPrice), Div("100"), kFiller,
                                          std::string(kMarkerMemo), Div("m")})),
                         asking));
  EXPECT_BYTES_EQ("100", record.Price);
  EXPECT_EQ(3, signal.asks);  // lines 0, 1 and 4
  // Fewer than six lines: nothing is examined, nothing asked.
  signal.asks = 0;
  EXPECT_FALSE(ParseBytes(PageOf({std::string(kMarkerPrice), Div("100")}), asking));
  EXPECT_EQ(0, signal.asks);
}

TEST_F(DetailPageTest, PageWithoutMarkersStillFinishes) {
  record.Memo = SJ("　 memo　");  // full-width spaces become spaces
  record.OtherAuthors = "\r\nA";
  EXPECT_TRUE(ParseWithTail({"<html>"}));
  EXPECT_BYTES_EQ("memo", record.Memo);
  EXPECT_BYTES_EQ("A", record.OtherAuthors);  // the author slots trim field 9
}

// Pages of marker pieces and random bytes. Whatever the bytes, the parse
// ends and gives the same record again from the same page, and no field
// grows past the page: each is cut from a line of it, but for the memo,
// whose contents blocks may gather lines again up to twice the page before
// memo lines are added, and the other authors, whose roles may be shown in
// more bytes than the credit gave them ("a訳" becomes "a [訳]"). Run under
// the sanitizers, nothing reads out of bounds.
TEST_F(DetailPageTest, ArbitraryBytes) {
  const std::string pieces[] = {std::string(kMarkerProductName),
                                std::string(kMarkerImage),
                                std::string(kMarkerPublisher),
                                std::string(kMarkerSize),
                                std::string(kMarkerAuthor) + "Key=",
                                std::string(kMarkerGenre),
                                std::string(kMarkerEditionDate),
                                std::string(kMarkerPrice),
                                std::string(kMarkerMemo),
                                std::string(kMarkerContentsStart),
                                std::string(kMarkerContentsEnd),
                                std::string(kMarkerContentsItem),
                                std::string(kMarkerContentsItemEnd),
                                "<br>",
                                "&amp;",
                                "&quot;",
                                "&lt;",
                                "&gt;",
                                "\r",
                                "\n",
                                "\r\n",
                                std::string(1, '\0'),
                                "\x8e",
                                "\x8f",
                                "\xff",
                                "\"",
                                "<",
                                ">",
                                "<!--",
                                "-->",
                                SJ("　"),
                                SJ("／")};
  std::mt19937 random(20240501);
  for (int page = 0; page < 400; ++page) {
    std::string text;
    const int parts = static_cast<int>(random() % 80);
    for (int p = 0; p < parts; ++p) {
      if (random() % 3 == 0) {
        text += static_cast<char>(random() % 256);
      } else {
        const auto& piece = pieces[random() % std::size(pieces)];
        text += piece == "\r" || piece == "\n" || piece == "\r\n" || piece.size() < 2
                    ? piece
                    : ToEucJp(piece);
      }
      if (random() % 4 == 0) text += "\r\n";
    }
    record = BookRecord{};
    const bool counted = ParseBytes(text);
    const BookRecord first = record;
    record = BookRecord{};
    ASSERT_EQ(counted, ParseBytes(text)) << page;
    for (int i = 0; i < kFieldCount; ++i) {
      ASSERT_BYTES_EQ(first[i], record[i]) << "page " << page << ", field " << i;
      const size_t most = (i == kMemo || i == kOtherAuthors ? 3 : 1) * text.size();
      ASSERT_LE(record[i].size(), most) << "page " << page << ", field " << i;
    }
  }
}

// Start markers nested in one block gather its contents once each, which
// grows with the square of the page; the memo stays within twice the page.
TEST_F(DetailPageTest, NestedContentsBlocksStayBounded) {
  const std::string start = ToEucJp(kMarkerContentsStart) + "\r\n";
  const std::string item = ToEucJp(Item(kItem1)) + "\r\n" + ToEucJp(Div(kComposer)) + "\r\n";
  std::string page;
  for (int i = 0; i < 20000; ++i) page += start;
  for (int i = 0; i < 20000; ++i) page += item;
  page += "a\r\nb\r\nc\r\nd\r\ne\r\n";
  const auto began = std::chrono::steady_clock::now();
  ASSERT_TRUE(ParseBytes(page));
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
  EXPECT_LE(record.Memo.size(), 2 * page.size());
  EXPECT_GT(record.Memo.size(), 20000u * (kItem1.size() + kComposer.size()));
}

}  // namespace
}  // namespace kanadeya
