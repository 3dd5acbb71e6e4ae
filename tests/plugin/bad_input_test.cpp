// Bad input that the stand-in host program refuses before it calls the
// plug-in (a data directory that does not exist or is a file), and host
// behaviour it never shows (a null search key, null texts, a failure inside
// a host function), handed to the export in process. The run must end
// without taking the host down, write nothing where it should not, and
// leave an output file that reads as 68 columns a line.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/message.h"
#include "plugin/host_api.h"
#include "plugin/lookup_driver.h"
#include "plugin/plugin_state.h"
#include "plugin/system_texts.h"
#include "tests/plugin/test_env.h"
#include "tests/support/csv.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

// A host whose site holds one book for every key; its code check can give a
// null pointer, and its download can run out of memory.
struct OneBookHost {
  static inline bool null_key = false;
  static inline bool out_of_memory = false;
  static inline bool throws_no_exception_class = false;
  static inline std::vector<std::string> targets;  // where it was asked to save pages

  static int32_t KANADEYA_STDCALL Connect(const char*) { return 1; }
  static int32_t KANADEYA_STDCALL Download(const char* path, const char* url) {
    targets.emplace_back(path);
    if (out_of_memory) throw std::bad_alloc();
    if (throws_no_exception_class) throw 42;
    const bool detail = std::string(url).find("/detail/") != std::string::npos;
    return platform::WriteWholeFile(
               path, detail
                         ? "<div id=\"SyosaiItem\">\xbe\xa6\xc9\xca\xcc\xbe\xa1\xa7</div>\r\nT\r\n"
                           "\r\n\r\n\r\n\r\n\r\n"
                         : "<html>\r\n<td><a href=\"/detail/view.php?id=1\">\r\n")
               ? 1
               : 0;
  }
  static const char* KANADEYA_STDCALL Check(const char* code) { return null_key ? nullptr : code; }
  static int32_t KANADEYA_STDCALL Unused() { return 0; }
};

class BadInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::array<void*, kHostFunctionCount> functions{};
    functions.fill(reinterpret_cast<void*>(&OneBookHost::Unused));
    functions[0] = reinterpret_cast<void*>(&OneBookHost::Connect);
    functions[1] = reinterpret_cast<void*>(&OneBookHost::Download);
    functions[7] = reinterpret_cast<void*>(&OneBookHost::Check);
    env.host_functions = functions;
    OneBookHost::null_key = false;
    OneBookHost::out_of_memory = false;
    OneBookHost::throws_no_exception_class = false;
    OneBookHost::targets.clear();
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

  test::TempDir dir;
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
    OneBookHost::targets.clear();
    Run(data_dir.c_str(), dir.File("out.txt").c_str(), "9784000000001\r\n4000000000");
    EXPECT_EQ(OneBookHost::targets,
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

TEST_F(BadInputTest, FailureThatTheRunDoesNotHandle) {
  // It reaches the export, not the host: the run cleans up, writes no output
  // file, and tells the user, and its log, if any, that the run failed. The
  // next run works as if nothing had happened.
  const std::string ini = platform::ModuleDirectory() + "kanadeya.ini";
  platform::WriteWholeFile(ini, "[Log]\r\nFile=" + dir.File("k.log") + "\r\n");
  OneBookHost::out_of_memory = true;
  Run(dir.path().c_str(), dir.File("out.txt").c_str(), "9784000000001");
  platform::DeleteFileAt(ini);
  EXPECT_FALSE(platform::FileExists(dir.File("out.txt")));
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(0u, messages[0].rfind(std::string(kRunFailedMessage), 0));
  EXPECT_TRUE(dir.Read("k.log").ends_with(std::string(kLogEnd) + "\t" + std::string(kLogRunFailed) +
                                          "\r\n"));

  OneBookHost::out_of_memory = false;
  messages.clear();
  Run(dir.path().c_str(), dir.File("out.txt").c_str(), "9784000000001");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(1u, OutputLines());
}

TEST_F(BadInputTest, FailureOfNoExceptionClass) {
  // A host function may throw anything through its C interface: the user is
  // told that the run failed, with nothing more to say.
  OneBookHost::throws_no_exception_class = true;
  Run(dir.path().c_str(), dir.File("out.txt").c_str(), "9784000000001");
  EXPECT_EQ(std::vector<std::string>{std::string(kRunFailedMessage)}, messages);
}

TEST_F(BadInputTest, NullSearchKeySkipsTheCode) {
  OneBookHost::null_key = true;
  Run(dir.path().c_str(), dir.File("out.txt").c_str(), "9784000000001");
  EXPECT_TRUE(OneBookHost::targets.empty());
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
