// The forms of a code line that the record takes apart, and what a code
// that finds nothing may have got wrong.
//
// A bar-code reader makes two forms from the two bar codes on a Japanese
// book: 18 bytes (a 10-byte book code, a 4-byte classification code and a
// 4-byte price) and 26 bytes (a 13-byte book code, 3 bytes not read, a
// 4-byte classification code and 6 bytes read as a number). Any other line
// is the code itself.
#pragma once

#include <string_view>

#include "record/book_record.h"

namespace kanadeya {

// The 18-byte form, before the search: Code, CCode and Price ("0950" gives
// "950", "0000" gives nothing). REQUIRES: line.size() == 18.
void SplitEighteenByteCode(std::string_view line, BookRecord& record);

// The 26-byte form, once the page is parsed: CCode and Price where the page
// gave none (the price digits' value: "001200" gives "1200", six zeros "0",
// anything but a whole number "0"), then the 13-byte Code.
// REQUIRES: record.Code.size() == 26.
void CompleteTwentySixByteCode(BookRecord& record);

// What a code that looks like an ISBN or a book's bar code may have got
// wrong, for a hint in the log; the host's own check still decides.
struct CodeSlip {
  enum Kind {
    kNone,
    kCheckDigit,        // an ISBN whose last digit does not fit: `expected` is the one that does
    kSecondBarcodeRow,  // the 13 digits of a book's second bar code ("192...")
  } kind = kNone;
  char expected = 0;
};

// Spaces, tabs and hyphens are ignored; the 18- and 26-byte forms are
// looked at in their book code (the first 10 or 13 bytes).
//   FindCodeSlip("978-4-88810-011-4") == {kCheckDigit, '3'}
//   FindCodeSlip("1920073012003") == {kSecondBarcodeRow}
CodeSlip FindCodeSlip(std::string_view code);

}  // namespace kanadeya
