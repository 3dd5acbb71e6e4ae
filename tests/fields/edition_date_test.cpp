#include "fields/edition_date.h"

#include <gtest/gtest.h>

#include <string_view>

#include "record/book_record.h"
#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

// Month and day are set to this before each row; a row expecting it means
// "left as it was".
constexpr std::string_view kUntouched = "xx";

struct DateRow {
  std::string_view text, year, month, day;
};

void ExpectDate(const DateRow& row) {
  ClearBookRecord();
  BookRecord.EditionYear = "old";
  BookRecord.EditionMonth = kUntouched;
  BookRecord.EditionDay = kUntouched;
  ParseEditionDate(row.text);
  SCOPED_TRACE(test::Utf8(row.text));
  EXPECT_BYTES_EQ(row.year, BookRecord.EditionYear);
  EXPECT_BYTES_EQ(row.month, BookRecord.EditionMonth);
  EXPECT_BYTES_EQ(row.day, BookRecord.EditionDay);
}

TEST(ParseEditionDate, WithSeparators) {
  static const DateRow rows[] = {
      // {"2005年3月10日", "2005", "03", "10"}
      {"2005\x94\x4e" "3\x8c\x8e" "10\x93\xfa", "2005", "03", "10"},
      // {"２００５年１２月", "2005", "12", kUntouched}: full-width digits
      {"\x82\x51\x82\x4f\x82\x4f\x82\x54\x94\x4e\x82\x50\x82\x51\x8c\x8e", "2005", "12", kUntouched},
      // {"05年3月", "2005", "03", kUntouched}
      {"05\x94\x4e" "3\x8c\x8e", "2005", "03", kUntouched},
      // {"1999年", "1999", kUntouched, kUntouched}
      {"1999\x94\x4e", "1999", kUntouched, kUntouched},
      {"2005.03.10", "2005", "03", "10"},
      {"98.4.1", "1998", "04", "01"},
      {"59/1/1", "2059", "01", "01"},  // two-digit years up to 59 are in the 2000s
      {"60/1/1", "1960", "01", "01"},
      {"2005/3", "2005", "03", kUntouched},
      // {"平成17年3月", "", "03", kUntouched}: a year that is no number is dropped
      {"\x95\xbd\x90\xac" "17\x94\x4e" "3\x8c\x8e", "", "03", kUntouched},
      // {"2005年3月上旬", "2005", "03", kUntouched}
      {"2005\x94\x4e" "3\x8c\x8e\x8f\xe3\x8f\x7b", "2005", "03", kUntouched},
      // {"2005年123月", "2005", "23", kUntouched}: the last two bytes are kept
      {"2005\x94\x4e" "123\x8c\x8e", "2005", "23", kUntouched},
      // {"2005年1/2", "2005", kUntouched, kUntouched}: "年" chooses the separators
      {"2005\x94\x4e" "1/2", "2005", kUntouched, kUntouched},
      // {"2005年0月", "2005", kUntouched, kUntouched}: "00" is no month
      {"2005\x94\x4e" "0\x8c\x8e", "2005", kUntouched, kUntouched},
      {"2005.13.45", "2005", "13", "45"},  // no range test
      // {" 7 年 3 月 1 日", "2007", "03", "01"}: blanks around the parts
      {" 7 \x94\x4e 3 \x8c\x8e 1 \x93\xfa", "2007", "03", "01"},
      // {"+5年", "2005", kUntouched, kUntouched}: a sign is part of an integer
      {"+5\x94\x4e", "2005", kUntouched, kUntouched},
      // {"-5年3月", "", "03", kUntouched}: a negative year is dropped
      {"-5\x94\x4e" "3\x8c\x8e", "", "03", kUntouched},
      // {"+123年", "+123", kUntouched, kUntouched}: four bytes stay as written
      {"+123\x94\x4e", "+123", kUntouched, kUntouched},
      // {"123456789012345678901234567890年", "123456789012345678901234567890", kUntouched, kUntouched}: a long year stays as written
      {"123456789012345678901234567890\x94\x4e", "123456789012345678901234567890", kUntouched, kUntouched},
  };
  for (const auto& row : rows) ExpectDate(row);
}

TEST(ParseEditionDate, DigitsOnly) {
  static const DateRow rows[] = {
      {"20050310", "2005", "03", "10"},
      {"200503", "2005", "03", kUntouched},  // YYYYMM
      {"190310", "1903", "10", kUntouched},
      {"050310", "2005", "03", "10"},  // YYMMDD
      {"990310", "1999", "03", "10"},
      {"2005", "", kUntouched, kUntouched},
      {"", "", kUntouched, kUntouched},
      {"00000000", "", kUntouched, kUntouched},  // zero is no date
      {"-0503100", "", kUntouched, kUntouched},
      {"2005031a", "", kUntouched, kUntouched},
      {"123456789012345678901234567890", "", kUntouched, kUntouched},
  };
  for (const auto& row : rows) ExpectDate(row);
}

}  // namespace
}  // namespace kanadeya
