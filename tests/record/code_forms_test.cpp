// What a code that finds nothing may have got wrong: a check digit, or the
// book's second bar code read in place of the first.
#include "record/code_forms.h"

#include <gtest/gtest.h>

namespace kanadeya {
namespace {

TEST(FindCodeSlip, CheckDigitsAndTheSecondBarcodeRow) {
  static const struct {
    const char* code;
    CodeSlip::Kind kind;
    char expected;
  } rows[] = {
      {"9784888100113", CodeSlip::kNone, 0},
      {"9784888100114", CodeSlip::kCheckDigit, '3'},
      {"978-4-88810-011-4", CodeSlip::kCheckDigit, '3'},  // hyphens and spaces ignored
      {"978 4888100110", CodeSlip::kCheckDigit, '3'},
      {"9791000000010", CodeSlip::kCheckDigit, '5'},
      {"9771000000010", CodeSlip::kNone, 0},  // no ISBN prefix
      {"488810011X", CodeSlip::kNone, 0},
      {"488810011x", CodeSlip::kNone, 0},
      {"4888100110", CodeSlip::kCheckDigit, 'X'},
      {"4000000004", CodeSlip::kNone, 0},
      {"4000000005", CodeSlip::kCheckDigit, '4'},
      {"1920073012003", CodeSlip::kSecondBarcodeRow, 0},
      {"192-0073-01200-3", CodeSlip::kSecondBarcodeRow, 0},
      {"400000000501930050", CodeSlip::kCheckDigit, '4'},          // 18 bytes: the first 10
      {"97848881001141923192000000", CodeSlip::kCheckDigit, '3'},  // 26 bytes: the first 13
      {"97848881001131923192000000", CodeSlip::kNone, 0},
      {"12345", CodeSlip::kNone, 0},
      {"97848881001130", CodeSlip::kNone, 0},  // 14 digits
      {"978488810011a", CodeSlip::kNone, 0},
      {"", CodeSlip::kNone, 0},
  };
  for (const auto& row : rows) {
    const CodeSlip slip = FindCodeSlip(row.code);
    EXPECT_EQ(row.kind, slip.kind) << row.code;
    EXPECT_EQ(row.expected, slip.expected) << row.code;
  }
}

}  // namespace
}  // namespace kanadeya
