// Bad input that the stand-in host program refuses before it calls the
// plug-in (a data directory that does not exist or is a file), and host
// behaviour it never shows (a null search key, null texts, a failure inside
// a host function), handed to the export in process. The run must end
// without taking the host down, write nothing where it should not, and
// leave an output file that reads as 68 columns a line.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/message.h"
#include "plugin/host_api.h"
#include "plugin/lookup_driver.h"
#include "plugin/plugin_state.h"
#include "plugin/system_texts.h"
#include "tests/plugin/fake_host.h"
#include "tests/plugin/fault_env.h"
#include "tests/plugin/test_env.h"
#include "tests/support/bytes.h"
#include "tests/support/csv.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

// A host whose site holds one book for every key.
class BadInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.page_for = [this](const std::string& url) {
      return url.find("/detail/") != std::string::npos ? &detail_page : &search_page;
    };
    env.host_functions = host.Functions();
    env.plugin_folder = env.host_program_folder = places.path();
  }
  // The output file's lines, after checking that each reads as 68 columns.
  size_t OutputLines() {
    std::string contents;
    EXPECT_TRUE(platform::ReadWholeFile(dir.File("out.txt"), contents));
    EXPECT_EQ("", test::CheckOutputFile(contents));
    size_t lines = 0;
    for (size_t at = contents.find("\r\n"); at != std::string::npos;
         at = contents.find("\r\n", at + 2))
      ++lines;
    return lines;
  }

  // A run as the export makes it.
  void Run(const char* data_dir, const char* output_file, const char* codes) {
    RunLookupShowingFailures(state, env, data_dir, output_file, codes);
  }

  const std::string detail_page = test::FakeHost::DetailPage("T");
  const std::string search_page = test::FakeHost::SearchPage("1");
  test::FakeHost host;
  test::TempDir dir, places;
  PluginState state;
  test::TestEnv env;
  std::vector<std::string>& messages = env.messages;
};

TEST_F(BadInputTest, DataDirectoryThatCannotHoldThePage) {
  // Every download fails, so every code is skipped; the run still writes its
  // (empty) output file and creates no folder.
  dir.Write("a-file", "keep");
  const std::string cases[] = {
      dir.File("missing") + std::string(platform::PathSeparator()),  // no such folder
      dir.File("a-file") + std::string(platform::PathSeparator()),   // a file in its place
  };
  for (const std::string& data_dir : cases) {
    SCOPED_TRACE(data_dir);
    host.targets.clear();
    Run(data_dir.c_str(), dir.File("out.txt").c_str(), "9784000000001\r\n4000000000");
    EXPECT_EQ(host.targets,
              std::vector<std::string>(2, data_dir + "Temp.html"));  // one search per code
    EXPECT_EQ(0u, OutputLines());
    // The report alone: no list of codes to try again can go there.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(kReportRetryListNotWritten), std::string::npos) << messages[0];
    messages.clear();
  }
  EXPECT_FALSE(platform::FileExists(dir.File("missing")));
  EXPECT_EQ("keep", dir.Read("a-file"));
}

TEST_F(BadInputTest, FailureInsideAHostFunctionEndsThatCodeAlone) {
  // A host function may throw anything through its C interface, running out
  // of memory among it: that code is not fetched, and the run goes on.
  places.Write("kanadeya.ini", "[Log]\r\nFile=" + dir.File("k.log") + "\r\n");
  const std::function<void()> throws[] = {[] { throw std::bad_alloc(); }, [] { throw 42; }};
  for (const auto& fail : throws) {
    messages.clear();
    host.during_download = [&fail, this](const std::string&, const std::string& url) {
      if (url.ends_with("9784000000001")) fail();
    };
    Run(dir.path().c_str(), dir.File("out.txt").c_str(), "9784000000001\r\n4000000000");
    EXPECT_EQ(1u, OutputLines());
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(
        0u, messages[0].find(SJ("2件中1件が見つかりました（ページを取得できなかったもの 1件）。")));
    EXPECT_NE(std::string::npos, dir.Read("k.log").find(std::string(kLogLookupFailed)));
  }
}

TEST_F(BadInputTest, FailureThatTheRunDoesNotHandle) {
  // It reaches the export, not the host: the run cleans up, writes no output
  // file, and tells the user, and its log, if any, that the run failed. The
  // next run takes the book over from its journal, asking for nothing.
  places.Write("kanadeya.ini", "[Log]\r\nFile=" + dir.File("k.log") + "\r\n");
  test::FaultEnv failing(env);
  failing.on_call = [](std::string_view verb, const std::string&) {
    if (verb == "WriteNewFile") throw std::bad_alloc();
  };
  RunLookupShowingFailures(state, failing, dir.path().c_str(), dir.File("out.txt").c_str(),
                           "9784000000001");
  EXPECT_FALSE(platform::FileExists(dir.File("out.txt")));
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(0u, messages[0].rfind(std::string(kRunFailedMessage), 0));
  EXPECT_TRUE(dir.Read("k.log").ends_with(std::string(kLogEnd) + "\t" + std::string(kLogRunFailed) +
                                          "\r\n"));

  messages.clear();
  host.targets.clear();
  Run(dir.path().c_str(), dir.File("out.txt").c_str(), "9784000000001");
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(0u, messages[0].find(kReportTakenOverOpen));
  EXPECT_TRUE(host.targets.empty());
  EXPECT_EQ(1u, OutputLines());
}

TEST_F(BadInputTest, NullSearchKeySkipsTheCode) {
  host.check = [](const std::string&) { return std::nullopt; };
  Run(dir.path().c_str(), dir.File("out.txt").c_str(), "9784000000001");
  EXPECT_TRUE(host.targets.empty());
  EXPECT_EQ(0u, OutputLines());
}

TEST_F(BadInputTest, NullTexts) {
  // A null output file name cannot be written: the user is told.
  Run(dir.path().c_str(), nullptr, "9784000000001");
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(0u, messages[0].rfind(std::string(kOutputNotWrittenMessage), 0));
  // A null code list is an empty one.
  messages.clear();
  Run(dir.path().c_str(), dir.File("out.txt").c_str(), nullptr);
  EXPECT_EQ(std::vector<std::string>{std::string(kNoCodesMessage)}, messages);
}

}  // namespace
}  // namespace kanadeya
