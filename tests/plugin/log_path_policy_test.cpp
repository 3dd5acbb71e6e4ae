// The [Log] File rules of kanadeya.ini, case by case. The messages are seen end to end (tests/e2e).
#include "plugin/log_path_policy.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "plugin/system_env.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

TEST(CheckLogPath, OnlyLogNamesAndNeverTheFilesOfARun) {
  test::TempDir dir;
  SystemEnv env;
  const std::string csv = dir.File("books.csv");
  const std::string txt_output = dir.File("out.txt");
  const std::string old_output = dir.File("old.txt");  // written by an earlier run
  platform::WriteWholeFile(csv, "x");
  platform::WriteWholeFile(old_output, "x");
  const std::vector<std::string> kept = {csv, txt_output, dir.File("AuthDB.dat"), old_output};
  const std::string sep(platform::PathSeparator());
  struct Row {
    std::string path;
    LogPathFault fault;
  };
  const Row rows[] = {
      {dir.File("k.log"), LogPathFault::kNone},
      {dir.File("K.LOG"), LogPathFault::kNone},
      {dir.File("k.Txt"), LogPathFault::kNone},
      {dir.File(".log"), LogPathFault::kName},
      {dir.File("k.log.bak"), LogPathFault::kName},
      {dir.File("books.csv"), LogPathFault::kName},
      {dir.File("kanadeya.ini"), LogPathFault::kName},
      {dir.File("out.txt"), LogPathFault::kOtherFile},  // the import file, not yet written
      {dir.path() + sep + "." + sep + "out.txt", LogPathFault::kOtherFile},
      {dir.path() + sep + "." + sep + "old.txt", LogPathFault::kOtherFile},
      {dir.File("k\x01.log"), LogPathFault::kCharacter},
      {dir.File(std::string(platform::MaxPathBytes(), 'a') + ".log"), LogPathFault::kTooLong},
      {dir.File("no folder") + sep + "k.log", LogPathFault::kFolderMissing},
  };
  for (const auto& row : rows) EXPECT_EQ(row.fault, CheckLogPath(env, row.path, kept)) << row.path;
}

TEST(LogPathFaultMessage, EveryFaultOfTheListGivesItsMessage) {
  // The enum and the messages come from one list, plugin/log_path_faults.inc;
  // a missing folder's message names the folder.
  struct Row {
    LogPathFault fault;
    std::string_view message;
  };
  const Row rows[] = {
#define KANADEYA_FAULT(name, sjis, utf8) {LogPathFault::k##name, {sjis, sizeof(sjis) - 1}},
#include "plugin/log_path_faults.inc"
#undef KANADEYA_FAULT
  };
  EXPECT_EQ(static_cast<size_t>(LogPathFault::kFolderMissing), std::size(rows));
  const std::string sep(platform::PathSeparator());
  const std::string path = "folder" + sep + "k.log";
  for (const auto& row : rows) {
    const std::string message = LogPathFaultMessage(row.fault, path);
    EXPECT_EQ(0u, message.find(row.message)) << static_cast<int>(row.fault);
    EXPECT_EQ(row.fault == LogPathFault::kFolderMissing,
              message.find(platform::FolderOf(path)) != std::string::npos)
        << static_cast<int>(row.fault);
  }
  EXPECT_EQ("", LogPathFaultMessage(LogPathFault::kNone, path));
}

}  // namespace
}  // namespace kanadeya
