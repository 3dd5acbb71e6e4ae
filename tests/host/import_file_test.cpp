#include "host/import_file.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace hakobune {
namespace {

using Columns = std::vector<std::string>;

TEST(ReadImportFile, Items) {
  static const struct {
    std::string_view text;
    Columns columns;  // of the one line
  } rows[] = {
      {"a,b,c\r\n", {"a", "b", "c"}},
      {",,\r\n", {"", "", ""}},                             // empty items
      {"\r\n", {""}},                                       // an empty line is one empty item
      {"\"a,b\",c\r\n", {"a,b", "c"}},                      // comma inside quotes
      {"\"say \"\"hi\"\"\"\r\n", {"say \"hi\""}},           // doubled quotes
      {"\"a\r\nb\",c\r\n", {"a\r\nb", "c"}},                // CR LF inside quotes
      {"\"\x01\t\n\r\"\r\n", {"\x01\t\n\r"}},               // control bytes inside quotes
      {"a\nb\rc\r\n", {"a\nb\rc"}},                         // lone LF and CR do not end a line
      {"\"\"\r\n", {""}},                                   // quoted empty item
      {"a\"b\r\n", {"a\"b"}},                               // a quote inside a plain item
      {"\x83\x5c,\x95\x5c\r\n", {"\x83\x5c", "\x95\x5c"}},  // ソ and 表 end in 0x5C
  };
  for (const auto& row : rows) {
    const ImportFile file = ReadImportFile(row.text);
    ASSERT_EQ(0u, file.error_line) << row.text << ": " << file.error;
    ASSERT_EQ(1u, file.lines.size()) << row.text;
    EXPECT_EQ(row.columns, file.lines[0].columns) << row.text;
    EXPECT_TRUE(file.lines[0].ends_with_crlf);
  }
}

TEST(ReadImportFile, Lines) {
  const ImportFile file = ReadImportFile("a,b\r\n\"c\r\n\",d\r\ne");
  ASSERT_EQ(0u, file.error_line);
  ASSERT_EQ(3u, file.lines.size());
  EXPECT_EQ((Columns{"a", "b"}), file.lines[0].columns);
  EXPECT_EQ((Columns{"c\r\n", "d"}), file.lines[1].columns);
  EXPECT_EQ(2u, file.lines[1].number);
  EXPECT_EQ((Columns{"e"}), file.lines[2].columns);
  EXPECT_FALSE(file.lines[2].ends_with_crlf);  // the last line lacks its CR LF
  EXPECT_TRUE(ReadImportFile("").lines.empty());
}

TEST(ReadImportFile, Errors) {
  static const struct {
    std::string_view text;
    size_t error_line;
    size_t lines_read;
  } rows[] = {
      {"a\r\n\"b\r\n", 2, 1},  // a quote that never closes
      {"\"", 1, 0},
      {"\"a\"b,c\r\nd\r\n", 1, 0},  // text after the closing quote
      {"a\r\nb,\"c\" \r\n", 2, 1},
  };
  for (const auto& row : rows) {
    const ImportFile file = ReadImportFile(row.text);
    EXPECT_EQ(row.error_line, file.error_line) << row.text;
    EXPECT_EQ(row.lines_read, file.lines.size()) << row.text;
    EXPECT_FALSE(file.error.empty());
  }
}

TEST(FieldOfColumn, Layout) {
  static const struct {
    size_t column;
    int field;
  } rows[] = {{1, 0},   {19, 18}, {20, -1}, {21, 19}, {22, 20}, {40, 38},
              {41, -1}, {42, 39}, {68, 65}, {69, -1}, {0, -1}};
  for (const auto& row : rows)
    EXPECT_EQ(row.field, kanadeya::FieldOfColumn(static_cast<int>(row.column))) << row.column;
}

}  // namespace
}  // namespace hakobune
