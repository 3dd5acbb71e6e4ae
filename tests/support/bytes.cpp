#include "tests/support/bytes.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

#include "platform/text_mapping.h"

namespace kanadeya::test {

std::string Sjis(std::string_view utf8) {
  const auto wide = platform::Utf8ToWide(utf8);
  EXPECT_TRUE(wide.has_value()) << "not UTF-8: " << Hex(utf8);
  return platform::WideToAnsi(wide.value_or(u""));
}

std::string Utf8(std::string_view sjis) {
  std::string out;
  for (char16_t c : platform::AnsiToWide(sjis)) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(c));
      out += buf;
    } else {
      out += platform::WideToUtf8(std::u16string_view(&c, 1));
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

const std::string& SJ(std::string_view utf8) {
  namespace platform = kanadeya::platform;
  // A map's elements never move, so a view of one stays valid.
  static std::mutex mutex;
  static std::map<std::string, std::string, std::less<>> converted;
  const std::lock_guard lock(mutex);
  if (const auto found = converted.find(utf8); found != converted.end()) return found->second;
  const auto wide = platform::Utf8ToWide(utf8);
  std::string sjis = wide ? platform::WideToAnsi(*wide) : std::string();
  if (!wide || platform::AnsiToWide(sjis) != *wide) {
    std::fprintf(stderr, "SJ: \"%.*s\" is not text that code page 932 holds\n",
                 static_cast<int>(utf8.size()), utf8.data());
    std::abort();
  }
  return converted.emplace(std::string(utf8), std::move(sjis)).first->second;
}
