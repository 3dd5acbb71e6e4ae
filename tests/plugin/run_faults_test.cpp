// Runs in process whose surroundings fail (tests/plugin/fault_env.h): a full
// disk, renames refused, pages and dictionaries that cannot be read, files
// another program holds, leftovers of writers alive, gone or an hour old.
// Each row checks what reaches the import file, the list of codes to try
// again, the log and the one message (texts compared as UTF-8).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/text_mapping.h"
#include "plugin/lookup_driver.h"
#include "plugin/plugin_state.h"
#include "plugin/system_texts.h"
#include "tests/plugin/fake_host.h"
#include "tests/plugin/fault_env.h"
#include "tests/plugin/test_env.h"
#include "tests/support/csv.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

using test::FakeHost;

// Shift_JIS bytes as UTF-8.
std::string Text(std::string_view sjis) { return platform::WideToUtf8(platform::AnsiToWide(sjis)); }

// One run's host, state and surroundings: the system's, through FaultEnv.
struct World {
  FakeHost host;
  PluginState state;
  test::TestEnv system;
  test::FaultEnv env{system};
};

struct Row {
  std::string name{}, codes{};
  std::function<void(World&)> fault{};
  // Each line of the import file as "title/publisher"; nullopt: no import file stands.
  std::optional<std::vector<std::string>> lines{};
  // The codes to try again, listed beside the log (in the data directory when
  // `retry_in_data`); empty: no list.
  std::string retry{};
  bool retry_in_data = false;
  std::vector<std::string> log{};   // the log's lines but its first, without the run's tag
  std::string message{};            // what the one message begins with; empty: no message
  std::vector<std::string> left{};  // files of writers that stand after the run
  int64_t slept_ms = 0;             // what SleepFor was asked for, give or take a tenth
};

// A writer that runs nowhere: no system gives a process this number.
constexpr uint32_t kOtherWriter = 4'000'000'001u;
const std::string kLeftover = "out.txt.kanadeya-writing-4000000001-1.tmp";

class RunFaultsTest : public ::testing::Test {
 protected:
  std::string Out() const { return dir.File("out.txt"); }
  std::string Retry() const { return places.File("kanadeya-retry.txt"); }
  // Runs each row in emptied folders, keeping the log "k.log" beside
  // kanadeya.ini, on a site where A, B and 9784120000003 (of publisher 12 in
  // PubDB.dat) are books and C is not.
  void Check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.name);
      for (const test::TempDir* folder : {&dir, &places})
        for (const auto& entry : std::filesystem::directory_iterator(folder->path()))
          std::filesystem::remove_all(entry.path());
      places.Write("kanadeya.ini", "[Log]\r\nFile=k.log\r\n");
      dir.Write("PubDB.dat", "|12|Pub\r\n");
      World w;
      w.system.host_functions = w.host.Functions();
      w.system.plugin_folder = w.system.host_program_folder = places.path();
      w.host.AddBook("A", "1", "T1");
      w.host.AddBook("B", "2", "T2");
      w.host.AddBook("9784120000003", "3", "T3");
      w.host.pages[FakeHost::kSearchBase + "C"] = "<html>\r\nno hits\r\n</html>\r\n";
      if (row.fault) row.fault(w);
      RunLookupShowingFailures(w.state, w.env, dir.path().c_str(), Out().c_str(),
                               row.codes.c_str());

      EXPECT_EQ(ImportLines(), row.lines);
      EXPECT_EQ((row.retry_in_data ? dir : places).Read("kanadeya-retry.txt"), row.retry);
      EXPECT_FALSE((row.retry_in_data ? places : dir).Exists("kanadeya-retry.txt"));
      EXPECT_EQ(LogLines(), row.log);
      const std::vector<std::string>& messages = w.system.messages;
      EXPECT_EQ(messages.size(), row.message.empty() ? 0u : 1u);
      for (const std::string& message : messages)
        EXPECT_TRUE(Text(message).starts_with(row.message)) << Text(message);
      EXPECT_EQ(WritersLeft(), row.left);
      EXPECT_NEAR(w.env.slept_ms, row.slept_ms, row.slept_ms / 10);
    }
  }

  std::optional<std::vector<std::string>> ImportLines() const {
    if (!dir.Exists("out.txt")) return std::nullopt;
    const std::string contents = dir.Read("out.txt");
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = contents.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      const auto columns = test::SplitCsvLine(contents.substr(start, end - start));
      lines.push_back(columns.size() == 68 ? columns[1] + "/" + columns[12] : "?");
    }
    return lines;
  }
  std::vector<std::string> LogLines() const {
    const std::string log = Text(places.Read("k.log"));
    std::vector<std::string> lines;
    for (size_t start = log.find("\r\n"), end; start != std::string::npos; start = end) {
      if ((end = log.find("\r\n", start += 2)) == std::string::npos) break;
      const std::string line = log.substr(start, end - start);
      lines.push_back(line.substr(line.find('\t') + 1));
    }
    return lines;
  }
  std::vector<std::string> WritersLeft() const {
    std::vector<std::string> names;
    for (const test::TempDir* folder : {&dir, &places})
      for (const auto& entry : std::filesystem::directory_iterator(folder->path()))
        if (entry.path().filename().string().find(".kanadeya-writing") != std::string::npos)
          names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir;     // the data directory, with the import file
  test::TempDir places;  // the plug-in's and the host program's folder, with the log
};

const std::string kFoundA = "1\tA\tA\t見つかりました\tT1";
const std::string kNotOnSiteC = "2\tC\tC\t見つかりません：検索結果に本がありませんでした";

TEST_F(RunFaultsTest, WritesThatFail) {
  const std::string not_written = "出力ファイルを書き込めませんでした。\r\n" + Out() + "\r\n\r\n";
  const std::string end_not_written =
      "書き出していません：取り込みファイルを書き込めませんでした\t" + Out();
  const std::string a_and_c = "2件中 1件 見つかりました。見つかりません 1件。\r\n";
  Check({
      {.name = "the import file's disk is full",
       .codes = "A",
       .fault =
           [&](World& w) {
             w.env.disk_room = 0;
             w.env.disk = dir.path();
           },
       .log = {kFoundA, "終了\tコード 1件\t見つかった本 1件\t書き出した本 0件\t" + end_not_written},
       .message = not_written + "1件中 1件 見つかりました。\r\nくわしくはログをご覧ください：" +
                  places.File("k.log")},
      {.name = "the import file's disk holds a part of it",
       .codes = "A\r\nB",
       .fault =
           [&](World& w) {
             w.env.disk_room = 64;
             w.env.disk = dir.path();
           },
       .log = {kFoundA, "2\tB\tB\t見つかりました\tT2",
               "終了\tコード 2件\t見つかった本 2件\t書き出した本 0件\t" + end_not_written},
       .message = not_written + "2件中 2件 見つかりました。"},
      {.name = "the log's disk is full: no log, and the list goes to the data directory",
       .codes = "A\r\nC",
       .fault =
           [&](World& w) {
             w.env.disk_room = 0;
             w.env.disk = places.path();
           },
       .lines = {{"T1/"}},
       .retry = "C\r\n",
       .retry_in_data = true,
       .message = a_and_c + "もう一度調べるコードの一覧：" + dir.File("kanadeya-retry.txt") +
                  "\r\n（ハコブネの検索画面に貼り付けて、もう一度検索できます）"},
      {.name = "the first rename, the import file's, is refused",
       .codes = "A\r\nC",
       .fault = [](World& w) { w.env.rename_fails_at = 1; },
       .retry = "C\r\n",
       .log = {kFoundA, kNotOnSiteC,
               "終了\tコード 2件\t見つかった本 1件\t書き出した本 0件\t" + end_not_written +
                   "\tもう一度調べるコード：" + Retry()},
       .message = not_written + a_and_c + "もう一度調べるコードの一覧：" + Retry()},
      {.name = "every rename is refused",
       .codes = "A\r\nC",
       .fault =
           [](World& w) {
             w.env.rename_fails_at = 1;
             w.env.renames_fail_after = true;
           },
       .log = {kFoundA, kNotOnSiteC,
               "終了\tコード 2件\t見つかった本 1件\t書き出した本 0件\t" + end_not_written +
                   "\tもう一度調べるコードの一覧を書き込めませんでした：" + Retry()},
       .message =
           not_written + a_and_c + "もう一度調べるコードの一覧を書き込めませんでした：" + Retry()},
      {.name = "the second rename, the list's, is refused",
       .codes = "A\r\nC",
       .fault = [](World& w) { w.env.rename_fails_at = 2; },
       .lines = {{"T1/"}},
       .log = {kFoundA, kNotOnSiteC,
               "終了\tコード 2件\t見つかった本 1件\t書き出した本 1件\t" + Out() +
                   "\tもう一度調べるコードの一覧を書き込めませんでした：" + Retry()},
       .message = a_and_c + "もう一度調べるコードの一覧を書き込めませんでした：" + Retry()},
  });
}

TEST_F(RunFaultsTest, ReadsThatFail) {
  // The reads of "Temp.html" fail (or run out of memory) while it holds the page of `url`.
  const auto while_page = [](World& w, std::string url, std::vector<std::string>& reads) {
    w.host.during_download = [url, &reads](const std::string&, const std::string& now) {
      reads = now == url ? std::vector<std::string>{"Temp.html"} : std::vector<std::string>{};
    };
  };
  const std::string end = "終了\tコード 2件\t見つかった本 1件\t書き出した本 1件\t" + Out() +
                          "\tもう一度調べるコード：" + Retry();
  const std::vector<std::string> one_book = {
      "1\t9784120000003\t9784120000003\t見つかりました\tT3",
      "終了\tコード 1件\t見つかった本 1件\t書き出した本 1件\t" + Out()};
  Check({
      {.name = "B's search page cannot be read",
       .codes = "A\r\nB",
       .fault = [&](World& w) { while_page(w, FakeHost::kSearchBase + "B", w.env.unreadable); },
       .lines = {{"T1/"}},
       .retry = "B\r\n",
       .log = {kFoundA,
               "2\tB\tB\t取得できません：ページを受け取れませんでした\t" + FakeHost::kSearchBase +
                   "B",
               end},
       .message = "2件中 1件 見つかりました。取得できません 1件。"},
      {.name = "A's detail page does not fit in memory",
       .codes = "A\r\nB",
       .fault = [&](World& w) { while_page(w, FakeHost::kDetailBase + "1", w.env.out_of_memory); },
       .lines = {{"T2/"}},
       .retry = "A\r\n",
       .log = {"1\tA\tA\t読み取れません：詳細ページに読み取れる見出しがありませんでした"
               "（ページの作りが変わった可能性があります）",
               "2\tB\tB\t見つかりました\tT2", end},
       .message = "2件中 1件 見つかりました。読み取れません 1件。"},
      {.name = "the publisher dictionary is read",
       .codes = "9784120000003",
       .lines = {{"T3/Pub"}},
       .log = one_book},
      {.name = "the publisher dictionary cannot be read",
       .codes = "9784120000003",
       .fault = [](World& w) { w.env.unreadable = {"PubDB.dat"}; },
       .lines = {{"T3/"}},
       .log = one_book},
  });
}

TEST_F(RunFaultsTest, FilesAnotherProgramHolds) {
  const std::string in_use = "\t取得できません：ページを受け取るファイルを消せません\t" +
                             dir.File("Temp.html") + "（ほかのプログラムが開いています）";
  Check({
      {.name = "Temp.html, an earlier page, held from its third removal on",
       .codes = "A\r\nB\r\nC",
       .fault =
           [&](World& w) {
             dir.Write("Temp.html", FakeHost::DetailPage("Old"));
             w.env.on_call = [&w, n = 0](std::string_view verb, const std::string& path) mutable {
               if (verb == "RemoveFile" && path.ends_with("Temp.html") && ++n == 3)
                 w.env.held.insert(path);
             };
           },
       .lines = {{"T1/"}},
       .retry = "B\r\nC\r\n",
       .log = {kFoundA, "2\tB\tB" + in_use, "3\tC\tC" + in_use,
               "終了\tコード 3件\t見つかった本 1件\t書き出した本 1件\t" + Out() +
                   "\tもう一度調べるコード：" + Retry()},
       .message = "3件中 1件 見つかりました。取得できません 2件。",
       .slept_ms = 2 * 900},
      {.name = "the earlier import file, neither removed nor emptied",
       .codes = "A",
       .fault =
           [&](World& w) {
             dir.Write("out.txt", "C,Old" + std::string(66, ',') + "\r\n");
             w.env.held = {Out()};
           },
       .lines = {{"Old/"}},
       .log = {kFoundA,
               "終了\tコード 1件\t見つかった本 1件\t書き出した本 0件\t"
               "書き出していません：取り込みファイルを書き込めませんでした\t" +
                   Out() + "\t前回の取り込みファイルが残っています"},
       .message = "出力ファイルを書き込めませんでした。\r\n" + Out() + "\r\n" +
                  Text(kOldImportFileStandsMessage) + "\r\n\r\n1件中 1件 見つかりました。"},
  });
}

TEST_F(RunFaultsTest, LeftoversOfWriters) {
  const auto leftover = [this](int64_t clock_ahead, std::set<uint32_t> running) {
    return [this, clock_ahead, running](World& w) {
      dir.Write(kLeftover, "half");
      w.env.clock_ahead = clock_ahead;
      w.env.running = running;
    };
  };
  const std::vector<std::string> log = {
      kFoundA, "終了\tコード 1件\t見つかった本 1件\t書き出した本 1件\t" + Out()};
  constexpr int64_t kMinute = 60'000'000;
  Check({
      {.name = "its writer runs",
       .codes = "A",
       .fault = leftover(0, {kOtherWriter}),
       .lines = {{"T1/"}},
       .log = log,
       .left = {kLeftover}},
      {.name = "its writer is gone",
       .codes = "A",
       .fault = leftover(0, {}),
       .lines = {{"T1/"}},
       .log = log},
      {.name = "59 minutes old, its writer runs",
       .codes = "A",
       .fault = leftover(59 * kMinute, {kOtherWriter}),
       .lines = {{"T1/"}},
       .log = log,
       .left = {kLeftover}},
      {.name = "61 minutes old, its writer runs",
       .codes = "A",
       .fault = leftover(61 * kMinute, {kOtherWriter}),
       .lines = {{"T1/"}},
       .log = log},
  });
}

}  // namespace
}  // namespace kanadeya
