// Two hosts on one data folder, each a process of its own (the data folder's
// lock is a process's): the second is started, as a child of the first,
// while the first's closing message waits or while the first runs. It is
// refused, and what the first wrote stays as the first wrote it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/text_mapping.h"
#include "plugin/lookup_driver.h"
#include "plugin/plugin_state.h"
#include "tests/plugin/fake_host.h"
#include "tests/plugin/forwarding_env.h"
#include "tests/plugin/test_env.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

// Shift_JIS bytes as UTF-8.
std::string Text(std::string_view sjis) { return platform::WideToUtf8(platform::AnsiToWide(sjis)); }

// The first host's context: at the chosen moment it runs the second host
// in a child process and waits for it to end.
struct FirstHost : test::ForwardingEnv {
  using ForwardingEnv::ForwardingEnv;
  void ShowMessage(MessageKind kind, const std::string& path, std::string_view text) override {
    if (when_message) RunSecond();
    target.ShowMessage(kind, path, text);
  }
  void ReportProgress(int current, int count) override {
    if (when_running && current == 2) RunSecond();
    target.ReportProgress(current, count);
  }
  // Runs code B with `out` as its import file; its messages go to `said`.
  void RunSecond() {
    const pid_t child = ::fork();
    if (child == 0) {
      PluginState state;
      test::TestEnv env;
      env.host_functions = host->Functions();
      env.plugin_folder = env.host_program_folder = places;
      RunLookupShowingFailures(state, env, data.c_str(), out.c_str(), "B");
      std::ofstream file(said, std::ios::binary);
      for (const std::string& message : env.messages) file << Text(message) << "\n";
      file.close();  // _exit runs no destructor
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
  }
  test::FakeHost* host = nullptr;
  bool when_message = false, when_running = false;
  std::string data, out, places, said;
};

TEST(SecondHost, IsRefusedAndChangesNothingOfTheFirsts) {
  struct Row {
    const char* name;
    bool when_message;       // else while the first runs
    const char* second_out;  // the second's import file, in the data folder
  };
  const Row rows[] = {
      {"started while the first's message waits, with the same import file", true, "out.txt"},
      {"started while the first runs, with the same import file", false, "out.txt"},
      {"started while the first runs, with an import file of its own", false, "own.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir dir, places;
    test::FakeHost host;
    host.AddBook("A", "1", "T1");
    host.AddBook("B", "2", "T2");
    dir.Write("own.txt", "an earlier run's line\r\n");
    test::TestEnv system;
    system.host_functions = host.Functions();
    system.plugin_folder = system.host_program_folder = places.path();
    FirstHost first(system);
    first.host = &host;
    first.when_message = row.when_message;
    first.when_running = !row.when_message;
    first.data = dir.path();
    first.out = dir.File(row.second_out);
    first.places = places.path();
    first.said = dir.File("said.txt");
    PluginState state;
    RunLookupShowingFailures(state, first, dir.path().c_str(), dir.File("out.txt").c_str(),
                             "A\r\nC");

    // The first's import file holds its book, whole.
    const std::string imported = dir.Read("out.txt");
    EXPECT_NE(imported.find("T1"), std::string::npos);
    EXPECT_EQ(imported.find("T2"), std::string::npos);
    const std::string said = dir.Read("said.txt");
    EXPECT_NE(said.find("このデータフォルダーは、ほかのハコブネの検索が使っています。"),
              std::string::npos)
        << said;
    // The same import file is left, and the second says that it imports the
    // first's books too; its own it clears.
    const bool same = std::string(row.second_out) == "out.txt";
    EXPECT_EQ(said.find("この取り込みファイルには、いま検索しているほかのハコブネも") !=
                  std::string::npos,
              same)
        << said;
    EXPECT_EQ(dir.Exists(row.second_out), same);
  }
}

}  // namespace
}  // namespace kanadeya
