#include "tests/support/bytes.h"

#include <cstdio>

#include "platform/text_mapping.h"

namespace kanadeya::test {

namespace {

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t cp = b;
    size_t n = 1;
    if (b >= 0xF0) { cp = b & 0x07; n = 4; }
    else if (b >= 0xE0) { cp = b & 0x0F; n = 3; }
    else if (b >= 0xC0) { cp = b & 0x1F; n = 2; }
    for (size_t k = 1; k < n && i + k < s.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string Sjis(std::string_view utf8) { return platform::WideToAnsi(Utf8ToUtf16(utf8)); }

std::string Utf8(std::string_view sjis) {
  std::string out;
  for (char16_t c : platform::AnsiToWide(sjis)) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(c));
      out += buf;
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::string Hex(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += (i % 16 == 0) ? "\n    " : " ";
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
    out += buf;
  }
  return out;
}

std::string Unhex(std::string_view hex) {
  std::string out;
  if (hex == "-") return out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

::testing::AssertionResult BytesEqual(const char* expected_expr, const char* actual_expr,
                                      std::string_view expected, std::string_view actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual_expr << " differs from " << expected_expr << "\n"
         << "  expected (" << expected.size() << " bytes): " << Utf8(expected) << "\n    "
         << Hex(expected) << "\n"
         << "  actual   (" << actual.size() << " bytes): " << Utf8(actual) << "\n    "
         << Hex(actual);
}

std::string DataPath(std::string_view relative) {
  return std::string(KANADEYA_TEST_DATA) + "/" + std::string(relative);
}

}  // namespace kanadeya::test
