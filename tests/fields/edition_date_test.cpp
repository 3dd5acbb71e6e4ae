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
  BookRecord record;
  record.EditionYear = "old";
  record.EditionMonth = kUntouched;
  record.EditionDay = kUntouched;
  ParseEditionDate(row.text, record);
  SCOPED_TRACE(test::Utf8(row.text));
  EXPECT_BYTES_EQ(row.year, record.EditionYear);
  EXPECT_BYTES_EQ(row.month, record.EditionMonth);
  EXPECT_BYTES_EQ(row.day, record.EditionDay);
}

TEST(ParseEditionDate, WithSeparators) {
  static const DateRow rows[] = {
      {SJ("2005年3月10日"), "2005", "03", "10"},
      // full-width digits
      {SJ("２００５年１２月"), "2005", "12", kUntouched},
      {SJ("05年3月"), "2005", "03", kUntouched},
      {SJ("1999年"), "1999", kUntouched, kUntouched},
      {"2005.03.10", "2005", "03", "10"},
      {"98.4.1", "1998", "04", "01"},
      {"59/1/1", "2059", "01", "01"},  // two-digit years up to 59 are in the 2000s
      {"60/1/1", "1960", "01", "01"},
      {"2005/3", "2005", "03", kUntouched},
      // a year that is no number is dropped
      {SJ("平成17年3月"), "", "03", kUntouched},
      {SJ("2005年3月上旬"), "2005", "03", kUntouched},
      // the last two bytes are kept
      {SJ("2005年123月"), "2005", "23", kUntouched},
      // "年" chooses the separators
      {SJ("2005年1/2"), "2005", kUntouched, kUntouched},
      // "00" is no month
      {SJ("2005年0月"), "2005", kUntouched, kUntouched},
      {"2005.13.45", "2005", "13", "45"},  // no range test
      // blanks around the parts
      {SJ(" 7 年 3 月 1 日"), "2007", "03", "01"},
      // a sign is part of an integer
      {SJ("+5年"), "2005", kUntouched, kUntouched},
      // a negative year is dropped
      {SJ("-5年3月"), "", "03", kUntouched},
      // four bytes stay as written
      {SJ("+123年"), "+123", kUntouched, kUntouched},
      // a long year stays as written
      {SJ("123456789012345678901234567890年"), "123456789012345678901234567890", kUntouched,
       kUntouched},
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
