// The journal's records: a journal cut anywhere, or with a byte changed,
// gives back exactly the records before the first that is not whole, both
// from memory and from the file, read a part at a time.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/disk_file_reader.h"
#include "plugin/journal_records.h"
#include "plugin/run_journal.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

TEST(JournalRecordsTest, Crc32cOfTheCheckString) {
  EXPECT_EQ(Crc32c("123456789"), 0xE3069283u);
  EXPECT_EQ(Crc32c("6789", Crc32c("12345")), 0xE3069283u);
  EXPECT_EQ(Crc32c(""), 0u);
}

// A journal of a run and three codes: a book with a page larger than one
// part read (the file's reads straddle it), a miss, and the book's key again.
std::string Journal(std::vector<size_t>& ends) {
  std::string journal, body = JournalBody(JournalRecord::kRun);
  PutNumber(body, 1);  // the journal's form
  PutText(body, "2026-12-08 14:05:03");
  PutNumber(body, 1234);
  PutNumber(body, 5);
  PutText(body, "http://site");
  PutText(body, "A\r\nC\r\nA\r\n");
  FrameRecord(body, journal);
  ends.push_back(journal.size());
  const std::string page(70 * 1024, 'p');
  for (const auto& [code, book, url, bytes] :
       std::vector<std::tuple<std::string, int, std::string, std::string>>{
           {"A", 1, "http://site/1", page}, {"C", 0, "", ""}, {"A", 1, "http://site/1", ""}}) {
    body = JournalBody(JournalRecord::kCode);
    PutText(body, code);
    PutText(body, code);
    PutNumber(body, book);
    PutNumber(body, 1);
    PutText(body, url);
    PutText(body, bytes);
    FrameRecord(body, journal);
    ends.push_back(journal.size());
  }
  return journal;
}

TEST(JournalRecordsTest, CutAtEveryByteOfTheLastRecordOrChanged) {
  std::vector<size_t> ends;
  const std::string journal = Journal(ends);
  test::TempDir dir;
  platform::DiskFileReader files;
  const std::string path = dir.File("j.dat");
  // Whole, cut in each record after the run's (the one with the page in
  // steps), and with a byte changed in the page.
  std::vector<std::pair<std::string, size_t>> cases{{journal, 4}};
  for (size_t cut = ends[0]; cut < ends[3]; cut += cut < ends[1] ? 97 : 1)
    cases.push_back({journal.substr(0, cut), cut < ends[1] ? 1 : cut < ends[2] ? 2 : 3});
  std::string changed = journal;
  changed[ends[1] - 100] ^= 1;
  cases.push_back({changed, 1});
  for (const auto& [bytes, whole] : cases) {
    SCOPED_TRACE(bytes.size());
    ASSERT_EQ(WholeRecords(bytes).size(), whole);
    dir.Write("j.dat", bytes);
    EarlierRun run;
    ASSERT_EQ(ReadJournal(files, path, run), JournalRead::kRead);
    ASSERT_EQ(run.reached.size(), whole - 1);
    EXPECT_EQ(run.codes, "A\r\nC\r\nA\r\n");
    if (whole < 4) continue;
    // The repeated key's book is read from the first one's page.
    std::string page;
    const JournalCode& again = run.reached[2];
    ASSERT_TRUE(again.book);
    ASSERT_TRUE(RunJournal::ReadPage(files, path, again.offset, again.size, again.page_size, page));
    EXPECT_EQ(page, std::string(70 * 1024, 'p'));
    EXPECT_FALSE(run.reached[1].book);
  }
  dir.Write("j.dat", journal.substr(0, ends[0] - 1));
  EarlierRun run;
  EXPECT_EQ(ReadJournal(files, path, run), JournalRead::kNoRun);
}

}  // namespace
}  // namespace kanadeya
