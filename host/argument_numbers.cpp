#include "host/argument_numbers.h"

namespace hakobune {

namespace {
constexpr uint64_t kMaxSecondsMs = 86400 * 1000ull;  // a day
}  // namespace

bool ParsePositive(const char* text, uint32_t& value) {
  if (text == nullptr || *text == '\0') return false;
  uint64_t n = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    n = n * 10 + static_cast<uint64_t>(*p - '0');
    if (n > 0x7FFFFFFF) return false;
  }
  if (n == 0) return false;
  value = static_cast<uint32_t>(n);
  return true;
}

bool ParseSeconds(const char* text, uint32_t& ms) {
  if (text == nullptr || *text == '\0') return false;
  uint64_t whole = 0, fraction = 0;
  int decimals = -1;  // -1 until the decimal point
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '.' && decimals < 0 && p != text && p[1] != '\0') {
      decimals = 0;
      continue;
    }
    if (*p < '0' || *p > '9') return false;
    const auto digit = static_cast<uint64_t>(*p - '0');
    if (decimals < 0) {
      whole = whole * 10 + digit;
      if (whole * 1000 > kMaxSecondsMs) return false;
    } else if (++decimals > 3) {
      return false;
    } else {
      fraction = fraction * 10 + digit;
    }
  }
  for (int d = decimals < 0 ? 0 : decimals; d < 3; ++d) fraction *= 10;
  const uint64_t total = whole * 1000 + fraction;
  if (total > kMaxSecondsMs) return false;
  ms = static_cast<uint32_t>(total);
  return true;
}

}  // namespace hakobune
