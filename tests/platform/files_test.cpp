// Whole-file operations that the plug-in and its log rely on.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace kanadeya::platform {
namespace {

TEST(RenameFileReplacing, MovesTheFileOverAnyOther) {
  static const struct {
    const char* from;  // nullptr: no such file
    const char* to;    // nullptr: no such file
    bool into_missing_folder;
    bool renamed;
  } rows[] = {
      {"new", nullptr, false, true},
      {"new", "old", false, true},  // the old file is replaced
      {nullptr, "old", false, false},
      {"new", nullptr, true, false},
  };
  for (const auto& row : rows) {
    test::TempDir dir;
    if (row.from) dir.Write("from", row.from);
    if (row.to) dir.Write("to", row.to);
    const std::string to = row.into_missing_folder
                               ? dir.File("missing") + std::string(PathSeparator()) + "to"
                               : dir.File("to");
    EXPECT_EQ(row.renamed, RenameFileReplacing(dir.File("from"), to)) << &row - rows;
    EXPECT_EQ(dir.Exists("from"), row.from && !row.renamed) << &row - rows;
    EXPECT_EQ(dir.Read("to"), row.renamed ? row.from : row.to ? row.to : "") << &row - rows;
  }
}

TEST(AppendToFile, AddsToTheEndOrCreates) {
  static const struct {
    const char* before;  // nullptr: no such file
    const char* path;    // in the test's folder
    bool appended;
    const char* after;
  } rows[] = {
      {"a", "f", true, "ab"},
      {nullptr, "f", true, "b"},
      {nullptr, "missing/f", false, ""},
  };
  for (const auto& row : rows) {
    test::TempDir dir;
    if (row.before) dir.Write("f", row.before);
    EXPECT_EQ(row.appended, AppendToFile(dir.File(row.path), "b")) << row.path;
    EXPECT_EQ(dir.Read("f"), row.after) << row.path;
  }
}

}  // namespace
}  // namespace kanadeya::platform
