#include "host/argument_numbers.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace hakobune {
namespace {

constexpr uint32_t kUnchanged = 7;

TEST(ParseSeconds, Milliseconds) {
  static const struct {
    const char* text;
    uint32_t ms;  // kUnchanged: refused
  } rows[] = {
      {"60", 60000},
      {"0", 0},
      {"0.25", 250},
      {"1.5", 1500},
      {"12.345", 12345},
      {"86400", 86400000},  // a day
      {"86400.001", kUnchanged},
      {"1.0001", kUnchanged},  // four decimals
      {".5", kUnchanged},
      {"5.", kUnchanged},
      {"1.2.3", kUnchanged},
      {"-1", kUnchanged},
      {"", kUnchanged},
      {nullptr, kUnchanged},
  };
  for (const auto& row : rows) {
    uint32_t ms = kUnchanged;
    EXPECT_EQ(ParseSeconds(row.text, ms), row.ms != kUnchanged) << (row.text ? row.text : "null");
    EXPECT_EQ(ms, row.ms) << (row.text ? row.text : "null");
  }
}

TEST(ParsePositive, OneToTwoToThe31Minus1) {
  static const struct {
    const char* text;
    uint32_t value;  // kUnchanged: refused
  } rows[] = {
      {"1", 1},          {"60", 60},         {"2147483647", 2147483647}, {"2147483648", kUnchanged},
      {"0", kUnchanged}, {"1x", kUnchanged}, {"", kUnchanged},           {nullptr, kUnchanged},
  };
  for (const auto& row : rows) {
    uint32_t value = kUnchanged;
    EXPECT_EQ(ParsePositive(row.text, value), row.value != kUnchanged)
        << (row.text ? row.text : "null");
    EXPECT_EQ(value, row.value) << (row.text ? row.text : "null");
  }
}

}  // namespace
}  // namespace hakobune
