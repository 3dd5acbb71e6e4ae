// The host's three dictionaries over fuzzed files: "AuthDB.dat", "PubDB.dat"
// and "LabelsDB.dat" (each present or missing), a fuzzed code, publisher,
// genre and author name. Every lookup must give what the plain rule gives:
// join the file's lines each followed by CR LF, take the first occurrence of
// the "|"-framed key anywhere in that text, and the value behind it up to the
// end mark. The library may keep its dictionaries in any form that does so
// faster; the plain rule is written out here once more.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "text/markup.h"
#include "text/strings.h"

namespace {

using kanadeya::fuzz::Check;

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

// The value behind the first occurrence of `key`, up to the first `end` after
// it or the end of the text; false when the key does not occur.
bool PlainFind(const std::string& dictionary, const std::string& key, std::string_view end,
               std::string& value) {
  const size_t at = dictionary.find(key);
  if (at == std::string::npos) return false;
  const std::string rest = dictionary.substr(at + key.size());
  value = rest.substr(0, rest.find(end));
  return true;
}

std::string PlainPublisher(const std::string& publishers, const std::string& code,
                           const std::string& publisher) {
  size_t start;
  if (!code.empty() && code[0] == '4')
    start = 1;
  else if (!code.empty() && code[0] == '9')
    start = 4;
  else
    return publisher;
  for (size_t length = 2; length <= 6; ++length) {
    const std::string digits = start < code.size() ? code.substr(start, length) : std::string();
    std::string value;
    if (PlainFind(publishers, "|" + digits + "|", "\r\n", value)) return value;
  }
  return publisher;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  FuzzedDataProvider provider(data, size);
  const bool has_authors = provider.ConsumeBool();
  const bool has_publishers = provider.ConsumeBool();
  const bool has_labels = provider.ConsumeBool();
  const std::string code = provider.ConsumeRandomLengthString(32);
  const std::string publisher = provider.ConsumeRandomLengthString(64);
  const std::string label = provider.ConsumeRandomLengthString(64);
  const std::string name = provider.ConsumeRandomLengthString(64);
  const std::string authors = provider.ConsumeRandomLengthString(4096);
  const std::string publishers = provider.ConsumeRandomLengthString(4096);
  const std::string labels = provider.ConsumeRemainingBytesAsString();
  const std::string inputs = code + "\n" + publisher + "\n" + label + "\n" + name;

  const std::string& dir = fuzz::ScratchFolder();
  fuzz::PlaceFile(dir + "AuthDB.dat", has_authors, authors);
  fuzz::PlaceFile(dir + "PubDB.dat", has_publishers, publishers);
  fuzz::PlaceFile(dir + "LabelsDB.dat", has_labels, labels);

  // Publisher by code, as the driver calls it: with the whole code line.
  ClearBookRecord();
  BookRecord.Code = code;
  BookRecord.Publisher = publisher;
  Check(LookupPublisherByCode(dir) == has_publishers, "the publisher lookup misreports the file");
  const std::string publisher_text = PlainDictionaryText(has_publishers ? &publishers : nullptr);
  Check(BookRecord.Publisher == PlainPublisher(publisher_text, code, publisher),
        "the publisher differs from the plain lookup", inputs);
  if (BookRecord.Publisher != publisher)
    Check(BookRecord.Publisher.find_first_of("\r\n") == std::string::npos,
          "a publisher from the dictionary holds a line break", BookRecord.Publisher);

  // Label by publisher and genre.
  Check(LoadLabelDictionary(dir) == has_labels, "the label load misreports the file");
  const std::string label_text = PlainDictionaryText(has_labels ? &labels : nullptr);
  BookRecord.Label = label;
  LookupLabel();
  std::string expected_label = label;
  if (!label_text.empty()) {
    std::string value;
    const std::string key =
        "|" + BookRecord.Publisher + "|" + NormaliseDictionaryKey(label) + "|";
    if (PlainFind(label_text, key, "\r\n", value)) expected_label = value;
  }
  Check(BookRecord.Label == expected_label, "the label differs from the plain lookup", inputs);

  // Author by name.
  Check(LoadAuthorDictionary(dir) == has_authors, "the author load misreports the file");
  const std::string author_text = PlainDictionaryText(has_authors ? &authors : nullptr);
  Check(AuthorDictionaryHasLines() == !author_text.empty(),
        "the author dictionary misreports its lines");
  AuthorDictionaryEntry entry;
  const bool hit = LookupAuthor(name, entry);
  const std::string key_text = NormaliseDictionaryKey(name);
  std::string value;
  const bool plain_hit =
      !key_text.empty() && PlainFind(author_text, "|" + key_text + "|", "|\r\n", value);
  Check(hit == plain_hit, "the author lookup differs from the plain lookup", inputs);
  if (hit)
    Check(entry.name == NthField(value, '|', 1) && entry.reading == NthField(value, '|', 2) &&
              entry.extra == NthField(value, '|', 3),
          "the author entry differs from the plain lookup", inputs);
  FreeAuthorDictionary();
  Check(!AuthorDictionaryHasLines(), "the author dictionary is held after its release");

  // The key form itself: no blank left where a character starts (a malformed
  // text can hold one as the second byte of a pair), nothing to trim.
  for (size_t i = 0; i < key_text.size(); i += IsLeadByte(key_text[i]) ? 2 : 1)
    Check(key_text[i] != ' ', "a normalised key holds a space", name);
  Check(key_text == Trim(key_text), "a normalised key is not trimmed", name);
  return 0;
}
