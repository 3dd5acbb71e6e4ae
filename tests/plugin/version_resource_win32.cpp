// The DLL's version resource, as Windows shows it in the file's properties.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/system_texts.h"
#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

std::string StringValue(const std::vector<char>& info, const char* name) {
  char* value = nullptr;
  UINT size = 0;
  const std::string path = std::string("\\StringFileInfo\\041104b0\\") + name;
  if (!::VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &size) ||
      value == nullptr)
    return {};
  return std::string(value);
}

TEST(VersionResource, SaysTheVersionAndTheProductName) {
  const char* path = KANADEYA_PLUGIN_PATH;
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
  ASSERT_NE(size, 0u) << path;
  std::vector<char> info(size);
  ASSERT_TRUE(::GetFileVersionInfoA(path, 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixed_size));
  EXPECT_EQ(fixed->dwFileVersionMS, (1u << 16) | 1u);
  EXPECT_EQ(fixed->dwFileVersionLS, (3u << 16) | 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, (1u << 16) | 1u);

  EXPECT_EQ(StringValue(info, "FileVersion"), "1.1.3.0");
  EXPECT_EQ(StringValue(info, "ProductVersion"), "1.1.3");
  EXPECT_BYTES_EQ(kDisplayName, StringValue(info, "ProductName"));
  EXPECT_FALSE(StringValue(info, "FileDescription").empty());
}

}  // namespace
}  // namespace kanadeya
