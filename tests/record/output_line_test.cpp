#include "record/output_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "markup/markup.h"
#include "record/book_record.h"
#include "tests/support/bytes.h"
#include "tests/support/csv.h"

namespace kanadeya {
namespace {

class OutputLineTest : public ::testing::Test {
 protected:
  BookRecord record;
};

TEST(FieldOfColumn, SkipsTheTwoFixedColumns) {
  EXPECT_EQ(FieldOfColumn(1), 0);
  EXPECT_EQ(FieldOfColumn(19), 18);
  EXPECT_EQ(FieldOfColumn(20), -1);
  EXPECT_EQ(FieldOfColumn(21), 19);
  EXPECT_EQ(FieldOfColumn(40), 38);
  EXPECT_EQ(FieldOfColumn(41), -1);
  EXPECT_EQ(FieldOfColumn(42), 39);
  EXPECT_EQ(FieldOfColumn(68), 65);
  EXPECT_EQ(FieldOfColumn(0), -1);
  EXPECT_EQ(FieldOfColumn(69), -1);
}

TEST(EscapeCsvField, ReplacesLineBreaksQuotesAndCommas) {
  struct Row {
    std::string_view value, expected;
  };
  static const Row rows[] = {
      {"a\r\nb", "a$$b"},
      {"a\rb\nc", "a\rb\nc"},  // lone CR and LF stay
      {"\"x\"", SJ("”x”")},
      {"1,000", SJ("1，000")},
      {"\r\r\n", "\r$$"},
      {std::string_view("a\r\n", 2), "a\r"},  // the LF after the text is not part of it
      {"", ""},
      // A malformed pair whose second byte is a quote or a comma: replaced
      // byte-wise all the same, so the line keeps its columns.
      {"\x81\x22", "\x81\x81\x68"},
      {"\x81\x2c", "\x81\x81\x43"},
  };
  for (const auto& row : rows) EXPECT_BYTES_EQ(row.expected, EscapeCsvField(row.value));
}

TEST_F(OutputLineTest, ClearedRecordGivesSixtySevenCommas) {
  EXPECT_EQ(BuildOutputLine(record), std::string(67, ','));
}

TEST_F(OutputLineTest, EachFieldLandsInItsColumn) {
  for (int f = 0; f < kFieldCount; ++f) record[f] = "f" + std::to_string(f);
  const std::vector<std::string> columns = test::SplitCsvLine(BuildOutputLine(record));
  ASSERT_EQ(columns.size(), 68u);
  for (int c = 1; c <= 68; ++c) {
    const int f = FieldOfColumn(c);
    EXPECT_EQ(columns[c - 1], f < 0 ? "" : "f" + std::to_string(f)) << "column " << c;
  }
}

TEST_F(OutputLineTest, QuotingRule) {
  struct Row {
    std::string_view title, item;
  };
  static const Row rows[] = {
      {"a b", "\"a b\""},        // a space encloses
      {SJ("a　b"), SJ("a　b")},  // a full-width space does not
      {"a\r\nb", "a$$b"},        // CR LF becomes $$, not enclosed
      {"a\nb", "\"a\nb\""},      // a lone LF encloses and stays
      {"a\tb", "\"a\tb\""},
      {"a\"b", SJ("a”b")},  // a quote becomes ” and does not enclose
      {"a,b", SJ("a，b")},
      {"ab\x81", "ab"},      // a lone lead byte at the end is dropped
      {SJ("ポ"), SJ("ポ")},  // ポ whole
      {std::string_view("a\0 b", 4),
       std::string_view("a\0 b", 4)},  // bytes after a zero byte do not
  };
  for (const auto& row : rows) {
    record = BookRecord{};
    record.Title = std::string(row.title);
    const std::string line = BuildOutputLine(record);
    EXPECT_BYTES_EQ("," + std::string(row.item) + std::string(66, ','), line);
  }
}

TEST_F(OutputLineTest, ColumnsTwentyAndFortyOneStayEmpty) {
  for (int f = 0; f < kFieldCount; ++f) record[f] = "x";
  const std::vector<std::string> columns = test::SplitCsvLine(BuildOutputLine(record));
  ASSERT_EQ(columns.size(), 68u);
  EXPECT_EQ(columns[19], "");
  EXPECT_EQ(columns[40], "");
}

TEST_F(OutputLineTest, OtherAuthorsJoinedByDollars) {
  record.OtherAuthors = "A\r\nB";
  const std::vector<std::string> columns = test::SplitCsvLine(BuildOutputLine(record));
  ASSERT_EQ(columns.size(), 68u);
  EXPECT_EQ(columns[9], "A$$B");
}

TEST_F(OutputLineTest, ReadingFieldsAreWrittenHalfWidthAndTheRecordStays) {
  record.AuthorReading = SJ("アイ");
  record.Author2Reading = SJ("Ａ　Ｂ");
  const std::vector<std::string> columns = test::SplitCsvLine(BuildOutputLine(record));
  ASSERT_EQ(columns.size(), 68u);
  EXPECT_BYTES_EQ(SJ("ｱｲ"), columns[6]);
  EXPECT_BYTES_EQ(SJ("アイ"), record.AuthorReading);
  EXPECT_BYTES_EQ("A B", columns[8]);  // the full-width space became a space: enclosed
  EXPECT_BYTES_EQ(SJ("Ａ　Ｂ"), record.Author2Reading);
}

TEST(ToHalfWidth, MapsLongValuesWhole) {
  std::string value;
  for (int i = 0; i < 150; ++i) value += SJ("Ａ");  // 300 bytes of Ａ
  EXPECT_EQ(ToHalfWidth(value), std::string(150, 'A'));
  std::string marks;
  for (int i = 0; i < 200; ++i) marks += SJ("ヾ");  // ヾ grows to three bytes
  EXPECT_EQ(ToHalfWidth(marks).size(), 600u);
}

}  // namespace
}  // namespace kanadeya
