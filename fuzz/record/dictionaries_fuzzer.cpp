// The host's three dictionaries over fuzzed file bytes: "AuthDB.dat",
// "PubDB.dat" and "LabelsDB.dat" (each present or missing), a fuzzed code,
// publisher, genre and author name, given to the lookups as bytes
// (Dictionary::Assign, no files). Every lookup must give what the plain rule
// gives: join the file's lines each followed by CR LF, take the first
// occurrence of the "|"-framed key anywhere in that text, and the value
// behind it up to the end mark. The library may keep its dictionaries in any
// form that does so faster (an index built once a dictionary has served a
// few searches); the plain rule is written out here, its first-occurrence
// search shared with the unit tests (PlainFind).
//
// So that such forms are reached, each dictionary serves many lookups: the
// fuzzed ones and keys taken from its own lines. The publisher dictionary is
// given its bytes again before every lookup in half of the inputs, as the
// driver reads a file that changed before every code, and once in the other
// half, as it keeps an unchanged file's text. (Reading and keeping the files
// is the file steps' part, which the unit tests and the whole run cover.)
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "markup/markup.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "strings/strings.h"
#include "tests/support/plain_walks.h"

namespace {

using kanadeya::fuzz::Check;
using kanadeya::test::PlainFind;

// A missing file is the empty text. Otherwise its lines (ended by CR LF, a
// lone CR or a lone LF; the first zero byte ends the text), each followed by
// CR LF.
std::string PlainDictionaryText(const std::string* file) {
  std::string text;
  if (file == nullptr) return text;
  std::string line;
  bool open = false;
  for (size_t i = 0; i < file->size() && (*file)[i] != '\0'; ++i) {
    const char c = (*file)[i];
    if (c == '\r' || c == '\n') {
      text += line + "\r\n";
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < file->size() && (*file)[i + 1] == '\n') ++i;
    } else {
      line += c;
      open = true;
    }
  }
  if (open) text += line + "\r\n";
  return text;
}

// The publisher of the code, into `value`; false when no key occurs.
bool PlainPublisher(const std::string& publishers, const std::string& code, std::string& value) {
  size_t start;
  if (!code.empty() && code[0] == '4')
    start = 1;
  else if (!code.empty() && code[0] == '9')
    start = 4;
  else
    return false;
  for (size_t length = 2; length <= 6; ++length) {
    const std::string digits = start < code.size() ? code.substr(start, length) : std::string();
    if (PlainFind(publishers, "|" + digits + "|", "\r\n", value)) return true;
  }
  return false;
}

// The lines of a dictionary text (each ends in CR LF), at most `most`.
std::vector<std::string> LinesOf(const std::string& text, size_t most) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size() && lines.size() < most;) {
    const size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// The publisher lookup; `contents`, when given, is assigned first.
void CheckPublisher(kanadeya::Dictionary& publishers, const std::string* contents,
                    const std::string& text, const std::string& code,
                    const std::string& publisher) {
  using namespace kanadeya;
  if (contents != nullptr) publishers.Assign(*contents);
  BookRecord record;
  record.Code = code;
  record.Publisher = publisher;
  const bool hit = LookupPublisher(publishers, record);
  std::string expected = publisher;
  Check(hit == PlainPublisher(text, code, expected),
        "the publisher lookup finds a key where the plain lookup does not, or the other way round",
        code);
  Check(record.Publisher == expected, "the publisher differs from the plain lookup", code);
  if (record.Publisher != publisher)
    Check(record.Publisher.find_first_of("\r\n") == std::string::npos,
          "a publisher from the dictionary holds a line break", record.Publisher);
}

void CheckLabel(kanadeya::Dictionaries& dictionaries, const std::string& text,
                const std::string& publisher, const std::string& label) {
  using namespace kanadeya;
  BookRecord record;
  record.Publisher = publisher;
  record.Label = label;
  LookupLabel(dictionaries, record);
  std::string expected = label;
  if (!text.empty()) {
    std::string value;
    const std::string key = "|" + publisher + "|" + NormaliseDictionaryKey(label) + "|";
    if (PlainFind(text, key, "\r\n", value)) expected = value;
  }
  Check(record.Label == expected, "the label differs from the plain lookup",
        publisher + "|" + label);
}

void CheckAuthor(kanadeya::Dictionaries& dictionaries, const std::string& text,
                 const std::string& name) {
  using namespace kanadeya;
  AuthorDictionaryEntry entry;
  const bool hit = LookupAuthor(dictionaries.authors, name, entry);
  const std::string key = NormaliseDictionaryKey(name);
  std::string value;
  const bool plain_hit = !key.empty() && PlainFind(text, "|" + key + "|", "|\r\n", value);
  Check(hit == plain_hit, "the author lookup differs from the plain lookup", name);
  if (hit)
    Check(entry.name == kanadeya::NthField(value, '|', 1) &&
              entry.reading == kanadeya::NthField(value, '|', 2) &&
              entry.extra == kanadeya::NthField(value, '|', 3),
          "the author entry differs from the plain lookup", name);

  // The key form itself: no blank left where a character starts (a malformed
  // text can hold one as the second byte of a pair), nothing to trim.
  for (size_t i = 0; i < key.size(); i += IsLeadByte(key[i]) ? 2 : 1)
    Check(key[i] != ' ', "a normalised key holds a space", name);
  Check(key == Trim(key), "a normalised key is not trimmed", name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  using kanadeya::NthField;
  FuzzedDataProvider provider(data, size);
  const bool has_authors = provider.ConsumeBool();
  const bool has_publishers = provider.ConsumeBool();
  const bool has_labels = provider.ConsumeBool();
  const bool kept_publishers = provider.ConsumeBool();
  const std::string code = provider.ConsumeRandomLengthString(32);
  const std::string publisher = provider.ConsumeRandomLengthString(64);
  const std::string label = provider.ConsumeRandomLengthString(64);
  const std::string name = provider.ConsumeRandomLengthString(64);
  const std::string authors = provider.ConsumeRandomLengthString(4096);
  const std::string publishers = provider.ConsumeRandomLengthString(4096);
  const std::string labels = provider.ConsumeRemainingBytesAsString();

  const std::string author_text = PlainDictionaryText(has_authors ? &authors : nullptr);
  const std::string publisher_text = PlainDictionaryText(has_publishers ? &publishers : nullptr);
  const std::string label_text = PlainDictionaryText(has_labels ? &labels : nullptr);

  // A missing file is an empty dictionary: nothing assigned.
  kanadeya::Dictionaries dictionaries;
  if (has_authors) dictionaries.authors.Assign(authors);
  if (has_labels) dictionaries.labels.Assign(labels);
  if (has_publishers) dictionaries.publishers.Assign(publishers);
  // The publisher's bytes again before every lookup, or kept.
  const std::string* fresh = has_publishers && !kept_publishers ? &publishers : nullptr;

  // Publisher by code, as the driver looks it up (with the whole code line),
  // once for the fuzzed code and once for codes made from the file's prefixes.
  CheckPublisher(dictionaries.publishers, fresh, publisher_text, code, publisher);
  for (const std::string& line : LinesOf(publisher_text, 12)) {
    const std::string digits = NthField(line, '|', 2);
    CheckPublisher(dictionaries.publishers, fresh, publisher_text, "9784" + digits + "000000",
                   publisher);
    CheckPublisher(dictionaries.publishers, fresh, publisher_text, "4" + digits + "0000", "");
  }
  FreePublisherDictionary(dictionaries);
  Check(dictionaries.publishers.Empty(), "the publisher dictionary is kept after its release");

  // Label by publisher and genre: the fuzzed pair, then the pairs of the
  // file's lines, then the fuzzed pair again once an index may be built.
  CheckLabel(dictionaries, label_text, publisher, label);
  for (const std::string& line : LinesOf(label_text, 16))
    CheckLabel(dictionaries, label_text, NthField(line, '|', 2), NthField(line, '|', 3));
  CheckLabel(dictionaries, label_text, publisher, label);

  // Author by name, in the same way.
  Check(!dictionaries.authors.Empty() == !author_text.empty(),
        "the author dictionary misreports its lines");
  CheckAuthor(dictionaries, author_text, name);
  for (const std::string& line : LinesOf(author_text, 16)) {
    CheckAuthor(dictionaries, author_text, NthField(line, '|', 2));
    CheckAuthor(dictionaries, author_text, NthField(line, '|', 3));
  }
  CheckAuthor(dictionaries, author_text, name);
  FreeAuthorDictionary(dictionaries);
  Check(dictionaries.authors.Empty(), "the author dictionary is held after its release");
  return 0;
}
