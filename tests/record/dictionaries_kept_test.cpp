// The dictionaries are kept between loads while their files stay unchanged,
// and looked up through an index once a few lookups have searched them. The
// lookups must still give what the plain rule gives (the first occurrence of
// the framed key in the joined lines), and a file that changed must take
// effect with the next load.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "markup/markup.h"
#include "platform/disk_file_reader.h"
#include "platform/files.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "strings/strings.h"
#include "tests/support/bytes.h"
#include "tests/support/plain_walks.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

// The files of these tests lie on the disk.
platform::DiskFileReader disk;

namespace fs = std::filesystem;
using test::PlainFind;
using test::TempDir;

// Gives the file a last write an hour (plus `minutes`) ago, as a host's
// file that nobody is editing has.
void Settle(const std::string& path, int minutes = 0) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1) -
                                std::chrono::minutes(minutes));
}

std::string RandomText(std::mt19937& random, const std::vector<std::string_view>& pieces,
                       size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
  return text;
}

// Pieces of dictionaries and of what is looked up in them: bars, the bar as
// the second byte of ポ, line breaks of every kind, names that occur more
// than once and in the middle of lines.
const std::vector<std::string_view> kFilePieces = {
    "|", "|", "|", "a", "b", "ab", "ba", "\x83|", "\x83", "\r\n", "\r\n", "\n", "\r", "||", "x"};
const std::vector<std::string_view> kNamePieces = {"a", "b", "ab", "|", "\x83|", " ", "x"};

TEST(KeptDictionaries, LookupsGiveThePlainFirstOccurrence) {
  Dictionaries dictionaries;
  std::mt19937 random(7);
  for (int round = 0; round < 60; ++round) {
    TempDir dir;
    const std::string authors = RandomText(random, kFilePieces, 200 + random() % 200);
    const std::string publishers = RandomText(random, kFilePieces, 200 + random() % 200);
    const std::string labels = RandomText(random, kFilePieces, 200 + random() % 200);
    dir.Write("AuthDB.dat", authors);
    dir.Write("PubDB.dat", publishers);
    dir.Write("LabelsDB.dat", labels);
    for (const char* name : {"AuthDB.dat", "PubDB.dat", "LabelsDB.dat"}) Settle(dir.File(name));
    const std::string author_text = test::PlainJoinLines(authors);
    const std::string publisher_text = test::PlainJoinLines(publishers);
    const std::string label_text = test::PlainJoinLines(labels);

    // Each lookup goes with a load, as the driver loads for every code; the
    // first lookups search the text, the later ones ask the index.
    for (int lookup = 0; lookup < 40; ++lookup) {
      ASSERT_EQ(DictionaryLoad::kRead, LoadAuthorDictionary(disk, dictionaries, dir.path()));
      const std::string name = RandomText(random, kNamePieces, random() % 4);
      AuthorDictionaryEntry entry;
      const std::string key = NormaliseDictionaryKey(name);
      std::string value;
      const bool plain = !key.empty() && PlainFind(author_text, "|" + key + "|", "|\r\n", value);
      ASSERT_EQ(plain, LookupAuthor(dictionaries.authors, name, entry))
          << test::Hex(name) << " in " << round;
      if (plain) {
        EXPECT_BYTES_EQ(NthField(value, '|', 1), entry.name);
        EXPECT_BYTES_EQ(NthField(value, '|', 2), entry.reading);
        EXPECT_BYTES_EQ(NthField(value, '|', 3), entry.extra);
      }

      BookRecord record;
      record.Code = (lookup % 2 ? "9784" : "4") + RandomText(random, kNamePieces, 4);
      ASSERT_EQ(DictionaryLoad::kRead,
                LookupPublisherByCode(disk, dictionaries, dir.path(), record));
      std::string publisher;
      const size_t from = record.Code[0] == '9' ? 4 : 1;
      for (size_t length = 2; length <= 6; ++length)
        if (PlainFind(publisher_text, "|" + Copy(record.Code, from + 1, length) + "|", "\r\n",
                      publisher))
          break;
      EXPECT_BYTES_EQ(publisher, record.Publisher) << test::Hex(record.Code);

      ASSERT_EQ(DictionaryLoad::kRead, LoadLabelDictionary(disk, dictionaries, dir.path()));
      record.Publisher = RandomText(random, kNamePieces, random() % 3);
      record.Label = RandomText(random, kNamePieces, random() % 3);
      std::string label = record.Label;
      PlainFind(label_text,
                "|" + record.Publisher + "|" + NormaliseDictionaryKey(record.Label) + "|", "\r\n",
                label);
      LookupLabel(dictionaries, record);
      EXPECT_BYTES_EQ(label, record.Label) << test::Hex(record.Publisher);
    }
    FreeAuthorDictionary(dictionaries);
    FreePublisherDictionary(dictionaries);
  }
}

struct LoadRow {
  const char* change;  // what happens to "AuthDB.dat" between the two loads
  bool fresh;          // the second load sees the file's new text
};

TEST(KeptDictionaries, ChangedFilesTakeEffectWithTheNextLoad) {
  Dictionaries dictionaries;
  static const LoadRow rows[] = {
      {"rewritten, longer", true},
      {"rewritten, same size, another time", true},
      {"rewritten, same size, time put back", false},        // nothing tells: the kept text stays
      {"written just now, same size, time put back", true},  // too recent to trust its time
      {"replaced by another file", true},
      {"removed", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.change);
    const std::string_view change = row.change;
    TempDir dir;
    const std::string path = dir.File("AuthDB.dat");
    dir.Write("AuthDB.dat", "|one|Older|O|\r\n");
    if (change.find("just now") == std::string_view::npos) Settle(path);
    const auto time = fs::last_write_time(path);
    AuthorDictionaryEntry entry;
    ASSERT_EQ(DictionaryLoad::kRead, LoadAuthorDictionary(disk, dictionaries, dir.path()));
    for (int i = 0; i < 12; ++i)
      ASSERT_TRUE(LookupAuthor(dictionaries.authors, "one", entry));  // indexed by now

    if (change == "rewritten, longer") {
      dir.Write("AuthDB.dat", "|one|Newer|N|\r\n|two|2|2|\r\n");
      Settle(path);
    } else if (change == "rewritten, same size, another time") {
      dir.Write("AuthDB.dat", "|one|Newer|N|\r\n");
      Settle(path, 5);
    } else if (change.find("time put back") != std::string_view::npos) {
      dir.Write("AuthDB.dat", "|one|Newer|N|\r\n");
      fs::last_write_time(path, time);
    } else if (change == "replaced by another file") {
      dir.Write("AuthDB.new", "|one|Newer|N|\r\n");
      fs::remove(path);
      fs::rename(dir.File("AuthDB.new"), path);
      fs::last_write_time(path, time);
    } else {
      fs::remove(path);
    }

    EXPECT_EQ(change != "removed" ? DictionaryLoad::kRead : DictionaryLoad::kMissing,
              LoadAuthorDictionary(disk, dictionaries, dir.path()));
    const bool hit = LookupAuthor(dictionaries.authors, "one", entry);
    if (change == "removed") {
      EXPECT_FALSE(hit);
    } else {
      ASSERT_TRUE(hit);
      EXPECT_EQ(row.fresh ? "Newer" : "Older", entry.name);
    }
    FreeAuthorDictionary(dictionaries);
  }
}

TEST(KeptDictionaries, EachDataDirectoryHasItsOwnFiles) {
  Dictionaries dictionaries;
  TempDir first, second;
  first.Write("PubDB.dat", "|12|First\r\n");
  second.Write("PubDB.dat", "|12|Other\r\n");
  Settle(first.File("PubDB.dat"));
  Settle(second.File("PubDB.dat"));
  // Same size, same time: only the folder tells the files apart.
  fs::last_write_time(second.File("PubDB.dat"), fs::last_write_time(first.File("PubDB.dat")));
  for (int i = 0; i < 12; ++i) {
    BookRecord record;
    record.Code = "9784123456789";
    EXPECT_EQ(
        DictionaryLoad::kRead,
        LookupPublisherByCode(disk, dictionaries, i % 2 ? second.path() : first.path(), record));
    EXPECT_EQ(i % 2 ? "Other" : "First", record.Publisher);
  }
  FreePublisherDictionary(dictionaries);
}

}  // namespace
}  // namespace kanadeya
