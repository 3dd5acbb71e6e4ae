// Whole-file operations that the plug-in and its log rely on.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace kanadeya::platform {
namespace {

// Each failure says why, alike on every platform.
TEST(RenameFileReplacing, MovesTheFileOverAnyOther) {
  static const struct {
    const char* from;  // nullptr: no such file
    const char* to;    // nullptr: no such file; "/": a folder
    bool into_missing_folder;
    FileFault::Kind fault;
  } rows[] = {
      {"new", nullptr, false, FileFault::kNone},
      {"new", "old", false, FileFault::kNone},  // the old file is replaced
      {nullptr, "old", false, FileFault::kFolderMissing},
      {"new", nullptr, true, FileFault::kFolderMissing},
      {"new", "/", false, FileFault::kInTheWay},
  };
  for (const auto& row : rows) {
    test::TempDir dir;
    if (row.from) dir.Write("from", row.from);
    if (row.to && std::string_view(row.to) == "/")
      std::filesystem::create_directory(dir.File("to"));
    else if (row.to)
      dir.Write("to", row.to);
    const std::string to = row.into_missing_folder
                               ? dir.File("missing") + std::string(PathSeparator()) + "to"
                               : dir.File("to");
    const bool renamed = row.fault == FileFault::kNone;
    EXPECT_EQ(row.fault, RenameFileReplacing(dir.File("from"), to).kind) << &row - rows;
    EXPECT_EQ(dir.Exists("from"), row.from && !renamed) << &row - rows;
    if (!row.to || std::string_view(row.to) != "/") {
      EXPECT_EQ(dir.Read("to"), renamed ? row.from : row.to ? row.to : "") << &row - rows;
    }
  }
}

TEST(RenameFileIfFree, NeverReplacesWhatStands) {
  test::TempDir dir;
  dir.Write("from", "new");
  dir.Write("to", "old");
  EXPECT_EQ(FileFault::kExists, RenameFileIfFree(dir.File("from"), dir.File("to")).kind);
  EXPECT_EQ(dir.Read("to"), "old");
  EXPECT_EQ(FileFault::kNone, RenameFileIfFree(dir.File("from"), dir.File("free")).kind);
  EXPECT_EQ(dir.Read("free"), "new");
  EXPECT_FALSE(dir.Exists("from"));
}

TEST(AppendToFile, AddsToTheEndOrCreates) {
  static const struct {
    const char* before;  // nullptr: no such file
    const char* path;    // in the test's folder
    FileFault::Kind fault;
    const char* after;
  } rows[] = {
      {"a", "f", FileFault::kNone, "ab"},
      {nullptr, "f", FileFault::kNone, "b"},
      {nullptr, "missing/f", FileFault::kFolderMissing, ""},
      {nullptr, "d", FileFault::kInTheWay, ""},  // a folder
  };
  for (const auto& row : rows) {
    test::TempDir dir;
    if (row.before) dir.Write("f", row.before);
    std::filesystem::create_directory(dir.File("d"));
    EXPECT_EQ(row.fault, AppendToFile(dir.File(row.path), "b").kind) << row.path;
    EXPECT_EQ(dir.Read("f"), row.after) << row.path;
  }
}

}  // namespace
}  // namespace kanadeya::platform
