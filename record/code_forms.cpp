#include "record/code_forms.h"

#include <algorithm>
#include <cassert>
#include <string>

namespace kanadeya {

namespace {

bool IsWholeNumber(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The decimal text of the value of a short number text: leading zeros go,
// "000000" gives "0", anything that is not a whole number gives "0".
std::string DecimalValue(std::string_view text) {
  if (!IsWholeNumber(text)) return "0";
  const bool negative = text[0] == '-';
  if (text[0] == '+' || text[0] == '-') text.remove_prefix(1);
  while (text.size() > 1 && text[0] == '0') text.remove_prefix(1);
  if (text == "0") return "0";
  return (negative ? "-" : "") + std::string(text);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void SplitEighteenByteCode(std::string_view line, BookRecord& record) {
  assert(line.size() == 18);
  record.Code = std::string(line.substr(0, 10));
  record.CCode = std::string(line.substr(10, 4));
  const std::string price(line.substr(14, 4));
  if (price == "0000")
    record.Price.clear();
  else if (price[0] == '0')
    record.Price = price.substr(1);
  else
    record.Price = price;
}

void CompleteTwentySixByteCode(BookRecord& record) {
  assert(record.Code.size() == 26);
  const std::string code = record.Code;
  if (record.CCode.empty()) record.CCode = code.substr(16, 4);
  if (record.Price.empty()) record.Price = DecimalValue(std::string_view(code).substr(20, 6));
  record.Code = code.substr(0, 13);
}

CodeSlip FindCodeSlip(std::string_view code) {
  if (code.size() == 18) code = code.substr(0, 10);
  if (code.size() == 26) code = code.substr(0, 13);
  std::string digits;
  for (char c : code) {
    if (c == ' ' || c == '\t' || c == '-') continue;
    if (digits.size() == 13) return {};
    digits += c;
  }
  CodeSlip slip;
  if (digits.size() == 13 && std::all_of(digits.begin(), digits.end(), IsDigit)) {
    if (digits.compare(0, 3, "192") == 0) return {CodeSlip::kSecondBarcodeRow, 0};
    if (digits.compare(0, 3, "978") != 0 && digits.compare(0, 3, "979") != 0) return {};
    int sum = 0;
    for (int i = 0; i < 12; ++i) sum += (digits[i] - '0') * (i % 2 == 0 ? 1 : 3);
    const char expected = static_cast<char>('0' + (10 - sum % 10) % 10);
    if (digits[12] != expected) slip = {CodeSlip::kCheckDigit, expected};
  } else if (digits.size() == 10 && std::all_of(digits.begin(), digits.begin() + 9, IsDigit) &&
             (IsDigit(digits[9]) || digits[9] == 'X' || digits[9] == 'x')) {
    int sum = 0;
    for (int i = 0; i < 9; ++i) sum += (digits[i] - '0') * (10 - i);
    const int value = (11 - sum % 11) % 11;
    const char expected = value == 10 ? 'X' : static_cast<char>('0' + value);
    const char last = digits[9] == 'x' ? 'X' : digits[9];
    if (last != expected) slip = {CodeSlip::kCheckDigit, expected};
  }
  return slip;
}

}  // namespace kanadeya
