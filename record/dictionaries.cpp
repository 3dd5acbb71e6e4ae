#include "record/dictionaries.h"

#include "platform/files.h"
#include "record/book_record.h"
#include "record/output_line.h"
#include "record/system_texts.h"
#include "text/markup.h"
#include "text/strings.h"

namespace kanadeya {

namespace {

// The held dictionaries, as their joined text. Empty text: no line.
std::string author_dictionary;
std::string label_dictionary;

std::string ReadDictionary(const std::string& path);
bool FindValue(std::string_view dictionary, std::string_view key, std::string_view end,
               std::string_view& value);
std::string FramedKey(std::string_view inner);

}  // namespace

bool LoadAuthorDictionary(const std::string& data_dir) {
  const std::string path = data_dir + std::string(kAuthorDictionaryFile);
  FreeAuthorDictionary();
  author_dictionary = ReadDictionary(path);
  return platform::FileExists(path);
}

bool FreeAuthorDictionary() {
  std::string().swap(author_dictionary);
  return true;
}

bool AuthorDictionaryHasLines() { return !author_dictionary.empty(); }

bool LookupAuthor(std::string_view name, AuthorDictionaryEntry& entry) {
  const std::string normalised = NormaliseDictionaryKey(name);
  if (normalised.empty()) return false;
  std::string_view value;
  if (!FindValue(author_dictionary, FramedKey(normalised), "|\r\n", value)) return false;
  entry.name = NthField(value, '|', 1);
  entry.reading = NthField(value, '|', 2);
  entry.extra = NthField(value, '|', 3);
  return true;
}

bool LookupPublisherByCode(const std::string& data_dir) {
  const std::string path = data_dir + std::string(kPublisherDictionaryFile);
  const std::string publishers = ReadDictionary(path);
  const std::string_view code = BookRecord.Code;
  // A 13-digit code carries the prefix and the group digit in its first four
  // bytes, a 10-digit code of group 4 the group digit in its first.
  int64_t publisher_start = 0;
  if (code.starts_with('9')) publisher_start = 5;
  if (code.starts_with('4')) publisher_start = 2;
  if (publisher_start != 0) {
    for (int64_t length = 2; length <= 6; ++length) {
      std::string_view value;
      if (FindValue(publishers, FramedKey(CopyView(code, publisher_start, length)), "\r\n",
                    value)) {
        BookRecord.Publisher = std::string(value);
        break;
      }
    }
  }
  return platform::FileExists(path);
}

bool LoadLabelDictionary(const std::string& data_dir) {
  const std::string path = data_dir + std::string(kLabelDictionaryFile);
  std::string().swap(label_dictionary);
  label_dictionary = ReadDictionary(path);
  return platform::FileExists(path);
}

bool LookupLabel() {
  if (label_dictionary.empty()) return true;
  std::string key = FramedKey(BookRecord.Publisher);
  key += NormaliseDictionaryKey(BookRecord.Label);
  key += '|';
  std::string_view value;
  if (FindValue(label_dictionary, key, "\r\n", value)) BookRecord.Label = std::string(value);
  return true;
}

std::string NormaliseDictionaryKey(std::string_view text) {
  std::string key = ReplaceAll(text, kKeyMiddleDot, "");
  key = ReplaceAll(key, kKeyWhiteStar, "");
  key = ReplaceAll(key, kKeyBlackStar, "");
  key = ReplaceAll(key, kKeyEighthNote, "");
  key = ReplaceAll(key, kKeyKatakanaNi, kKeyKanjiTwo);
  key = ToHalfWidth(key);
  key = ReplaceAll(key, " ", "");
  key = ReplaceAll(key, kKeyHalfWidthLongVowel, "-");
  return Trim(key);
}

namespace {

// The lines of the file, each followed by CR LF; empty when the file is
// missing or cannot be read.
std::string ReadDictionary(const std::string& path) {
  std::string contents;
  if (!platform::ReadWholeFile(path, contents)) return {};
  std::string text;
  text.reserve(contents.size() + 2);
  SplitLines(contents, [&text](std::string_view line) {
    text += line;
    text += "\r\n";
  });
  return text;
}

// Finds the first occurrence of `key` in the dictionary text (byte search);
// `value` is the text after it up to the first `end` after it, or to the end
// of the text. False when the key does not occur.
bool FindValue(std::string_view dictionary, std::string_view key, std::string_view end,
               std::string_view& value) {
  const size_t at = ByteFind(dictionary, key);
  if (at == 0) return false;
  const std::string_view rest = From(dictionary, static_cast<int64_t>(at + key.size()));
  const size_t stop = ByteFind(rest, end);
  value = stop == 0 ? rest : rest.substr(0, stop - 1);
  return true;
}

std::string FramedKey(std::string_view inner) {
  std::string key;
  key.reserve(inner.size() + 2);
  key += '|';
  key += inner;
  key += '|';
  return key;
}

}  // namespace

}  // namespace kanadeya
