#include "strings/crc32c.h"

#include <gtest/gtest.h>

#include <string>

namespace kanadeya {
namespace {

TEST(Crc32cTest, CheckValueAndBothWaysAgree) {
  EXPECT_EQ(Crc32c("123456789"), 0xE3069283u);
  EXPECT_EQ(Crc32cByTables("123456789"), 0xE3069283u);
  EXPECT_EQ(Crc32c(""), 0u);
  // Every length and start up to a few steps of either way, continued too.
  std::string bytes(64, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 151 + 7);
  for (size_t start = 0; start < 9; ++start)
    for (size_t length = 0; start + length <= bytes.size(); ++length) {
      const std::string_view part = std::string_view(bytes).substr(start, length);
      EXPECT_EQ(Crc32c(part), Crc32cByTables(part)) << start << " " << length;
      EXPECT_EQ(Crc32c(part.substr(length / 3), Crc32c(part.substr(0, length / 3))), Crc32c(part));
    }
}

}  // namespace
}  // namespace kanadeya
