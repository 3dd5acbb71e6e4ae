// The first-edition date over any text. The year is always written, and is
// empty or a signed or unsigned run of digits; month and day are either left
// as they were or become two ASCII digits other than "00".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fields/edition_date.h"
#include "fuzz/fuzz_support.h"
#include "record/book_record.h"

namespace {

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool IsYear(std::string_view year) {
  if (year.empty()) return true;
  if (year[0] == '+' || year[0] == '-') year.remove_prefix(1);
  return IsDigits(year);
}

bool IsTwoDigitsOrUntouched(const std::string& value, std::string_view untouched) {
  return value == untouched || (value.size() == 2 && IsDigits(value) && value != "00");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  using fuzz::Check;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  constexpr std::string_view kUntouched = "untouched";

  BookRecord record;
  record.EditionYear = kUntouched;
  record.EditionMonth = kUntouched;
  record.EditionDay = kUntouched;
  ParseEditionDate(text, record);

  Check(IsYear(record.EditionYear), "the year is neither empty nor digits", text);
  Check(IsTwoDigitsOrUntouched(record.EditionMonth, kUntouched),
        "the month was written without two digits", text);
  Check(IsTwoDigitsOrUntouched(record.EditionDay, kUntouched),
        "the day was written without two digits", text);
  return 0;
}
