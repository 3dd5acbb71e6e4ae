// The DLL's version resource, as Windows shows it in the file's properties.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include <cstdio>
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
  // The resource and the version that funcGetInfo gives are the project's.
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(std::string(kVersionText).c_str(), "%u.%u.%u", &major, &minor, &patch), 3);
  EXPECT_EQ(fixed->dwFileVersionMS, (major << 16) | minor);
  // The fourth field is the build number.
  EXPECT_EQ(fixed->dwFileVersionLS,
            (patch << 16) | static_cast<unsigned>(std::atoi(KANADEYA_BUILD)));
  EXPECT_EQ(fixed->dwProductVersionMS, (major << 16) | minor);

  EXPECT_EQ(StringValue(info, "FileVersion"),
            std::string(kVersionText) + "." + std::string(kBuildText));
  EXPECT_EQ(StringValue(info, "ProductVersion"), kVersionText);
  EXPECT_BYTES_EQ(kDisplayName, StringValue(info, "ProductName"));
  EXPECT_FALSE(StringValue(info, "FileDescription").empty());
}

}  // namespace
}  // namespace kanadeya
