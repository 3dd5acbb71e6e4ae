#include "record/dictionaries.h"
#include "platform/disk_file_reader.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "record/book_record.h"
#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

// The files of these tests lie on the disk.
platform::DiskFileReader disk;

using namespace std::string_view_literals;
using test::TempDir;

// "AuthDB.dat": normalised name, name, reading, third value.
const std::string kAuthors =
    SJ("|あいう|あい・う|アイウ|作曲家|\r\n"
       "|かきく|かきく||\r\n")  // no reading, no third value
    + std::string(
          "|alpha|beta|Mid|m|x|\r\n"  // "|beta|" first occurs here, mid-line
          "|beta|Beta|BETA|b|\r\n"
          "|dup|First|F|1|\r\n"
          "|dup|Second|S|2|\r\n"
          "|cr|C|c|3|\r"            // a lone CR ends a line
          "|lf|L|l|4|\n"            // so does a lone LF
          "|open|Name|Reading\r\n"  // no closing bar: the value runs on
          "|next|N|n|5|\r\n"
          "|two|Tw\x83|o|6|\r\n"    // "Tw" then a lead byte taking the bar as its second byte
          "\0|zero|Z|z|7|\r\n"sv);  // a zero byte ends the text

struct AuthorRow {
  std::string_view name;
  bool hit;
  std::string_view dictionary_name, reading, extra;
};

TEST(LookupAuthor, FirstOccurrenceOfTheKey) {
  Dictionary authors;
  authors.Assign(kAuthors);
  ASSERT_FALSE(authors.Empty());
  static const AuthorRow rows[] = {
      // あい・う is looked up as |あいう|
      {SJ("あい・う"), true, SJ("あい・う"), SJ("アイウ"), SJ("作曲家")},
      // かきく: empty reading and third value
      {SJ("かきく"), true, SJ("かきく"), "", ""},
      {"beta", true, "Mid", "m", "x"},                // found mid-line before its own line
      {"dup", true, "First", "F", "1"},               // the first line wins
      {"cr", true, "C", "c", "3"},                    // lone CR became a line end
      {"lf", true, "L", "l", "4"},                    // lone LF became a line end
      {"open", true, "Name", "Reading\r\n", "next"},  // runs on to the next "|\r\n"
      {"two", true, "Tw\x83|o", "6", ""},  // the search is byte-wise, fields by character
      {"zero", false, "", "", ""},         // after the zero byte
      {"ALPHA", false, "", "", ""},        // case-sensitive
      {"missing", false, "", "", ""},
      {"", false, "", "", ""},  // an empty name is no name, though "||" occurs
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::Utf8(row.name));
    AuthorDictionaryEntry entry{"unchanged", "unchanged", "unchanged"};
    ASSERT_EQ(row.hit, LookupAuthor(authors, row.name, entry));
    if (!row.hit) continue;
    EXPECT_BYTES_EQ(row.dictionary_name, entry.name);
    EXPECT_BYTES_EQ(row.reading, entry.reading);
    EXPECT_BYTES_EQ(row.extra, entry.extra);
  }
}

TEST(Dictionary, AssignReplacesTheText) {
  Dictionary authors;
  AuthorDictionaryEntry entry;
  authors.Assign("|beta|Beta|BETA|");  // the last line needs no line end
  EXPECT_TRUE(LookupAuthor(authors, "beta", entry));
  EXPECT_BYTES_EQ("Beta", entry.name);
  authors.Assign("|gamma|G|g|\r\n");
  EXPECT_FALSE(LookupAuthor(authors, "beta", entry));
  EXPECT_TRUE(LookupAuthor(authors, "gamma", entry));
  authors.Assign("");  // no lines
  EXPECT_TRUE(authors.Empty());
  authors.Assign("\n");  // one empty line
  EXPECT_FALSE(authors.Empty());
  authors.Assign(std::string_view("\0\n", 2));  // a zero byte first: no lines
  EXPECT_TRUE(authors.Empty());

  // A load after it reads its file, also one whose text was kept before.
  TempDir dir;
  const std::string path = dir.File("AuthDB.dat");
  dir.Write("AuthDB.dat", "|beta|From the file|F|\r\n");
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  for (int round = 0; round < 2; ++round) {
    authors.Assign("|beta|Assigned|A|\r\n");
    ASSERT_EQ(DictionaryLoad::kRead, authors.Load(disk, path));
    ASSERT_TRUE(LookupAuthor(authors, "beta", entry));
    EXPECT_BYTES_EQ("From the file", entry.name);
  }
}

TEST(LoadAuthorDictionary, MissingFolderOrReloadedFile) {
  Dictionaries dictionaries;
  TempDir dir;
  AuthorDictionaryEntry entry;
  dir.Write("AuthDB.dat", "|beta|Beta|BETA|\r\n");
  ASSERT_EQ(DictionaryLoad::kRead, LoadAuthorDictionary(disk, dictionaries, dir.path()));
  EXPECT_TRUE(LookupAuthor(dictionaries.authors, "beta", entry));

  // Released: nothing is found, and releasing again does nothing.
  FreeAuthorDictionary(dictionaries);
  EXPECT_TRUE(dictionaries.authors.Empty());
  EXPECT_FALSE(LookupAuthor(dictionaries.authors, "beta", entry));
  FreeAuthorDictionary(dictionaries);

  // A load replaces the dictionary held before.
  ASSERT_EQ(DictionaryLoad::kRead, LoadAuthorDictionary(disk, dictionaries, dir.path()));
  TempDir other;
  other.Write("AuthDB.dat", "|gamma|G|g|\r\n");
  ASSERT_EQ(DictionaryLoad::kRead, LoadAuthorDictionary(disk, dictionaries, other.path()));
  EXPECT_FALSE(LookupAuthor(dictionaries.authors, "beta", entry));
  EXPECT_TRUE(LookupAuthor(dictionaries.authors, "gamma", entry));

  // A missing file, and a folder in its place, are empty dictionaries.
  TempDir empty;
  EXPECT_EQ(DictionaryLoad::kMissing, LoadAuthorDictionary(disk, dictionaries, empty.path()));
  EXPECT_TRUE(dictionaries.authors.Empty());
  std::filesystem::create_directory(empty.File("AuthDB.dat"));
  EXPECT_EQ(DictionaryLoad::kMissing, LoadAuthorDictionary(disk, dictionaries, empty.path()));
  EXPECT_TRUE(dictionaries.authors.Empty());

  // A file of one empty line has a line.
  dir.Write("AuthDB.dat", "\n");
  EXPECT_EQ(DictionaryLoad::kRead, LoadAuthorDictionary(disk, dictionaries, dir.path()));
  EXPECT_FALSE(dictionaries.authors.Empty());
  FreeAuthorDictionary(dictionaries);
}

constexpr std::string_view kPublishers =
    "|12|Two|\r\n"
    "|1234|Four|\r\n"
    "|567|Three|\r\n"
    "|x|99999|Mid\r\n"  // a key in the middle of a line
    "|456789|Six|\r\n";

struct PublisherRow {
  std::string_view code, publisher;
};

TEST(LookupPublisher, PrefixKeysOfTwoToSixDigits) {
  Dictionary publishers;
  publishers.Assign(kPublishers);
  static const PublisherRow rows[] = {
      {"9784123456789", "Two|"},       // |12| before |1234|: the shortest key wins
      {"4123456789", "Two|"},          // ISBN-10: from the 2nd byte
      {"9790567000000", "Three|"},     // any code starting with 9: from the 5th byte
      {"9784456789000", "Six|"},       // the six-digit key
      {"9784999990000", "Mid"},        // found mid-line, up to the line end
      {"978412345678912345", "Two|"},  // the scanner's longer form
      {"9784", "before"},              // too short: the key "||" is not there
      {"97845", "before"},             // "|5|" every time
      {"1234567890", "before"},        // other first digits give no publisher
      {"", "before"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    BookRecord record;
    record.Code = std::string(row.code);
    record.Publisher = "before";
    EXPECT_EQ(row.publisher != "before", LookupPublisher(publishers, record));
    EXPECT_BYTES_EQ(row.publisher, record.Publisher);
  }
}

// The file step reads "PubDB.dat" of the data directory and keeps it until
// its own release; the author dictionary's release leaves it.
TEST(LookupPublisherByCode, ReadsAndKeepsTheFile) {
  Dictionaries dictionaries;
  TempDir dir;
  dir.Write("PubDB.dat", kPublishers);
  dictionaries.authors.Assign("|a|A|\r\n");
  BookRecord record;
  record.Code = "9784123456789";
  EXPECT_EQ(DictionaryLoad::kRead, LookupPublisherByCode(disk, dictionaries, dir.path(), record));
  EXPECT_BYTES_EQ("Two|", record.Publisher);
  FreeAuthorDictionary(dictionaries);
  EXPECT_TRUE(dictionaries.authors.Empty());
  EXPECT_FALSE(dictionaries.publishers.Empty());
  FreePublisherDictionary(dictionaries);
  EXPECT_TRUE(dictionaries.publishers.Empty());
  FreePublisherDictionary(dictionaries);  // releasing again does nothing
}

TEST(LookupPublisherByCode, MissingFileKeepsThePublisher) {
  Dictionaries dictionaries;
  TempDir dir;
  BookRecord record;
  record.Code = "9784123456789";
  EXPECT_EQ(DictionaryLoad::kMissing,
            LookupPublisherByCode(disk, dictionaries, dir.path(), record));
  EXPECT_BYTES_EQ("", record.Publisher);
}

const std::string_view kLabels =
    SJ("|Pub|ab|Label AB\r\n"
       "|Pub|二長調|Key\r\n"
       "|P・Q|ab|Dotted publisher\r\n");  // the publisher is not normalised

struct LabelRow {
  std::string_view publisher, label, result;
};

TEST(LookupLabel, PublisherAndNormalisedGenre) {
  Dictionaries dictionaries;
  dictionaries.labels.Assign(kLabels);
  static const LabelRow rows[] = {
      {"Pub", SJ("a・b"), "Label AB"},  // a・b is looked up as ab
      {"Pub", " a b ", "Label AB"},     // spaces go
      {"Pub", SJ("ニ長調"), "Key"},     // ニ長調 is looked up as 二長調
      {SJ("P・Q"), "ab", "Dotted publisher"}, {"PQ", "ab", "ab"},  // not found: the label stays
      {"Pub", SJ("a・c"), SJ("a・c")},  // not found: kept as scraped, not normalised
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::Utf8(row.label));
    BookRecord record;
    record.Publisher = std::string(row.publisher);
    record.Label = std::string(row.label);
    LookupLabel(dictionaries, record);
    EXPECT_BYTES_EQ(row.result, record.Label);
  }

  // Loading a file replaces the held dictionary, loading a missing one
  // empties it.
  BookRecord record;
  TempDir dir;
  dir.Write("LabelsDB.dat", "|Pub|ab|From the file\r\n");
  EXPECT_EQ(DictionaryLoad::kRead, LoadLabelDictionary(disk, dictionaries, dir.path()));
  record.Publisher = "Pub";
  record.Label = "ab";
  LookupLabel(dictionaries, record);
  EXPECT_BYTES_EQ("From the file", record.Label);
  TempDir empty;
  EXPECT_EQ(DictionaryLoad::kMissing, LoadLabelDictionary(disk, dictionaries, empty.path()));
  record.Publisher = "Pub";
  record.Label = "ab";
  LookupLabel(dictionaries, record);
  EXPECT_BYTES_EQ("ab", record.Label);
}

struct KeyRow {
  std::string_view text, key;
};

TEST(NormaliseDictionaryKey, StepsInOrder) {
  Dictionaries dictionaries;
  static const KeyRow rows[] = {
      {"", ""},
      {SJ("☆あ★い♪う"), SJ("あいう")},
      {SJ("ニ"), SJ("二")},    // katakana ニ -> kanji 二
      {" a b\t", "ab"},        // spaces removed, ends trimmed
      {SJ("ｰa"), "-a"},        // half-width ｰ -> "-"
      {SJ("宴j"), SJ("宴j")},  // ニ's bytes across two characters stay
      {SJ("臆"), SJ("臆")},    // ｰ's byte as a second byte stays
      {SJ("堰E"), SJ("堰E")},  // ・'s bytes from a second byte on stay
      {SJ("ピアノ・ソロ"), SJ("ﾋﾟｱﾉｿﾛ")},
      {SJ("ギター"), SJ("ｷﾞﾀ-")},
      {SJ("ＡＢ　Ｃ"), "ABC"},
      {SJ("あいう"), SJ("あいう")},  // hiragana stay
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::Hex(row.text));
    EXPECT_BYTES_EQ(row.key, NormaliseDictionaryKey(row.text));
  }
}

}  // namespace
}  // namespace kanadeya
