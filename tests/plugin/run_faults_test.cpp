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

#include "platform/paths.h"
#include "platform/text_mapping.h"
#include "plugin/import_file.h"
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
  // Each line of the import file as "title/publisher" (or the title and
  // `column`); nullopt: no import file stands.
  std::optional<std::vector<std::string>> lines{};
  size_t column = 12;
  // The codes to try again, listed in the data directory; empty: no list.
  std::string retry{};
  // The lines of the file that keeps the books the import file could not
  // take, as `lines`; nullopt: none stands.
  std::optional<std::vector<std::string>> kept{};
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
  std::string Retry() const { return dir.File("kanadeya-retry.txt"); }
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

      EXPECT_EQ(BookLines("out.txt", row.column), row.lines);
      EXPECT_EQ(BookLines(KeptName(), row.column), row.kept);
      EXPECT_EQ(dir.Read("kanadeya-retry.txt"), row.retry);
      EXPECT_FALSE(places.Exists("kanadeya-retry.txt"));
      EXPECT_EQ(LogLines(), row.log);
      const std::string kept = dir.File(KeptName());
      const std::vector<std::string>& messages = w.system.messages;
      EXPECT_EQ(messages.size(), row.message.empty() ? 0u : 1u);
      for (const std::string& message : messages)
        EXPECT_TRUE(Kept(Text(message)).starts_with(row.message)) << Text(message);
      EXPECT_EQ(WritersLeft(), row.left);
      EXPECT_NEAR(w.env.slept_ms, row.slept_ms, row.slept_ms / 10);
    }
  }

  // The name of the file that keeps books, in the data directory.
  std::string KeptName() const {
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      if (entry.path().filename().string().starts_with("kanadeya-books-"))
        return entry.path().filename().string();
    return "none";
  }
  std::optional<std::vector<std::string>> BookLines(const std::string& name, size_t column) const {
    if (!dir.Exists(name)) return std::nullopt;
    const std::string contents = dir.Read(name);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = contents.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      const auto columns = test::SplitCsvLine(contents.substr(start, end - start));
      lines.push_back(columns.size() == 68 ? columns[1] + "/" + columns[column] : "?");
    }
    return lines;
  }
  // `text` with the path of the file that keeps books as "<kept>", and
  // the run's journal as "<journal>".
  std::string Kept(std::string text) const {
    const std::string kept = dir.File(KeptName());
    for (size_t at; (at = text.find(kept)) != std::string::npos;)
      text.replace(at, kept.size(), "<kept>");
    const std::string journal = dir.File("kanadeya-journal-");
    for (size_t at; (at = text.find(journal)) != std::string::npos;)
      text.replace(at, text.find(".dat", at) + 4 - at, "<journal>");
    return text;
  }
  std::vector<std::string> LogLines() const {
    const std::string log = Text(places.Read("k.log"));
    std::vector<std::string> lines;
    for (size_t start = log.find("\r\n"), end; start != std::string::npos; start = end) {
      if ((end = log.find("\r\n", start += 2)) == std::string::npos) break;
      const std::string line = log.substr(start, end - start);
      lines.push_back(Kept(line.substr(line.find('\t') + 1)));
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
const std::string kNoJournal =
    "\tデータフォルダーをロックできないため、検索の記録を残しません（止まった検索の本を次の検索が"
    "引き継げません）";
const std::string kJournalNotMade =
    "\t検索の記録を作れませんでした（止まった検索の本を次の検索が引き継げません）：<journal>";
const std::string kJournalStays = "\t見つかった本の記録を次の検索に残します：<journal>";
const std::string kNotOnSiteC = "2\tC\tC\t見つかりません：検索結果に本がありませんでした";

TEST_F(RunFaultsTest, WritesThatFail) {
  const std::string not_written = "取り込みファイルを書き込めませんでした。\r\n" + Out() + "\r\n";
  const std::string end_not_written =
      "書き出した本 0件\t書き出していません：取り込みファイルを書き込めませんでした\t" + Out();
  const std::string not_kept =
      "は取り込みファイルに入っていません。本を残すファイルも書き込めませんでした"
      "（ディスクがいっぱいです）。";
  const std::string full = "\r\n取り込みファイルを書き込めなかった理由：ディスクがいっぱいです";
  const std::string list = "もう一度調べるコードの一覧：" + Retry() +
                           "\r\nハコブネの検索画面に貼り付けると、もう一度検索できます。";
  const std::string a_and_c = "2件中1件が見つかりました（見つからなかった本 1件）。\r\n";
  const std::string end_a_and_c = "終了\tコード 2件\t見つかった本 1件\t書き出した本 1件\t" + Out() +
                                  "\tもう一度調べるコード：" + Retry();
  const auto full_disk = [](const std::string& folder, uint64_t room) {
    return [folder, room](World& w) {
      w.env.disk_room = room;
      w.env.disk = folder;
    };
  };
  Check({
      {.name = "the data folder's disk is full: neither the import file nor the books kept",
       .codes = "A",
       .fault = full_disk(dir.path(), 0),
       .log = {kJournalNotMade, kFoundA,
               "終了\tコード 1件\t見つかった本 1件\t" + end_not_written +
                   "\t本を残すファイルも書き込めませんでした"
                   "\tもう一度調べるコードの一覧を書き込めませんでした：" +
                   Retry()},
       .message =
           not_written + "見つかった本 1件" + not_kept + full +
           "\r\n\r\n1件中1件が見つかりました。見つかった本は取り込みファイルに入っていません。"
           "\r\nもう一度調べるコードの一覧を書き込めませんでした："},
      {.name = "the disk holds the list alone: the books' codes are in it",
       .codes = "A\r\nB",
       .fault = full_disk(dir.path(), 64),
       .retry = "A\r\nB\r\n",
       .log = {kJournalNotMade, kFoundA, "2\tB\tB\t見つかりました\tT2",
               "終了\tコード 2件\t見つかった本 2件\t" + end_not_written +
                   "\t本を残すファイルも書き込めませんでした\tもう一度調べるコード：" + Retry()},
       .message =
           not_written + "見つかった本 2件" + not_kept +
           "\r\nそれらのコードも、もう一度調べるコードの一覧に入れました。" + full +
           "\r\n\r\n2件中2件が見つかりました。見つかった本は取り込みファイルに入っていません。"
           "\r\n" +
           list},
      {.name = "the log's disk is full: the report says the log was given up",
       .codes = "A\r\nC",
       .fault = full_disk(places.path(), 0),
       .lines = {{"T1/"}},
       .retry = "C\r\n",
       .message = a_and_c + list + "\r\nログに書き込めなくなりました：" + places.File("k.log"),
       .slept_ms = 900},
      {.name = "the import file's rename refused once: tried again",
       .codes = "A\r\nC",
       .fault = [](World& w) { w.env.countdown = {.verbs = test::Verbs::kRenames, .at = 1}; },
       .lines = {{"T1/"}},
       .retry = "C\r\n",
       .log = {kFoundA, kNotOnSiteC, end_a_and_c},
       .message = a_and_c + list,
       .slept_ms = 100},
      {.name = "every rename refused: the books kept, the list not written",
       .codes = "A\r\nC",
       .fault =
           [](World& w) {
             w.env.countdown = {.verbs = test::Verbs::kRenames, .at = 1, .from_then_on = true};
           },
       .kept = {{"T1/"}},
       .log = {kFoundA, kNotOnSiteC, kJournalStays,
               "終了\tコード 2件\t見つかった本 1件\t" + end_not_written +
                   "\t残した本のファイル <kept>"
                   "\tもう一度調べるコードの一覧を書き込めませんでした：" +
                   Retry()},
       .message =
           not_written +
           "見つかった本 1件は取り込みファイルに入っていません。本は次のファイルに残しました"
           "。ハコブネの取り込み（インポート）でこのファイルを選ぶと取り込めます：\r\n<kept>\r\n"
           "取り込みファイルを書き込めなかった理由：理由はわかりません\r\n\r\n2件中1件が見つかりま"
           "した（見つからなかった本 1件）。見つかった本は取り込み"
           "ファイルに入っていません。\r\nもう一度調べるコードの一覧を書き込めませんでした：",
       .slept_ms = 2 * 900},
      {.name = "the list's rename refused, an earlier list held: the report says it stands",
       .codes = "A\r\nC",
       .fault =
           [&](World& w) {
             dir.Write("kanadeya-retry.txt", "Z\r\n");
             w.env.held = {Retry()};
           },
       .lines = {{"T1/"}},
       .retry = "Z\r\n",
       .log = {kFoundA, kNotOnSiteC, kJournalStays,
               "終了\tコード 2件\t見つかった本 1件\t書き出した本 1件\t" + Out() +
                   "\tもう一度調べるコードの一覧を書き込めませんでした：" + Retry()},
       .message = a_and_c + "もう一度調べるコードの一覧を書き込めませんでした：" + Retry() +
                  "\r\n前の検索の一覧がそのまま残っています。ほかの検索のコードなので、"
                  "使わないでください。",
       .slept_ms = 900},
      {.name = "the list's rename refused from the second on, an earlier list removed",
       .codes = "A\r\nC",
       .fault =
           [&](World& w) {
             dir.Write("kanadeya-retry.txt", "Z\r\n");
             w.env.countdown = {.verbs = test::Verbs::kRenames, .at = 2, .from_then_on = true};
           },
       .lines = {{"T1/"}},
       .log = {kFoundA, kNotOnSiteC, kJournalStays,
               "終了\tコード 2件\t見つかった本 1件\t書き出した本 1件\t" + Out() +
                   "\tもう一度調べるコードの一覧を書き込めませんでした：" + Retry()},
       .message = a_and_c + "もう一度調べるコードの一覧を書き込めませんでした：" + Retry() +
                  "\r\nくわしくは",
       .slept_ms = 900},
  });
}

TEST_F(RunFaultsTest, ReadsThatFail) {
  // The reads of "Temp.html" fail (or run out of memory) while it holds the page of `url`.
  const auto while_page = [](World& w, std::string url, std::vector<std::string>& reads) {
    w.host.during_download = [url, &reads](const std::string&, const std::string& now) {
      reads = now == url ? std::vector<std::string>{"Temp.html"} : std::vector<std::string>{};
    };
  };
  const auto page = [](std::string url, std::string bytes) {
    return [url, bytes](World& w) { w.host.pages[url] = bytes; };
  };
  const std::string big(16 * 1024 * 1024 + 1, 'x');
  const std::string end = "終了\tコード 2件\t見つかった本 1件\t書き出した本 1件\t" + Out() +
                          "\tもう一度調べるコード：" + Retry();
  // The report's first sentence when one of two codes gave a book and the
  // other ended as `other`.
  const auto one_of_two = [](const std::string& other) {
    return "2件中1件が見つかりました（" + other + " 1件）。";
  };
  const std::string one_book = "1\t9784120000003\t9784120000003\t見つかりました\tT3";
  const std::string one_book_end = "終了\tコード 1件\t見つかった本 1件\t書き出した本 1件\t" + Out();
  Check({
      {.name = "B's search page held: tried again, then not fetched",
       .codes = "A\r\nB",
       .fault = [&](World& w) { while_page(w, FakeHost::kSearchBase + "B", w.env.unreadable); },
       .lines = {{"T1/"}},
       .retry = "B\r\n",
       .log = {kFoundA,
               "2\tB\tB\t取得できません：受け取ったページのファイルを読めません\t" +
                   dir.File("Temp.html") + "（ほかのプログラムが開いています）",
               end},
       .message = one_of_two("ページを取得できなかったもの"),
       .slept_ms = 900},
      {.name = "A's detail page runs out of memory: that code alone fails",
       .codes = "A\r\nB",
       .fault = [&](World& w) { while_page(w, FakeHost::kDetailBase + "1", w.env.out_of_memory); },
       .lines = {{"T2/"}},
       .retry = "A\r\n",
       .log = {"1\tA\tA\t取得できません：このコードを調べている途中でエラーが起きました\t"
               "std::bad_alloc",
               "2\tB\tB\t見つかりました\tT2", end},
       .message = one_of_two("ページを取得できなかったもの")},
      {.name = "B's search page larger than any page",
       .codes = "A\r\nB",
       .fault = page(FakeHost::kSearchBase + "B", big),
       .lines = {{"T1/"}},
       .retry = "B\r\n",
       .log = {kFoundA,
               "2\tB\tB\t読み取れません：ページが大きすぎます（どのサイトのページよりも大きいため"
               "読みません）\t" +
                   FakeHost::kSearchBase + "B（16.1 MB）",
               end},
       .message = one_of_two("ページを読み取れなかったもの")},
      {.name = "B's detail page larger than any page",
       .codes = "A\r\nB",
       .fault = page(FakeHost::kDetailBase + "2", big),
       .lines = {{"T1/"}},
       .retry = "B\r\n",
       .log = {kFoundA,
               "2\tB\tB\t読み取れません：ページが大きすぎます（どのサイトのページよりも大きいため"
               "読みません）\t" +
                   FakeHost::kDetailBase + "2（16.1 MB）",
               end},
       .message = one_of_two("ページを読み取れなかったもの")},
      {.name = "B's detail page without a product name (only the cover's marker)",
       .codes = "A\r\nB",
       .fault = page(FakeHost::kDetailBase + "2",
                     "<html>\r\n<img src=\"/images/x.jpg\" id=\"SyosaiImage\">\r\n"
                     "<p>\r\n<p>\r\n<p>\r\n<p>\r\n<p>\r\n</html>\r\n"),
       .lines = {{"T1/"}},
       .retry = "B\r\n",
       .log = {kFoundA,
               "2\tB\tB\t読み取れません：詳細ページに読み取れる見出しがありませんでした"
               "（ページの作りが変わった可能性があります）",
               end},
       .message = one_of_two("ページを読み取れなかったもの")},
      {.name = "the publisher dictionary is read",
       .codes = "9784120000003",
       .lines = {{"T3/Pub"}},
       .log = {one_book, one_book_end}},
  });
}

// A file of the host's held past about a second: the run goes on without
// it, and the report says what that changed and in which books of the
// import file (the first three and how many more), and how to mend them.
TEST_F(RunFaultsTest, HeldFilesNameTheBooksTheyChanged) {
  // P's page gives its publisher, author and genre; the host's files name
  // them otherwise.
  const auto held = [&](std::string path) {
    return [&, path](World& w) {
      dir.Write("AuthDB.dat", "|Kazami|Kazami Toru|KAZAMI TORU|x|\r\n");
      dir.Write("LabelsDB.dat", "|PagePub|Piano|HostPiano\r\n");
      places.Write("Setting.ini", "[Entry]\r\nTaxSet=2\r\n");
      w.host.pages[FakeHost::kSearchBase + "P"] = FakeHost::SearchPage("9");
      w.host.pages[FakeHost::kDetailBase + "9"] =
          "<html>\r\n<div id=\"SyosaiItem\">\xbe\xa6\xc9\xca\xcc\xbe\xa1\xa7</div>\r\nTP\r\n"
          "<tr><td>\xc3\xf8\xbc\xd4</td><td><a href=\"/a?Key=\xc3\xf8\xbc\xd4\xa1\xbfKazami\">"
          "Kazami</a></td></tr>\r\n<div "
          "id=\"SyosaiItem\">\xbd\xd0\xc8\xc7\xbc\xd2\xa1\xa7</div>\r\n"
          "PagePub\r\n<div id=\"SyosaiItem\">\xa5\xb8\xa5\xe3\xa5\xf3\xa5\xeb\xcc\xbe\xa1\xa7"
          "</div>\r\nPiano\r\n<p>\r\n<p>\r\n<p>\r\n<p>\r\n<p>\r\n</html>\r\n";
      w.env.held = {path};
    };
  };
  const auto unread = [&](const std::string& path, const std::string& lacks) {
    return "読めなかったファイル：" + path + "（" + lacks + "）\r\n  ";
  };
  const std::string mend =
      "\r\nそのファイルを開いているプログラムを閉じてから、取り込んだこれらの本をハコブネで直す"
      "か、ハコブネで削除してからコードをもう一度検索してください（削除せずに検索し直すと、同じ"
      "本が2冊になります）。";
  const std::string no_publisher = "ページに出版社がない本は、出版社が空です";
  const std::string found_p = "\tP\tP\t見つかりました\tTP";
  const auto end = [&](const std::string& n) {
    return "終了\tコード " + n + "件\t見つかった本 " + n + "件\t書き出した本 " + n + "件\t" + Out();
  };
  Check({
      {.name = "PubDB.dat: the books without a publisher on their page",
       .codes = "9784120000003\r\nP\r\nA",
       .fault = held(dir.File("PubDB.dat")),
       .lines = {{"T3/", "TP/PagePub", "T1/"}},
       .log = {"\t読めないファイル：" + dir.File("PubDB.dat") + "（" + no_publisher + "）",
               "1\t9784120000003\t9784120000003\t見つかりました\tT3", "2" + found_p,
               "3\tA\tA\t見つかりました\tT1", end("3")},
       .message = "3件中3件が見つかりました。\r\n" + unread(dir.File("PubDB.dat"), no_publisher) +
                  "出版社が空の本 2件：9784120000003、A" + mend,
       .slept_ms = 900},
      {.name = "PubDB.dat, every page giving a publisher: no book changed",
       .codes = "P",
       .fault = held(dir.File("PubDB.dat")),
       .lines = {{"TP/PagePub"}},
       .log = {"\t読めないファイル：" + dir.File("PubDB.dat") + "（" + no_publisher + "）",
               "1" + found_p, end("1")},
       .message = "1件中1件が見つかりました。\r\n" + unread(dir.File("PubDB.dat"), no_publisher) +
                  "この検索の本には影響ありません。\r\nくわしくは",
       .slept_ms = 900},
      {.name = "AuthDB.dat: the authors as the page names them, in every book",
       .codes = "P\r\nA",
       .fault = held(dir.File("AuthDB.dat")),
       .lines = {{"TP/Kazami", "T1/"}},
       .column = 7,
       .log = {"\t読めないファイル：" + dir.File("AuthDB.dat") + Text(kLacksAuthorList),
               "1" + found_p, "2\tA\tA\t見つかりました\tT1", end("2")},
       .message = "2件中2件が見つかりました。\r\n読めなかったファイル：" + dir.File("AuthDB.dat") +
                  "（著者の名前と読みが、ハコブネの著者一覧のとおりではなく、ページのとおりです。"
                  "ハコブネにある著者が、別の著者として増えることがあります）\r\n  該当する本 2件："
                  "P、A" +
                  mend,
       .slept_ms = 900},
      {.name = "LabelsDB.dat: four books, three named",
       .codes = "A\r\nB\r\nC\r\n9784120000003\r\nP",
       .fault = held(dir.File("LabelsDB.dat")),
       .lines = {{"T1/", "T2/", "T3/", "TP/Piano"}},
       .column = 13,
       .retry = "C\r\n",
       .log = {"\t読めないファイル：" + dir.File("LabelsDB.dat") +
                   "（本のジャンルがハコブネのジャンルに直っていません）",
               kFoundA, "2\tB\tB\t見つかりました\tT2", "3" + kNotOnSiteC.substr(1),
               "4\t9784120000003\t9784120000003\t見つかりました\tT3", "5" + found_p,
               "終了\tコード 5件\t見つかった本 4件\t書き出した本 4件\t" + Out() +
                   "\tもう一度調べるコード：" + Retry()},
       .message =
           "5件中4件が見つかりました（見つからなかった本 1件）。\r\n" +
           unread(dir.File("LabelsDB.dat"), "本のジャンルがハコブネのジャンルに直っていません") +
           "該当する本 4件：A、B、9784120000003 ほか 1件" + mend,
       .slept_ms = 900},
      {.name = "Setting.ini: the defaults",
       .codes = "A",
       .fault = held(places.File("Setting.ini")),
       .lines = {{"T1/0"}},
       .column = 22,
       .log = {"\t読めないファイル：" + places.File("Setting.ini") +
                   "（購入状態・税設定・読書状態は初期値です）",
               kFoundA, end("1")},
       .message = "1件中1件が見つかりました。\r\n" +
                  unread(places.File("Setting.ini"), "購入状態・税設定・読書状態は初期値です") +
                  "該当する本 1件：A" + mend,
       .slept_ms = 900},
  });
}

TEST_F(RunFaultsTest, FilesAnotherProgramHolds) {
  const std::string in_use = "\t取得できません：ページを受け取るファイルを消せません\t" +
                             dir.File("Temp.html") + "（ほかのプログラムが開いています）";
  const std::string lock = dir.File("kanadeya.lock");
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
       .message = "3件中1件が見つかりました（ページを取得できなかったもの 2件）。",
       .slept_ms = 2 * 900},
      {.name = "the import file held: the books kept and listed, the old file told of",
       .codes = "A",
       .fault =
           [&](World& w) {
             dir.Write("out.txt", "C,Old" + std::string(66, ',') + "\r\n");
             w.env.held = {Out()};
           },
       .lines = {{"Old/"}},
       .retry = "A\r\n",
       .kept = {{"T1/"}},
       .log = {kFoundA,
               "終了\tコード 1件\t見つかった本 1件\t書き出した本 0件\t"
               "書き出していません：取り込みファイルを書き込めませんでした\t" +
                   Out() + "\t残した本のファイル <kept>\t前回の取り込みファイルが残っています" +
                   "\tもう一度調べるコード：" + Retry()},
       .message =
           "取り込みファイルを書き込めませんでした。\r\n" + Out() +
           "\r\n見つかった本 1件は取り込みファイルに入っていません。本は次のファイルに"
           "残しました。ハコブネの取り込み（インポート）でこのファイルを選ぶと取り込めます："
           "\r\n<kept>\r\nそれらのコードも、もう一度調べるコードの一覧に入れました。"
           "このファイルを取り込むか、一覧のコードをもう一度検索するか、どちらか一方だけに"
           "してください（両方すると同じ本が2冊になります）。\r\n"
           "取り込みファイルを書き込めなかった理由：ほかのプログラムが開いています\r\n\r\n"
           "取り込まないでください：" +
           Out() + "\r\n" + Text(kOldImportFileStandsMessage) +
           "\r\n\r\n1件中1件が見つかりました。見つかった本は取り込みファイルに入っていません。",
       .slept_ms = 900},
      {.name = "another run holds the data folder for another import file: ours is cleared",
       .codes = "A",
       .fault =
           [&](World& w) {
             dir.Write("out.txt", "C,Old" + std::string(66, ',') + "\r\n");
             dir.Write("kanadeya.lock", std::string(1, '\0') + dir.File("other.csv") + "\r\n");
             w.env.locked = {lock};
           },
       .message = dir.path() + "\r\nこのデータフォルダーは、ほかのハコブネの検索が使っています。",
       .slept_ms = 900},
      {.name = "another run holds the data folder for our import file: it is left",
       .codes = "A",
       .fault =
           [&](World& w) {
             dir.Write("out.txt", "C,Old" + std::string(66, ',') + "\r\n");
             dir.Write("kanadeya.lock", std::string(1, '\0') + Out() + "\r\n");
             w.env.locked = {lock};
           },
       .lines = {{"Old/"}},
       .message = dir.path() +
                  "\r\nこのデータフォルダーは、ほかのハコブネの検索が使っています。"
                  "同じフォルダーで2つの検索を同時にすると本が混ざるため、この検索は"
                  "行いません。その検索が終わってから、もう一度検索してください。\r\n"
                  "\r\n" +
                  Out() + "\r\nこの取り込みファイルには、いま検索しているほかのハコブネも",
       .slept_ms = 900},
      {.name = "no lock file can be made: the run goes on, and its message says so",
       .codes = "A",
       .fault = [](World& w) { w.env.countdown = {.verbs = test::Verbs::kLocks, .at = 1}; },
       .lines = {{"T1/"}},
       .log = {"\tデータフォルダーのロックファイルを作れませんでした（ほかのハコブネと同時に"
               "検索すると本が混ざることがあります）：" +
                   lock,
               kNoJournal, kFoundA,
               "終了\tコード 1件\t見つかった本 1件\t書き出した本 1件\t" + Out()},
       .message = lock + "\r\nこのデータフォルダーのロックファイルを使えませんでした（作ることも"
                         "開くこともできませんでした）。"},
      {.name = "the lock file read-only: the run goes on, and its message says why",
       .codes = "A",
       .fault =
           [](World& w) {
             w.env.countdown = {
                 .verbs = test::Verbs::kLocks, .at = 1, .fault = test::Fault::kDenied};
           },
       .lines = {{"T1/"}},
       .log = {"\tデータフォルダーのロックファイルを作れませんでした（ほかのハコブネと同時に"
               "検索すると本が混ざることがあります）：" +
                   lock,
               kNoJournal, kFoundA,
               "終了\tコード 1件\t見つかった本 1件\t書き出した本 1件\t" + Out()},
       .message = lock + "\r\nこのデータフォルダーのロックファイルを使えませんでした（読み取り"
                         "専用か、書き込む権限がありません）。このままでは、同じデータフォルダーで"
                         "2つの検索を同時にすると、本が混ざることがあります。\r\n読み取り専用を"
                         "外すか"},
      {.name = "the lock file held by another program: tried again, then said",
       .codes = "A",
       .fault = [&](World& w) { w.env.held = {lock}; },
       .lines = {{"T1/"}},
       .log = {"\tデータフォルダーのロックファイルを作れませんでした（ほかのハコブネと同時に"
               "検索すると本が混ざることがあります）：" +
                   lock,
               kNoJournal, kFoundA,
               "終了\tコード 1件\t見つかった本 1件\t書き出した本 1件\t" + Out()},
       .message = lock + "\r\nこのデータフォルダーのロックファイルを使えませんでした（ほかの"
                         "プログラムが開いています）。",
       .slept_ms = 900},
      {.name = "a list beside the log, where earlier runs left it, is removed",
       .codes = "A",
       .fault = [&](World&) { places.Write("kanadeya-retry.txt", "Z\r\n"); },
       .lines = {{"T1/"}},
       .log = {kFoundA, "終了\tコード 1件\t見つかった本 1件\t書き出した本 1件\t" + Out()}},
      {.name = "the log held by another program: given up, and the report says so",
       .codes = "A\r\nC",
       .fault = [&](World& w) { w.env.held = {places.File("k.log")}; },
       .lines = {{"T1/"}},
       .retry = "C\r\n",
       .message = "2件中1件が見つかりました（見つからなかった本 1件）。\r\nもう一度調べるコード"
                  "の一覧：" +
                  Retry() +
                  "\r\nハコブネの検索画面に貼り付けると、もう一度検索できます。\r\n"
                  "ログに書き込めなくなりました：",
       .slept_ms = 900},
      {.name = "a failure outside any one code ends the run as a stop",
       .codes = "A\r\nB\r\nC",
       .fault =
           [](World& w) {
             w.system.on_progress = [](int current, int) {
               if (current == 2) throw std::bad_alloc();
             };
           },
       .lines = {{"T1/"}},
       .retry = "B\r\nC\r\n",
       .log = {kFoundA, "2\t中止：エラーが起きたため検索を終えました\tstd::bad_alloc",
               "終了\tコード 3件中 1件\t見つかった本 1件\t書き出した本 1件\t" + Out() +
                   "\tもう一度調べるコード：" + Retry()},
       .message = "検索の途中でエラーが起きたため、そこで検索を終えました。\r\nstd::bad_alloc\r\n"
                  "2 番目のコードから後は調べていません"},
  });
}

// Not a fault, but told as one: the first of several books is imported,
// and the user is asked to check it.
TEST_F(RunFaultsTest, ASearchPageListingSeveralBooks) {
  const auto link = [](const std::string& id) {
    return "<td><a href=\"/detail/view.php?id=" + id + "\">x</a></td>";
  };
  Check({{.name = "three books: the first imported, the log and the report name the code",
          .codes = "A",
          .fault =
              [&](World& w) {
                w.host.pages[FakeHost::kSearchBase + "A"] =
                    "<html>\r\n" + link("1") + link("7") + "\r\n" + link("8") + "\r\n</html>\r\n";
              },
          .lines = {{"T1/"}},
          .log = {kFoundA + "\t検索結果の本 3 件：最初の本を取り込みました。版や巻が合っているか"
                            "確かめてください",
                  "終了\tコード 1件\t見つかった本 1件\t書き出した本 1件\t" + Out()},
          .message = "1件中1件が見つかりました。\r\n検索結果に本がいくつもあったコード：最初の本を"
                     "取り込みました。版や巻が合っているか確かめてください。\r\n  A（3件）"}});
}

// One host process running two lookups in one second, neither able to put
// its import file in place: each keeps its books in a file of its own.
TEST(KeptBooks, TwoRunsInOneSecondOfOneProcessKeepTwoFiles) {
  struct OneSecond : test::FaultEnv {
    using FaultEnv::FaultEnv;
    std::string LocalDateTime() override { return "2026-12-08 10:00:00"; }
  };
  FakeHost host;
  test::TempDir dir, places;
  host.AddBook("A", "1", "T1");
  host.AddBook("B", "2", "T2");
  for (const char* code : {"A", "B"}) {
    PluginState state;
    test::TestEnv system;
    system.host_functions = host.Functions();
    system.plugin_folder = system.host_program_folder = places.path();
    OneSecond env(system);
    env.countdown = {.verbs = test::Verbs::kRenames, .at = 1, .from_then_on = true};
    RunLookupShowingFailures(state, env, dir.path().c_str(), dir.File("out.txt").c_str(), code);
  }
  std::vector<std::string> kept;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.path().filename().string().starts_with("kanadeya-books-"))
      kept.push_back(entry.path().filename().string() + ":" +
                     test::SplitCsvLine(dir.Read(entry.path().filename().string()))[1]);
  std::sort(kept.begin(), kept.end());
  const std::string name =
      "kanadeya-books-20261208-100000-" + std::to_string(test::TestEnv().ProcessId());
  EXPECT_EQ(kept, (std::vector<std::string>{name + "-2.csv:T2", name + ".csv:T1"}));
}

TEST(WriteFileWhole, ANameBesideLongerThanThePlatformTakesIsRefusedFirst) {
  test::TestEnv env;
  test::TempDir dir;
  const std::string path =
      dir.File(std::string(platform::MaxPathBytes() - dir.path().size() - 20, 'a'));
  EXPECT_EQ(WholeWrite::kPathTooLong, WriteFileWhole(env, path, "x", 1).result);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(RunLookup, ADataFolderWithoutRoomForItsNamesIsUsedForNothing) {
  FakeHost host;
  PluginState state;
  test::TestEnv env;
  test::TempDir dir, places;
  env.host_functions = host.Functions();
  env.plugin_folder = env.host_program_folder = places.path();
  host.AddBook("A", "1", "T1");
  dir.Write("out.txt", "an earlier run's line\r\n");
  const std::string data =
      dir.File(std::string(platform::MaxPathBytes() - dir.path().size() - 40, 'd')) +
      std::string(platform::PathSeparator());
  RunLookupShowingFailures(state, env, data.c_str(), dir.File("out.txt").c_str(), "A");
  ASSERT_EQ(env.messages.size(), 1u);
  EXPECT_TRUE(Text(env.messages[0]).starts_with(data + "\r\nこのデータフォルダーのパスが長すぎる"))
      << Text(env.messages[0]);
  EXPECT_TRUE(host.checked.empty());
  EXPECT_FALSE(dir.Exists("out.txt"));  // cleared as by any run that cannot start
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
