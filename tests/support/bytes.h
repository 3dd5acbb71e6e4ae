// Test helpers for byte strings: Shift_JIS literals written as UTF-8 in the
// test source (SJ("ピアノ")), and comparisons that print both sides as hex rows and as
// UTF-8, since raw Shift_JIS in a log is unreadable.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kanadeya::test {

// UTF-8 text converted to code page 932 bytes (with the platform's mapping).
std::string Sjis(std::string_view utf8);

// Code page 932 bytes shown as UTF-8 (undecodable bytes as \xNN).
std::string Utf8(std::string_view sjis);

// Bytes as lower-case hex, 16 to a row.
std::string Hex(std::string_view bytes);

// Bytes from a hex string such as "8341"; "-" is the empty text.
std::string Unhex(std::string_view hex);

::testing::AssertionResult BytesEqual(const char* expected_expr, const char* actual_expr,
                                      std::string_view expected, std::string_view actual);

// The folder of the test data (tests/data), with a trailing "/".
std::string DataPath(std::string_view relative);

}  // namespace kanadeya::test

// SJ("ピアノ名曲集 第3巻"): the code page 932 bytes of a UTF-8 literal, through
// the platform's mapping, as tables of test cases write their texts. Each text
// is converted once and kept for the whole run, so that a table of
// string_views may hold it. A text that is not UTF-8 or that code page 932
// cannot hold unchanged stops the program: bytes that are not text are
// written in hex. Outside any namespace, so that the tests of every program
// (the plug-in's and the host program's) write it alike.
const std::string& SJ(std::string_view utf8);

// EXPECT_BYTES_EQ(expected, actual): on failure prints hex and UTF-8 of both.
#define EXPECT_BYTES_EQ(expected, actual) \
  EXPECT_PRED_FORMAT2(::kanadeya::test::BytesEqual, expected, actual)
#define ASSERT_BYTES_EQ(expected, actual) \
  ASSERT_PRED_FORMAT2(::kanadeya::test::BytesEqual, expected, actual)
