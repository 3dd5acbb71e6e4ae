#include "host/isbn_check.h"

#include <gtest/gtest.h>

#include <string_view>

#include "tests/support/bytes.h"

namespace hakobune {
namespace {

struct CheckRow {
  std::string_view code, key;
};

TEST(CheckBookCode, Forms) {
  static const CheckRow rows[] = {
      {"9784888100113", "9784888100113"},        // ISBN-13
      {"9791000000015", "9791000000015"},        // ISBN-13 with prefix 979
      {"978-4-88810-011-3", "9784888100113"},    // hyphens go
      {" 978 4888\t10011 3 ", "9784888100113"},  // spaces and tabs go
      {"9784888100112", ""},                     // wrong check digit
      {"9774888100114", ""},                     // right check digit, prefix 977
      {"978488810011", ""},                      // 12 digits
      {"97848881001130", ""},                    // 14 digits
      {"488810011X", "488810011X"},              // ISBN-10, check digit ten
      {"488810011x", "488810011X"},              // lower-case x comes back upper-case
      {"4-88810-011-X", "488810011X"},
      {"4000000004", "4000000004"},
      {"4000000005", ""},  // wrong check digit
      {"X000000004", ""},  // X only in the last place
      {"40000000a4", ""},
      {"", ""},
      {"----", ""},
      // 26 bytes from a bar-code reader: the first 13 bytes decide.
      {"97848884001071920073002200", "9784888400107"},
      {"97848884001081920073002200", ""},               // first 13 wrong: the whole is no ISBN
      {"-------------9784888100113", "9784888100113"},  // 26 bytes, valid once hyphens go
      // 18 bytes: the plug-in passes only the first 10, so the whole is no ISBN.
      {"488840002400730950", ""},
      // Full-width digits are not digits.
      {SJ("４００００００００４"), ""},
      {std::string_view("4000\0000004", 10), ""},  // a zero byte
  };
  for (const auto& row : rows) EXPECT_EQ(row.key, CheckBookCode(row.code)) << row.code;
}

}  // namespace
}  // namespace hakobune
