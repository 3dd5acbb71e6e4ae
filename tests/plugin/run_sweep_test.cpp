// The sweep: a run of two books, a miss and an invalid code, with a log, is
// made once to count its file calls; then again for every call, with that
// call held for a moment, and with it and every call after it failing.
// Each run is checked against what every run promises: each book found is
// in the import file, or in a kept file whose codes are to be tried again,
// or counted in the message as not kept; one closing message; the report,
// the log (as far as it was written) and the list of codes to try again
// agree; no file being written is left. A call held once is tried again as
// every held file is, so that run ends as the clean one did.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/text_mapping.h"
#include "plugin/lookup_driver.h"
#include "plugin/plugin_state.h"
#include "tests/plugin/fake_host.h"
#include "tests/plugin/fault_env.h"
#include "tests/plugin/test_env.h"
#include "tests/support/csv.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

using test::Countdown;
using test::Fault;
using test::Verbs;

// Shift_JIS bytes as UTF-8.
std::string Text(std::string_view sjis) { return platform::WideToUtf8(platform::AnsiToWide(sjis)); }

std::vector<std::string> Split(const std::string& text, const std::string& end) {
  std::vector<std::string> parts;
  for (size_t start = 0, at; (at = text.find(end, start)) != std::string::npos;
       start = at + end.size())
    parts.push_back(text.substr(start, at - start));
  return parts;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += "[" + text + "]\n";
  return joined;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const std::vector<std::string> kCodes = {"A", "B", "C", "X"};  // X: the host's check refuses it
const std::map<std::string, std::string> kCodeOfTitle = {{"T1", "A"}, {"T2", "B"}};

// What a run left behind, texts as UTF-8.
struct Ending {
  std::optional<std::vector<std::string>> imported, kept;  // the books' titles
  std::set<std::string> all_kept;                 // the codes of the books in every kept file
  bool journal = false;                           // a run's journal stands in the data folder
  std::vector<std::string> paths;                 // each file call's path
  std::optional<std::vector<std::string>> retry;  // the codes to try again
  std::vector<std::string> log;       // the lines after the run's first, without its tag
  std::vector<std::string> messages;  // each its path and text
  std::vector<std::string> writers;   // files being written, in either folder
  int calls = 0;
  int64_t slept_ms = 0;
  std::string verb, path;  // the call the countdown failed first
};

class RunSweepTest : public ::testing::Test {
 protected:
  // Runs the codes with the countdown over every file verb, in emptied
  // folders holding kanadeya.ini, an earlier run's log and an author
  // dictionary (or in the folders as an earlier run left them).
  Ending Run(const Countdown& countdown, bool emptied = true,
             const std::vector<std::string>& code_list = kCodes) {
    if (emptied) {
      for (const test::TempDir* folder : {&dir, &places})
        for (const auto& entry : std::filesystem::directory_iterator(folder->path()))
          std::filesystem::remove_all(entry.path());
      places.Write("kanadeya.ini", "[Log]\r\nFile=k.log\r\n");
      places.Write("k.log", "2026-12-07 14:05:03\tkanadeya 1.1.3\r\n");
      dir.Write("AuthDB.dat", "|Author|Reading\r\n");
    }
    Ending ending;
    {
      test::FakeHost host;
      PluginState state;
      test::TestEnv system;
      test::FaultEnv env{system};
      system.host_functions = host.Functions();
      system.plugin_folder = system.host_program_folder = places.path();
      host.AddBook("A", "1", "T1");
      host.AddBook("B", "2", "T2");
      host.pages[test::FakeHost::kSearchBase + "C"] = "<html>\r\nno hits\r\n</html>\r\n";
      host.check = [](const std::string& code) { return code == "X" ? "" : code; };
      env.countdown = countdown;
      env.on_call = [&](std::string_view verb, const std::string& path) {
        ending.paths.push_back(path);
        if (++ending.calls != countdown.at) return;
        ending.verb = verb;
        ending.path = path;
      };
      std::string codes;
      for (const std::string& code : code_list) codes += code + "\r\n";
      // Nothing escapes it (it is noexcept: the program would end here).
      RunLookupShowingFailures(state, env, dir.path().c_str(), dir.File("out.txt").c_str(),
                               codes.c_str());
      ending.slept_ms = env.slept_ms;
      for (const std::string& message : system.messages) ending.messages.push_back(Text(message));
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      const std::string name = entry.path().filename().string();
      if (name == "out.txt") ending.imported = Titles(name);
      if (name.starts_with("kanadeya-books-")) ending.kept = Titles(name);
      if (name.starts_with("kanadeya-books-"))
        for (const std::string& title : Titles(name))
          ending.all_kept.insert(kCodeOfTitle.at(title));
      ending.journal = ending.journal || name.starts_with("kanadeya-journal-");
    }
    if (dir.Exists("kanadeya-retry.txt"))
      ending.retry = Split(dir.Read("kanadeya-retry.txt"), "\r\n");
    const std::vector<std::string> log = Split(Text(places.Read("k.log")), "\r\n");
    for (size_t i = 2; i < log.size(); ++i)
      ending.log.push_back(log[i].substr(log[i].find('\t') + 1));
    for (const test::TempDir* folder : {&dir, &places})
      for (const auto& entry : std::filesystem::directory_iterator(folder->path()))
        if (Has(entry.path().filename().string(), ".kanadeya-writing"))
          ending.writers.push_back(entry.path().string());
    return ending;
  }

  std::vector<std::string> Titles(const std::string& name) const {
    std::vector<std::string> titles;
    for (const std::string& line : Split(dir.Read(name), "\r\n")) {
      const std::vector<std::string> columns = test::SplitCsvLine(line);
      titles.push_back(columns.size() == 68 ? columns[1] : "?");
    }
    return titles;
  }

  // The promises every run keeps, whatever failed.
  void CheckPromises(const Ending& e) {
    const std::string ini = places.File("kanadeya.ini");
    ASSERT_FALSE(e.messages.empty()) << "no closing message";
    // A refusal of the log at the start may come before it.
    EXPECT_TRUE(e.messages.size() == 1 ||
                (e.messages.size() == 2 && e.messages[0].starts_with(ini)))
        << "messages:\n"
        << Joined(e.messages);
    const std::string& message = e.messages.back();
    if (message.starts_with(ini) && Has(message, "kanadeya.ini を直すまで検索は行いません。")) {
      EXPECT_FALSE(e.imported || e.kept || e.retry) << "a run that looked nothing up wrote";
      return;
    }
    const std::string given = std::to_string(kCodes.size()) + "件中";
    const size_t of = message.find(given), end = message.find("件が見つかりました", of);
    ASSERT_TRUE(of != std::string::npos && end != std::string::npos) << "no counts: " << message;
    const std::string found = message.substr(of + given.size(), end - of - given.size());
    const bool not_written = Has(message, "取り込みファイルを書き込めませんでした。");
    const bool not_kept = Has(message, "本を残すファイルも書き込めませんでした");
    const bool unlisted = Has(message, "もう一度調べるコードの一覧を書き込めませんでした：");
    EXPECT_EQ(e.imported.has_value(), !not_written) << message;
    EXPECT_FALSE(e.imported && e.kept) << "books kept beside an import file written";

    // Every book found is in the import file or kept, or counted as not kept.
    std::set<std::string> placed, kept;
    for (const std::string& title : e.imported.value_or(std::vector<std::string>{}))
      placed.insert(kCodeOfTitle.contains(title) ? kCodeOfTitle.at(title) : title);
    for (const std::string& title : e.kept.value_or(std::vector<std::string>{}))
      kept.insert(kCodeOfTitle.contains(title) ? kCodeOfTitle.at(title) : title);
    if (not_kept)
      EXPECT_TRUE(Has(message, "見つかった本 " + found + "件")) << message;
    else
      EXPECT_EQ(std::to_string(placed.size() + kept.size()), found) << "books lost: " << message;
    // The codes to try again: those that gave no book, and those whose book
    // did not reach the import file; a list not written is told of.
    std::vector<std::string> retry;
    for (const std::string& code : kCodes)
      if (!placed.contains(code)) retry.push_back(code);
    if (e.retry)
      EXPECT_EQ(*e.retry, retry);
    else
      EXPECT_TRUE(unlisted) << "no list, and the message does not say so: " << message;

    // The log, as far as it was written.
    std::set<std::string> logged;
    size_t code_lines = 0;
    for (const std::string& line : e.log) {
      const std::vector<std::string> fields = Split(line + "\t", "\t");
      if (fields[0] == "終了") {
        EXPECT_EQ(code_lines, kCodes.size()) << line;
        EXPECT_TRUE(Has(line, "\t見つかった本 " + found + "件\t")) << line;
        EXPECT_TRUE(Has(line, "\t書き出した本 " + std::to_string(placed.size()) + "件\t")) << line;
        EXPECT_EQ(Has(line, "もう一度調べるコード：" + dir.File("kanadeya-retry.txt")),
                  e.retry.has_value())
            << line;
      } else if (fields.size() > 3 && !fields[0].empty()) {
        ++code_lines;
        if (fields[3] == "見つかりました") logged.insert(fields[1]);
      }
    }
    if (code_lines == kCodes.size() && !not_kept) {
      for (const std::string& code : kCodes)
        EXPECT_EQ(logged.contains(code), placed.contains(code) || kept.contains(code)) << code;
    }
  }

  test::TempDir dir;     // the data folder, with the import file
  test::TempDir places;  // the plug-in's and the host program's folder, with the log
};

TEST_F(RunSweepTest, EveryFileCallHeldOnceOrFailingFromThenOn) {
  const Ending clean = Run({.verbs = Verbs::kAny, .at = INT_MAX});
  CheckPromises(clean);
  ASSERT_EQ(clean.imported, (std::vector<std::string>{"T1", "T2"}));
  ASSERT_EQ(clean.retry, (std::vector<std::string>{"C", "X"}));
  EXPECT_TRUE(clean.writers.empty());
  EXPECT_FALSE(clean.journal) << "a run that delivered every book left its journal";
  RecordProperty("calls", clean.calls);
  for (int at = 1; at <= clean.calls; ++at) {
    for (const bool held : {true, false}) {
      const Ending e = Run(held ? Countdown{.at = at, .fault = Fault::kHeld}
                                : Countdown{.at = at, .from_then_on = true});
      SCOPED_TRACE("call " + std::to_string(at) + (held ? " held once: " : " failing on: ") +
                   e.verb + " " + e.path);
      CheckPromises(e);
      // A file another program holds for a moment is tried again; a name
      // the run makes new cannot be held, so a write of one fails.
      if (held && e.verb != "WriteNewFile") {
        EXPECT_EQ(e.imported, clean.imported) << "a moment's hold changed the import file";
        EXPECT_EQ(e.retry, clean.retry) << "a moment's hold changed the list";
        EXPECT_EQ(e.log, clean.log) << "a moment's hold changed the log";
        EXPECT_TRUE(e.messages == clean.messages) << "a moment's hold changed the message:\n"
                                                  << Joined(e.messages);
      }
      if (held) {
        // Tried again after one pause, a held call is waited out.
        EXPECT_LE(e.slept_ms, kHeldPauseMilliseconds);
        // The run can remove what it made a moment later: nothing of it stays.
        EXPECT_EQ(e.writers, std::vector<std::string>{}) << "files being written left";
      } else if (!e.writers.empty()) {
        // Where every removal fails, what the run made stays; the next run
        // (this process's files are always leftovers to it) removes it.
        EXPECT_EQ(Run({.verbs = Verbs::kAny, .at = INT_MAX}, false).writers,
                  std::vector<std::string>{})
            << "files being written that no later run removes";
      }
    }
  }
}

TEST_F(RunSweepTest, NoBookFoundIsLostWhenARunFailsOrThrows) {
  // A run failing from a call after its loop on, or throwing at any call,
  // then a run of another code in the same folders: each book the first
  // found is in its import file or in a kept file.
  const Ending clean = Run({.verbs = Verbs::kAny, .at = INT_MAX});
  size_t loop_end = 0;  // the first call on the import file after the last page
  for (size_t i = 0; i < clean.paths.size(); ++i)
    if (clean.paths[i].ends_with("Temp.html")) loop_end = i + 1;
  while (loop_end < clean.paths.size() && !clean.paths[loop_end].ends_with("out.txt")) ++loop_end;
  for (int at = 1; at <= clean.calls; ++at) {
    for (const Fault fault : {Fault::kFailed, Fault::kOutOfMemory}) {
      const bool fails_on = fault == Fault::kFailed;
      if (fails_on && at <= static_cast<int>(loop_end)) continue;
      const Ending e = Run({.at = at, .from_then_on = fails_on, .fault = fault});
      SCOPED_TRACE("call " + std::to_string(at) + (fails_on ? " failing on: " : " throwing: ") +
                   e.verb + " " + e.path);
      std::set<std::string> found;
      for (const std::string& line : e.log)
        if (const std::vector<std::string> f = Split(line + "\t", "\t");
            f.size() > 3 && f[3] == "見つかりました")
          found.insert(f[1]);
      if (!e.messages.empty() && Has(e.messages.back(), "4件中2件が見つかりました"))
        found = {"A", "B"};
      const Ending next = Run({.verbs = Verbs::kAny, .at = INT_MAX}, false, {"C"});
      for (const std::string& code : found) {
        const std::vector<std::string> titles = e.imported.value_or(std::vector<std::string>{});
        const bool imported =
            std::find(titles.begin(), titles.end(), code == "A" ? "T1" : "T2") != titles.end();
        EXPECT_TRUE(imported || next.all_kept.contains(code)) << code << " lost";
      }
      EXPECT_FALSE(next.journal) << "the next run left a journal";
    }
  }
}

}  // namespace
}  // namespace kanadeya
