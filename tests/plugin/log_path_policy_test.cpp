// The [Log] File rules of kanadeya.ini, case by case. The messages are seen end to end (tests/e2e).
#include "plugin/log_path_policy.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "plugin/system_env.h"
#include "tests/support/bytes.h"
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
  // A missing folder's message goes on with the folder.
  struct Row {
    LogPathFault fault;
    std::string_view message;
  };
  const Row rows[] = {
      {LogPathFault::kName,
       SJ("の [Log] File のファイル名が .log か .txt で終わっていないため、ログは書きません。")},
      {LogPathFault::kTooLong, SJ("の [Log] File のパスが長すぎるため、ログは書きません。")},
      {LogPathFault::kCharacter, SJ("の [Log] File に制御文字があるため、ログは書きません。")},
      {LogPathFault::kOtherFile,
       SJ("の [Log] File が取り込みファイル、データファイル、設定ファイルまたはプラグイン自身を"
          "指しているため、ログは書きません。")},
      {LogPathFault::kFolderMissing, SJ("の [Log] File のフォルダー「")},
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
