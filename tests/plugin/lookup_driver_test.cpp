// The lookup run, in process, with host functions that the tests supply:
// a fake catalogue site, a code check, and hosts that misbehave.
#include "plugin/lookup_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/message.h"
#include "platform/process.h"
#include "plugin/host_api.h"
#include "plugin/plugin_state.h"
#include "plugin/system_texts.h"
#include "record/book_record.h"
#include "tests/plugin/fake_host.h"
#include "tests/plugin/test_env.h"
#include "tests/support/bytes.h"
#include "tests/support/csv.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

using test::FakeHost;
const std::string& kSearchBase = FakeHost::kSearchBase;
const std::string& kDetailBase = FakeHost::kDetailBase;
std::string DetailPage(std::string_view title) { return FakeHost::DetailPage(title); }
std::string SearchPage(std::string_view id, std::string_view indent = "") {
  return FakeHost::SearchPage(id, indent);
}

class LookupDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env.host_functions = host.Functions();
    env.on_progress = [this](int i, int n) { progress.emplace_back(i, n); };
    // The plug-in's kanadeya.ini and the host's Setting.ini in a folder of
    // the test's own.
    env.plugin_folder = env.host_program_folder = places.path();
  }

  std::string SettingsPath() const { return places.File("Setting.ini"); }
  std::string PluginSettingsPath() const { return places.File("kanadeya.ini"); }

  void Run(const char* codes) {
    RunLookupShowingFailures(state, env, dir.path().c_str(), Output().c_str(), codes);
  }
  std::string Output() const { return dir.File("out.txt"); }
  bool OutputWritten() const { return platform::FileExists(Output()); }

  // The output lines, each checked for 68 columns.
  std::vector<std::vector<std::string>> Lines() {
    std::string contents;
    EXPECT_TRUE(platform::ReadWholeFile(Output(), contents));
    EXPECT_EQ(test::CheckOutputFile(contents), "");
    std::vector<std::vector<std::string>> lines;
    size_t start = 0;
    while (start < contents.size()) {
      const size_t end = contents.find("\r\n", start);
      lines.push_back(test::SplitCsvLine(contents.substr(start, end - start)));
      start = end + 2;
    }
    return lines;
  }

  FakeHost host;
  test::TempDir dir, places;
  PluginState state;
  test::TestEnv env;
  std::vector<std::string>& messages = env.messages;
  std::vector<std::pair<int, int>> progress;
};

// Columns of the output line (1-based column - 1).
constexpr int kCodeColumn = 0, kTitleColumn = 1, kCCodeColumn = 10, kUrlColumn = 16,
              kPurchaseColumn = 20, kPriceColumn = 21, kTaxColumn = 22, kTax2Column = 24,
              kReadColumn = 46;

TEST_F(LookupDriverTest, OneBookEndToEnd) {
  host.AddBook("9784000000001", "77", "Alpha");
  Run("9784000000001");
  EXPECT_TRUE(messages.empty());
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0][kCodeColumn], "9784000000001");
  EXPECT_EQ(lines[0][kTitleColumn], "Alpha");
  EXPECT_EQ(lines[0][kUrlColumn], kDetailBase + "77");
  // Defaults when there is no "Setting.ini".
  EXPECT_BYTES_EQ(kPurchaseStateDefault, lines[0][kPurchaseColumn]);
  EXPECT_EQ(lines[0][kTaxColumn], "0");
  EXPECT_EQ(lines[0][kTax2Column], "0");
  EXPECT_BYTES_EQ(kReadStateDefault, lines[0][kReadColumn]);
  EXPECT_TRUE(dir.Exists("Temp.html"));  // stays after the run
  EXPECT_EQ(host.downloaded,
            (std::vector<std::string>{kSearchBase + "9784000000001", kDetailBase + "77"}));
}

TEST_F(LookupDriverTest, EmptyCodeListShowsTheMessageAndWritesNothing) {
  for (const char* codes : {static_cast<const char*>(nullptr), ""}) {
    messages.clear();
    dir.Write("out.txt", "old");
    Run(codes);
    EXPECT_FALSE(OutputWritten());  // the old file was deleted too
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_BYTES_EQ(kNoCodesMessage, messages[0]);
  }
}

TEST_F(LookupDriverTest, OneEmptyLineIsOneCode) {
  host.check = [](const std::string&) { return std::string(); };
  Run("\r\n");
  EXPECT_EQ(host.checked, std::vector<std::string>{""});
  EXPECT_TRUE(OutputWritten());
  EXPECT_TRUE(Lines().empty());
  EXPECT_TRUE(host.connected.empty());
}

TEST_F(LookupDriverTest, EighteenByteCodeIsSplitBeforeTheSearch) {
  struct Row {
    const char* line;
    const char* code;
    const char* ccode;
    const char* price;
  };
  static const Row rows[] = {
      {"412345678901930950", "4123456789", "0193", "950"},
      {"412345678901930000", "4123456789", "0193", ""},
      {"412345678901930050", "4123456789", "0193", "050"},  // one leading zero dropped
      {"412345678901931200", "4123456789", "0193", "1200"},
  };
  for (const auto& row : rows) {
    host.Reset();
    host.AddBook(row.code, "1", "T");
    Run(row.line);
    EXPECT_EQ(host.checked, std::vector<std::string>{row.code});
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u) << row.line;
    EXPECT_EQ(lines[0][kCodeColumn], row.code);
    EXPECT_EQ(lines[0][kCCodeColumn], row.ccode);
    EXPECT_EQ(lines[0][kPriceColumn], row.price);
  }
}

TEST_F(LookupDriverTest, TwentySixByteCodeIsCompletedAfterTheParse) {
  struct Row {
    const char* line;
    const char* ccode;
    const char* price;
  };
  static const Row rows[] = {
      {"97840000000011920193001200", "0193", "1200"},
      {"97840000000011920193000000", "0193", "0"},
      {"9784000000001192019300x200", "0193", "0"},  // not a whole number
      {"97840000000011920193120000", "0193", "120000"},
      {"97840000000011920193-01200", "0193", "-1200"},
      {"97840000000011920193+00950", "0193", "950"},
  };
  for (const auto& row : rows) {
    host.Reset();
    host.check = [](const std::string& code) { return code.substr(0, 13); };
    host.AddBook("9784000000001", "5", "T");
    Run(row.line);
    EXPECT_EQ(host.checked, std::vector<std::string>{row.line});  // all 26 bytes
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][kCodeColumn], "9784000000001");
    EXPECT_EQ(lines[0][kCCodeColumn], row.ccode);
    EXPECT_EQ(lines[0][kPriceColumn], row.price);
  }
}

TEST_F(LookupDriverTest, TwentySixByteCodeWithoutADetailPageStaysUnlooked) {
  host.check = [](const std::string& code) { return code.substr(0, 13); };
  Run("97840000000011920193001200");
  EXPECT_TRUE(Lines().empty());
}

TEST_F(LookupDriverTest, DetailLinkScan) {
  struct Row {
    std::string page;
    bool found;
  };
  const Row rows[] = {
      {SearchPage("42", " \t "), true},                                   // an indented link line
      {"<td><a href=\"/detail/view.php?id=42\">\r\nno link\r\n", false},  // first line only
      {"x\r\n<td><a href=\"/detail/view.php?id=42\r\n", false},           // no closing quote
      {"x\r\n<td><a href=\"/detail/view.php?id=42\">a\r\n"
       "<td><a href=\"/detail/view.php?id=43\">b\r\n",
       true},  // the first link decides
      {"x\r\nno link here\r\n", false},
  };
  for (const auto& row : rows) {
    host.Reset();
    host.pages[kSearchBase + "K"] = row.page;
    host.pages[kDetailBase + "42"] = DetailPage("T");
    Run("K");
    EXPECT_EQ(Lines().size(), row.found ? 1u : 0u) << row.page;
  }
}

TEST_F(LookupDriverTest, FailedConnectionOnTheThirdCodeKeepsTheBooksFound) {
  // The run ends at once, the two books are written, and the codes from the
  // third on are the ones to try again.
  host.AddBook("A", "1", "T1");
  host.AddBook("B", "2", "T2");
  host.AddBook("C", "3", "T3");
  host.connect_fail_from = 3;
  Run("A\r\nB\r\nC\r\nD");
  EXPECT_EQ(Lines().size(), 2u);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind(std::string(kNoConnectionMessage) + "\r\n", 0), 0u) << messages[0];
  EXPECT_EQ(host.checked.size(), 3u);
  EXPECT_EQ(dir.Read("kanadeya-retry.txt"), "C\r\nD\r\n");
}

TEST_F(LookupDriverTest, SearchUrlIsNotEscaped) {
  host.check = [](const std::string&) { return std::string("a b/../%"); };
  Run("x");
  ASSERT_EQ(host.connected.size(), 1u);
  EXPECT_EQ(host.connected[0], kSearchBase + "a b/../%");
}

TEST_F(LookupDriverTest, SettingsFillOnlyEmptyFields) {
  platform::WriteWholeFile(SettingsPath(), "[Entry]\r\nTaxSet=1\r\nReadSet=R\r\n");
  host.AddBook("9784000000001", "7", "T");
  Run("9784000000001");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_BYTES_EQ(kPurchaseStateDefault, lines[0][kPurchaseColumn]);
  EXPECT_EQ(lines[0][kTaxColumn], "1");
  EXPECT_EQ(lines[0][kTax2Column], "1");
  EXPECT_EQ(lines[0][kReadColumn], "R");
}

TEST_F(LookupDriverTest, FailedDownloadThatLeavesTheOldFileSkipsTheCode) {
  // The first code's detail page is left in "Temp.html"; the second code's
  // search download fails but the host leaves that file in place.
  host.AddBook("A", "1", "First");
  host.failed_download_keeps_file = true;
  Run("A\r\nB");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0][kTitleColumn], "First");
}

TEST_F(LookupDriverTest, ProgressIsReportedBeforeEachCode) {
  Run("A\r\nB\r\nC");
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
}

TEST_F(LookupDriverTest, StopButtonDuringTheRunKeepsTheLinesFound) {
  host.AddBook("A", "1", "T");
  env.on_progress = [this](int i, int) {
    if (i == 2) state.stop_requested = true;
  };
  Run("A\r\nA\r\nA");
  EXPECT_EQ(Lines().size(), 1u);
  // The stop ended that run only: the next one looks up every code.
  env.on_progress = nullptr;
  Run("A\r\nA\r\nA");
  EXPECT_EQ(Lines().size(), 3u);
}

TEST_F(LookupDriverTest, LogTellsOfAStopRequest) {
  // kanadeya.ini beside the module: here the test program itself.
  const std::string ini = PluginSettingsPath();
  platform::WriteWholeFile(ini, "[Log]\r\nFile=" + dir.File("k.log") + "\r\n");
  host.AddBook("A", "1", "T");
  env.on_progress = [this](int i, int) {
    if (i == 2) state.stop_requested = true;
  };
  Run("A\r\nA\r\nA");
  std::filesystem::remove(ini);
  std::string log;
  ASSERT_TRUE(platform::ReadWholeFile(dir.File("k.log"), log));
  const std::string head = log.substr(0, log.find("\r\n"));
  const std::string tag = head.substr(11, 8) + "/" + std::to_string(platform::CurrentProcessId());
  EXPECT_NE(head.find("\t" + std::string(kLogRunLabel) + tag + "\t"), std::string::npos) << head;
  const std::string count = std::string(kLogCountSuffix);
  EXPECT_BYTES_EQ(tag + "\t1\tA\tA\t" + std::string(kLogFound) + "\tT\r\n" + tag + "\t2\t" +
                      std::string(kLogStopped) + "\r\n" + tag + "\t" + std::string(kLogEnd) + "\t" +
                      std::string(kLogCodesLabel) + "3" + std::string(kLogCodesOf) + "1" + count +
                      "\t" + std::string(kLogFoundLabel) + "1" + count + "\t" +
                      std::string(kLogWrittenLabel) + "1" + count + "\t" + Output() + "\t" +
                      std::string(kLogRetryList) + dir.File("kanadeya-retry.txt") + "\r\n",
                  log.substr(head.size() + 2));
  EXPECT_EQ(dir.Read("kanadeya-retry.txt"), "A\r\nA\r\n");
}

TEST_F(LookupDriverTest, StopDuringTheLastCodeIsLogged) {
  // A host may let window messages run while it downloads. Pressed while
  // the last code's search page comes, the stop cuts the code's page short:
  // the code is logged as stopped, and it is one to try again.
  const std::string ini = PluginSettingsPath();
  platform::WriteWholeFile(ini, "[Log]\r\nFile=" + dir.File("k.log") + "\r\n");
  host.AddBook("A", "1", "T");
  host.AddBook("B", "2", "U");
  host.during_download = [this](const std::string&, const std::string&) {
    if (host.downloaded.size() == 3) state.stop_requested = true;
  };
  Run("A\r\nB");
  std::filesystem::remove(ini);
  EXPECT_EQ(Lines().size(), 1u);
  EXPECT_EQ(dir.Read("kanadeya-retry.txt"), "B\r\n");
  std::string log;
  ASSERT_TRUE(platform::ReadWholeFile(dir.File("k.log"), log));
  EXPECT_NE(log.find("\t2\tB\tB\t" + std::string(kLogStopped)), std::string::npos) << log;
  EXPECT_EQ(log.find(kLogStoppedAfterLast), std::string::npos);
}

TEST_F(LookupDriverTest, HostLackingOneFunction) {
  for (int missing : {0, 7, 15}) {
    messages.clear();
    auto functions = host.Functions();
    functions[static_cast<size_t>(missing)] = nullptr;
    env.host_functions = functions;
    Run("A");
    EXPECT_FALSE(OutputWritten());
    ASSERT_EQ(messages.size(), 1u) << kHostFunctionNames[static_cast<size_t>(missing)];
    EXPECT_BYTES_EQ(kHostFunctionMissingMessage, messages[0]);
    EXPECT_TRUE(host.checked.empty());
  }
}

TEST_F(LookupDriverTest, MissingHostProgramShowsBothMessages) {
  // The test program's folder holds no host program.
  env.host_functions = std::nullopt;
  Run("A");
  EXPECT_FALSE(OutputWritten());
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find(std::string(kHostMissingSuffix)), std::string::npos);
  EXPECT_EQ(messages[0].rfind(places.path(), 0), 0u);
  EXPECT_BYTES_EQ(kHostFunctionMissingMessage, messages[1]);
}

TEST_F(LookupDriverTest, OutputFolderMissingIsReported) {
  host.AddBook("A", "1", "T");
  RunLookupShowingFailures(state, env, dir.path().c_str(),
                           dir.File("no-such-folder/out.txt").c_str(), "A");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind(std::string(kOutputNotWrittenMessage), 0), 0u);
}

}  // namespace
}  // namespace kanadeya

namespace kanadeya {
namespace {

TEST_F(LookupDriverTest, APageReceivedIsNeverAskedForTwice) {
  host.AddBook("A", "1", "T");
  host.pages[kSearchBase + "C"] = "<html>\r\nno hits\r\n</html>\r\n";
  Run("A\r\nC\r\nA\r\nC\r\nA");
  EXPECT_EQ(host.downloaded,
            (std::vector<std::string>{kSearchBase + "A", kDetailBase + "1", kSearchBase + "C"}));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0] == lines[1] && lines[1] == lines[2]);
}

TEST_F(LookupDriverTest, AKilledRunIsTakenOver) {
  // A run killed at its third code leaves its journal as it stood then.
  for (const char* code : {"A", "B", "C", "D"})
    host.AddBook(code, std::to_string(code[0]), std::string("T") + code);
  std::string journal, killed;
  host.during_download = [&](const std::string&, const std::string& url) {
    if (url != kSearchBase + "C") return;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      if (entry.path().filename().string().starts_with("kanadeya-journal-")) journal = entry.path();
    ASSERT_TRUE(platform::ReadWholeFile(journal, killed));
  };
  Run("A\r\nB\r\nC");
  const std::string whole = dir.Read("out.txt");
  host.during_download = nullptr;
  const auto killed_run = [&] {
    std::filesystem::remove(Output());
    platform::WriteWholeFile(journal, killed);
    host.downloaded.clear();
  };
  // The same codes again: only C is asked for, and the import file is the same.
  killed_run();
  Run("A\r\nB\r\nC");
  EXPECT_EQ(host.downloaded, (std::vector<std::string>{kSearchBase + "C", kDetailBase + "67"}));
  EXPECT_BYTES_EQ(whole, dir.Read("out.txt"));
  EXPECT_FALSE(dir.Exists(journal.substr(journal.rfind('/') + 1)));
  // Other codes: A's and B's books are kept in a file named for the killed
  // run, and their codes listed with C, never reached.
  killed_run();
  std::string stamp = journal.substr(journal.find("journal-") + 8);
  stamp = stamp.substr(0, stamp.find(".dat"));
  for (int run = 1; run <= 2; ++run) {
    messages.clear();
    Run("D");
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(dir.Read("kanadeya-books-" + stamp + ".csv"),
              whole.substr(0, whole.find("\r\nC,") + 2));
    EXPECT_EQ(dir.Read("kanadeya-retry.txt"), run == 1 ? "A\r\nB\r\nC\r\n" : "");
    EXPECT_FALSE(dir.Exists(journal.substr(journal.rfind('/') + 1)));
    EXPECT_EQ(messages.size(), run == 1 ? 1u : 0u);
  }
}

}  // namespace
}  // namespace kanadeya
