#include "plugin/plugin_info.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

// Five buffers filled with 0xCC, so that a byte the call did not write shows.
struct Buffers {
  std::array<std::array<char, 64>, 5> b{};
  Buffers() {
    for (auto& buffer : b) buffer.fill('\xcc');
  }
  void Write(uint32_t size) {
    WritePluginInfo(b[0].data(), b[1].data(), b[2].data(), b[3].data(), b[4].data(), size);
  }
  std::string Text(int i, size_t n) const { return std::string(b[i].data(), n); }
};

// The version, the project's (KANADEYA_VERSION), as a buffer of `size`
// bytes holds it: cut to size - 1 bytes, then the zero byte.
std::string VersionIn(uint32_t size) {
  return std::string(KANADEYA_VERSION).substr(0, (size & 0xFFFF) - 1) + std::string(1, '\0');
}

TEST(WritePluginInfo, WholeTexts) {
  Buffers buffers;
  buffers.Write(64);
  EXPECT_STREQ(buffers.b[0].data(), "DownlaodFunc");
  EXPECT_BYTES_EQ(SJ("ISBN検索kanadeya"), buffers.b[1].data());
  EXPECT_STREQ(buffers.b[2].data(), "yorin based on MUSORI & Kagami");
  EXPECT_STREQ(buffers.b[3].data(), KANADEYA_VERSION);
  EXPECT_STREQ(buffers.b[4].data(), "3");
}

TEST(WritePluginInfo, CutsAtSizeMinusOneBytes) {
  struct Row {
    uint32_t size;
    std::array<std::string, 5> written;  // including the zero byte
  };
  const Row rows[] = {
      {5,
       {{std::string("Down\0", 5), std::string("ISBN\0", 5), std::string("yori\0", 5), VersionIn(5),
         std::string("3\0", 2)}}},
      // The cut counts bytes: size 6 ends inside 検, leaving its first byte.
      {6,
       {{std::string("Downl\0", 6), std::string("ISBN\x8c\0", 6), std::string("yorin\0", 6),
         VersionIn(6), std::string("3\0", 2)}}},
      {1,
       {{std::string("\0", 1), std::string("\0", 1), std::string("\0", 1), std::string("\0", 1),
         std::string("\0", 1)}}},
      // Only the low 16 bits count: 0x10005 is 5.
      {0x10005,
       {{std::string("Down\0", 5), std::string("ISBN\0", 5), std::string("yori\0", 5), VersionIn(5),
         std::string("3\0", 2)}}},
  };
  for (const auto& row : rows) {
    Buffers buffers;
    buffers.Write(row.size);
    for (int i = 0; i < 5; ++i) {
      EXPECT_BYTES_EQ(row.written[i], buffers.Text(i, row.written[i].size()))
          << "size " << row.size << " text " << i;
      EXPECT_EQ(buffers.b[i][row.written[i].size()], '\xcc') << "wrote past the zero byte";
    }
  }
}

TEST(WritePluginInfo, SizeZeroWritesNothing) {
  for (uint32_t size : {0u, 0x10000u}) {
    Buffers buffers;
    buffers.Write(size);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(buffers.b[i][0], '\xcc');
  }
}

TEST(WritePluginInfo, NullBuffersArePassedOver) {
  char name[16];
  WritePluginInfo(nullptr, name, nullptr, nullptr, nullptr, sizeof name);
  EXPECT_STREQ(name, SJ("ISBN検索kanadey").c_str());
}

}  // namespace
}  // namespace kanadeya
