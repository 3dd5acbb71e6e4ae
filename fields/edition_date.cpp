#include "fields/edition_date.h"

#include <cassert>
#include <cstdint>
#include <string>

#include "fields/system_texts.h"
#include "markup/markup.h"
#include "record/book_record.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// How a text reads as a decimal integer with an optional sign. Any number of
// digits is accepted; only a text of at most three bytes is ever given a
// value, so no conversion can overflow.
struct IntegerText {
  bool valid = false;     // the whole text is an integer
  bool negative = false;  // below zero ("-0" is not)
  bool zero = false;      // equal to zero
};
IntegerText ReadInteger(std::string_view text);

// The four-digit year of a year written with fewer than four bytes.
// REQUIRES: ReadInteger(text).valid, !negative, text.size() < 4.
std::string CenturyYear(std::string_view text);

// "00" + value, cut to its last two bytes: "3" -> "03", "123" -> "23".
std::string TwoDigits(std::string_view value);

// True when the first two bytes are "0"-"9".
bool StartsWithTwoDigits(std::string_view text);

struct Separators {
  std::string_view year, month, day;  // day empty: the day runs to the end
};

}  // namespace

void ParseEditionDate(std::string_view text, BookRecord& record) {
  const std::string s = NarrowAlnum(text);
  std::string year;
  std::string month = "00";
  std::string day = "00";

  Separators sep;
  if (CharFind(s, kYearMark) != 0) {
    sep = {kYearMark, kMonthMark, kDayMark};
  } else if (Contains(s, ".")) {
    sep = {".", ".", {}};
  } else if (Contains(s, "/")) {
    sep = {"/", "/", {}};
  }

  if (!sep.year.empty()) {
    const auto p = static_cast<int64_t>(CharFind(s, sep.year));
    const std::string_view year_text = TrimView(CopyView(s, 1, p - 1));
    std::string_view rest = From(s, p + static_cast<int64_t>(sep.year.size()));

    const IntegerText read = ReadInteger(year_text);
    if (read.valid && !read.negative)
      year = year_text.size() < 4 ? CenturyYear(year_text) : std::string(year_text);

    if (const auto q = static_cast<int64_t>(CharFind(rest, sep.month)); q != 0) {
      month = TwoDigits(TrimView(CopyView(rest, 1, q - 1)));
      rest = From(rest, q + static_cast<int64_t>(sep.month.size()));
      const auto d = static_cast<int64_t>(CharFind(rest, sep.day));
      day = TwoDigits(TrimView(d != 0 ? CopyView(rest, 1, d - 1) : rest));
    } else {
      month = TwoDigits(TrimView(rest));
    }
  } else {
    const std::string_view digits = TrimView(s);
    const IntegerText read = ReadInteger(digits);
    if (read.valid && !read.negative && !read.zero) {
      if (digits.size() == 8) {
        year = digits.substr(0, 4);
        month = digits.substr(4, 2);
        day = digits.substr(6, 2);
      } else if (digits.size() == 6 &&
                 (digits.substr(0, 2) == "19" || digits.substr(0, 2) == "20")) {
        year = digits.substr(0, 4);
        month = digits.substr(4, 2);
      } else if (digits.size() == 6) {
        // The leading two bytes of a positive integer read as one too.
        year = CenturyYear(digits.substr(0, 2));
        month = digits.substr(2, 2);
        day = digits.substr(4, 2);
      }
    }
  }

  record.EditionYear = year;
  if (month != "00" && StartsWithTwoDigits(month)) record.EditionMonth = month;
  if (day != "00" && StartsWithTwoDigits(day)) record.EditionDay = day;
}

namespace {

std::string TwoDigits(std::string_view value) {
  return std::string(LastTwoBytes("00" + std::string(value)));
}

bool StartsWithTwoDigits(std::string_view text) {
  return text.size() >= 2 && text[0] >= '0' && text[0] <= '9' && text[1] >= '0' && text[1] <= '9';
}

IntegerText ReadInteger(std::string_view text) {
  IntegerText read;
  bool minus = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    minus = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return read;
  bool zero = true;
  for (const char c : text) {
    if (c < '0' || c > '9') return read;
    zero = zero && c == '0';
  }
  read.valid = true;
  read.zero = zero;
  read.negative = minus && !zero;
  return read;
}

std::string CenturyYear(std::string_view text) {
  assert(text.size() < 4);
  int value = 0;
  for (const char c : text)
    if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
  return std::to_string(value < 60 ? value + 2000 : value + 1900);
}

}  // namespace

}  // namespace kanadeya
