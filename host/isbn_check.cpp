#include "host/isbn_check.h"

namespace hakobune {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int Value(char c) { return c - '0'; }
}  // namespace

bool IsIsbn13(std::string_view digits) {
  if (digits.size() != 13) return false;
  for (char c : digits)
    if (!IsDigit(c)) return false;
  if (digits.substr(0, 3) != "978" && digits.substr(0, 3) != "979") return false;
  int sum = 0;
  for (size_t i = 0; i < 13; ++i) sum += Value(digits[i]) * (i % 2 == 0 ? 1 : 3);
  return sum % 10 == 0;
}

bool IsIsbn10(std::string_view code) {
  if (code.size() != 10) return false;
  int sum = 0;
  for (size_t i = 0; i < 10; ++i) {
    const char c = code[i];
    int value;
    if (IsDigit(c))
      value = Value(c);
    else if (i == 9 && (c == 'x' || c == 'X'))
      value = 10;
    else
      return false;
    sum += value * static_cast<int>(10 - i);
  }
  return sum % 11 == 0;
}

std::string CheckBookCode(std::string_view code) {
  if (code.size() == 26 && IsIsbn13(code.substr(0, 13))) return std::string(code.substr(0, 13));
  std::string bare;
  for (char c : code)
    if (c != ' ' && c != '\t' && c != '-') bare += c;
  if (IsIsbn13(bare)) return bare;
  if (IsIsbn10(bare)) {
    if (bare[9] == 'x') bare[9] = 'X';
    return bare;
  }
  return std::string();
}

}  // namespace hakobune
