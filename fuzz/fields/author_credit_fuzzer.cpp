// Author credits: a few credit rows of one page go through ParseAuthorCredit
// into one AuthorList, and AssignAuthorSlots places the list into the record
// with a fuzzed author dictionary (the bytes of an "AuthDB.dat") and a fuzzed
// title standing in Author, as the detail-page parser leaves it.
//
// The list stays sorted and free of duplicates, every entry starts with a
// role code; the slots write only the fields they may, and OtherAuthors ends
// trimmed. The list and the slots are built for speed (the list orders what
// came when it is read, the slots watch the taken text for the names); both
// must give what the plain ways in tests/support/plain_walks.h give: sorted
// insertion that leaves out an entry equal to one present, and the taken text
// searched afresh for every name.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fields/author_credit.h"
#include "fuzz/fuzz_support.h"
#include "platform/text_mapping.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "strings/strings.h"
#include "tests/support/plain_walks.h"

namespace {

// The page's own separators: role mark "／", author break "　", none.
constexpr std::string_view kRoleMark = "\x81\x5e";
constexpr std::string_view kAuthorBreak = "\x81\x40";

// Fields that AssignAuthorSlots may write.
bool IsAuthorField(int i) {
  using namespace kanadeya;
  return (i >= kAuthor && i <= kOtherAuthors) || i == kAuthorExtra;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  using fuzz::Check;
  FuzzedDataProvider provider(data, size);
  const bool use_first = provider.ConsumeBool();
  const bool use_second = provider.ConsumeBool();
  const bool use_others = provider.ConsumeBool();
  const bool page_separators = provider.ConsumeBool();
  const std::string dictionary = provider.ConsumeRandomLengthString(4096);
  const std::string title = provider.ConsumeRandomLengthString(128);
  std::string role_mark(kRoleMark), author_break(kAuthorBreak), sub_separator, others_prefix;
  if (!page_separators) {
    role_mark = provider.ConsumeRandomLengthString(4);
    author_break = provider.ConsumeRandomLengthString(4);
    sub_separator = provider.ConsumeRandomLengthString(4);
    others_prefix = provider.ConsumeRandomLengthString(4);
  }

  Dictionaries dictionaries;
  dictionaries.authors.Assign(dictionary);

  AuthorList list;
  size_t offered = 0;
  std::string credits;  // all rows, for the report
  for (int row = 0; row < 8 && provider.remaining_bytes() > 0; ++row) {
    const std::string credit = provider.ConsumeRandomLengthString(1024);
    credits += credit + "\n";
    const int n = ParseAuthorCredit(list, credit, role_mark, author_break, sub_separator);
    Check(n >= 0, "ParseAuthorCredit offered a negative number of entries", credit);
    offered += static_cast<size_t>(n);
  }

  const auto& entries = list.Entries();
  Check(entries.size() <= offered, "the list holds more entries than were offered", credits);
  for (size_t i = 0; i < entries.size(); ++i) {
    Check(entries[i].size() >= 2, "an entry without a name", entries[i]);
    Check(std::string_view("0123459").find(entries[i][0]) != std::string_view::npos,
          "an entry without a role code", entries[i]);
    if (i > 0)
      Check(platform::CompareAnsiIgnoreCase(entries[i - 1], entries[i]) < 0,
            "the list is not sorted or holds a duplicate", entries[i]);
  }

  // The list's own order against sorted insertion, fed the words of the
  // credits directly and read half-way as well as at the end.
  {
    AuthorList words;
    std::vector<std::string> added;
    size_t start = 0;
    for (size_t i = 0; i <= credits.size() && added.size() < 64; ++i) {
      if (i < credits.size() && credits[i] != ' ' && credits[i] != '\n') continue;
      added.push_back(credits.substr(start, i - start));
      words.Add(added.back());
      if (added.size() == 5)
        Check(words.Entries() == test::PlainAuthorOrder(added),
              "the list differs from sorted insertion", credits);
      start = i + 1;
    }
    Check(words.Entries() == test::PlainAuthorOrder(added),
          "the list differs from sorted insertion", credits);
  }

  BookRecord record;
  const auto set_up = [&title, &record] {
    for (int i = 0; i < kFieldCount; ++i) record[i] = "field " + std::to_string(i);
    record.Author = title;
    record.AuthorReading.clear();
    record.Author2.clear();
    record.Author2Reading.clear();
    record.OtherAuthors.clear();
    record.AuthorExtra.clear();
  };
  set_up();
  test::PlainAssignAuthorSlots(entries, dictionaries.authors, record, use_first, use_second,
                               use_others, others_prefix);
  const BookRecord plain = record;
  set_up();
  const BookRecord before = record;

  AssignAuthorSlots(list, dictionaries.authors, record, use_first, use_second, use_others,
                    others_prefix);

  for (int i = 0; i < kFieldCount; ++i)
    Check(record[i] == plain[i], "the slots differ from placing the authors one by one", credits);

  for (int i = 0; i < kFieldCount; ++i)
    if (!IsAuthorField(i))
      Check(record[i] == before[i], "the slots wrote a field other than the authors'", credits);
  Check(record.OtherAuthors == Trim(record.OtherAuthors), "OtherAuthors is not trimmed",
        record.OtherAuthors);
  if (!use_first || !title.empty())
    Check(record.Author == title && record.AuthorReading.empty() && record.AuthorExtra.empty(),
          "the first slot was written when it was not free", credits);
  if (!use_second)
    Check(record.Author2.empty() && record.Author2Reading.empty(),
          "the second slot was written when it was not to be used", credits);
  if (!use_others)
    Check(record.OtherAuthors.empty(), "OtherAuthors was written when it was not to be used",
          credits);

  return 0;
}
