// The encodings of kanadeya.ini, case by case. Reading the file is seen end to end (tests/e2e).
#include "plugin/settings_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

TEST(SettingsText, ByteOrderMarksAndValidUtf8DecideTheEncoding) {
  struct Row {
    std::string bytes;
    bool readable;
    std::string text;
  };
  const Row rows[] = {
      {SJ("[Log]\r\nFile=ログ.log"), true, SJ("[Log]\r\nFile=ログ.log")},
      {"\xEF\xBB\xBF[Site]\xE3\x83\xAD", true, SJ("[Site]ロ")},
      {std::string("\xFF\xFE[\0S\0\xED\x30", 8), true, SJ("[Sロ")},
      {std::string("\xFE\xFF\0[\0S\x30\xED", 8), true, SJ("[Sロ")},
      {"\xEF\xBB\xBF\xE3\x83", false, ""},  // UTF-8 cut short
      // Without a mark: valid UTF-8 with a multi-byte sequence is UTF-8 (as
      // Notepad saves); anything else is taken as Shift_JIS.
      {"File=\xE8\xA8\x98\xE9\x8C\xB2.log", true, SJ("File=記録.log")},
      {SJ("File=記録.log"), true, SJ("File=記録.log")},
      {"File=k.log", true, "File=k.log"},
      {"File=\xE8\xA8\x98\xE9\x8C.log", true, "File=\xE8\xA8\x98\xE9\x8C.log"},
      // Half-width katakana in Shift_JIS read as two-byte UTF-8 sequences;
      // a value with a character that code page 932 lacks ("é"); a comment
      // may hold one.
      {SJ("File=ﾓｸﾛｸ\\k.log"), true, SJ("File=ﾓｸﾛｸ\\k.log")},
      {"File=\xC3\xA9\xE8\xA8\x98.log", true, "File=\xC3\xA9\xE8\xA8\x98.log"},
      {";\xC3\xA9\r\nFile=\xE8\xA8\x98.log", true, SJ(";e\r\nFile=記.log")},
      {"\xFF\xFE[", false, ""},  // an odd number of bytes
  };
  for (const auto& row : rows) {
    std::string text;
    EXPECT_EQ(row.readable, SettingsText(row.bytes, text)) << row.bytes;
    if (row.readable) {
      EXPECT_BYTES_EQ(row.text, text);
    }
  }
}

}  // namespace
}  // namespace kanadeya
