#include "record/dictionaries.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "markup/markup.h"
#include "record/book_record.h"
#include "record/output_line.h"
#include "record/system_texts.h"
#include "strings/byte_scan.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// Lookups that search a freshly read text before an index is built: a file
// that changes before every code is searched a few times and never indexed.
constexpr size_t kSearchesBeforeIndex = 8;

size_t FindFramed(std::string_view text, std::string_view inner);
uint64_t HashOf(std::string_view text);

std::string DictionaryText(std::string_view contents);

}  // namespace

DictionaryLoad LoadAuthorDictionary(platform::FileReader& files, Dictionaries& dictionaries,
                                    const std::string& data_dir) {
  return dictionaries.authors.Load(files, data_dir + std::string(kAuthorDictionaryFile));
}

void FreeAuthorDictionary(Dictionaries& dictionaries) { dictionaries.authors.Release(); }

void FreePublisherDictionary(Dictionaries& dictionaries) { dictionaries.publishers.Release(); }

bool LookupAuthor(Dictionary& authors, std::string_view name, AuthorDictionaryEntry& entry) {
  const std::string normalised = NormaliseDictionaryKey(name);
  if (normalised.empty()) return false;
  std::string_view value;
  if (!authors.Find(normalised, "|\r\n", value)) return false;
  entry.name = NthField(value, '|', 1);
  entry.reading = NthField(value, '|', 2);
  entry.extra = NthField(value, '|', 3);
  return true;
}

DictionaryLoad LookupPublisherByCode(platform::FileReader& files, Dictionaries& dictionaries,
                                     const std::string& data_dir, BookRecord& record) {
  Dictionary& publishers = dictionaries.publishers;
  const DictionaryLoad load =
      publishers.Load(files, data_dir + std::string(kPublisherDictionaryFile));
  LookupPublisher(publishers, record);
  return load;
}

bool LookupPublisher(Dictionary& publishers, BookRecord& record) {
  const std::string_view code = record.Code;
  // A 13-digit code carries the prefix and the group digit in its first four
  // bytes, a 10-digit code of group 4 the group digit in its first.
  int64_t publisher_start = 0;
  if (code.starts_with('9')) publisher_start = 5;
  if (code.starts_with('4')) publisher_start = 2;
  if (publisher_start != 0) {
    for (int64_t length = 2; length <= 6; ++length) {
      std::string_view value;
      if (publishers.Find(CopyView(code, publisher_start, length), "\r\n", value)) {
        record.Publisher = std::string(value);
        return true;
      }
    }
  }
  return false;
}

DictionaryLoad LoadLabelDictionary(platform::FileReader& files, Dictionaries& dictionaries,
                                   const std::string& data_dir) {
  return dictionaries.labels.Load(files, data_dir + std::string(kLabelDictionaryFile));
}

void LookupLabel(Dictionaries& dictionaries, BookRecord& record) {
  Dictionary& labels = dictionaries.labels;
  if (labels.Empty()) return;
  std::string inner = record.Publisher;
  inner += '|';
  inner += NormaliseDictionaryKey(record.Label);
  std::string_view value;
  if (labels.Find(inner, "\r\n", value)) record.Label = std::string(value);
}

std::string NormaliseDictionaryKey(std::string_view text) {
  std::string key(text);
  ReplaceAllIn(key, kKeyMiddleDot, "");
  ReplaceAllIn(key, kKeyWhiteStar, "");
  ReplaceAllIn(key, kKeyBlackStar, "");
  ReplaceAllIn(key, kKeyEighthNote, "");
  ReplaceAllIn(key, kKeyKatakanaNi, kKeyKanjiTwo);
  key = ToHalfWidth(key);
  ReplaceAllIn(key, " ", "");
  ReplaceAllIn(key, kKeyHalfWidthLongVowel, "-");
  return Trim(key);
}

DictionaryLoad Dictionary::Load(platform::FileReader& files, const std::string& path) {
  platform::FileStamp stamp;
  if (!files.ReadFileStamp(path, stamp)) {
    Release();
    return files.FileExists(path) ? DictionaryLoad::kUnreadable : DictionaryLoad::kMissing;
  }
  if (reusable_ && stamp == stamp_ && path == path_) return DictionaryLoad::kRead;
  Release();
  const int64_t read_at = files.FileTimeNow();
  std::string contents;
  const bool readable = files.ReadWholeFile(path, contents);
  if (readable) text_ = DictionaryText(contents);
  path_ = path;
  stamp_ = stamp;
  // A write after the read gives the file a later time than its stamp has,
  // unless the stamp's time is so recent that the clock's step hides it.
  reusable_ = readable && stamp.modified <= read_at - platform::kFileTimeSettle;
  return readable ? DictionaryLoad::kRead : DictionaryLoad::kUnreadable;
}

void Dictionary::Assign(std::string_view contents) {
  Release();
  text_ = DictionaryText(contents);
}

void Dictionary::Release() {
  std::string().swap(text_);
  std::string().swap(path_);
  reusable_ = false;
  searches_ = 0;
  indexed_ = false;
  index_.Clear();
}

bool Dictionary::Find(std::string_view inner, std::string_view end, std::string_view& value) {
  const size_t at = FindKey(inner);
  if (at == std::string_view::npos) return false;
  const std::string_view rest = std::string_view(text_).substr(at + inner.size() + 2);
  const size_t stop = rest.find(end);
  value = stop == std::string_view::npos ? rest : rest.substr(0, stop);
  return true;
}

// The offset of the first "|" + inner + "|" in the text, or npos.
size_t Dictionary::FindKey(std::string_view inner) {
  if (text_.empty()) return std::string_view::npos;
  if (!indexed_ && ++searches_ == kSearchesBeforeIndex + 1) indexed_ = index_.Build(text_);
  return indexed_ ? index_.Find(text_, inner) : FindFramed(text_, inner);
}

bool SegmentIndex::Build(std::string_view text) {
  Clear();
  if (text.size() >= UINT32_MAX) return false;
  ForEachByte(text, '|', [this](size_t at) { bars_.push_back(static_cast<uint32_t>(at)); });
  if (bars_.size() < 2) return true;
  const auto segments = static_cast<uint32_t>(bars_.size() - 1);
  size_t size = 16;
  while (size < 2 * static_cast<size_t>(segments)) size *= 2;
  slots_.assign(size, kNone);
  later_.assign(segments, kNone);
  // From the last bar back, each put in front of those with its segment, so
  // that every segment leads to its bars in text order.
  for (uint32_t bar = segments; bar-- > 0;) {
    const std::string_view segment = Segment(text, bar);
    for (size_t slot = HashOf(segment) & (size - 1);; slot = (slot + 1) & (size - 1)) {
      if (slots_[slot] == kNone) {
        slots_[slot] = bar;
        break;
      }
      if (Segment(text, slots_[slot]) == segment) {
        later_[bar] = slots_[slot];
        slots_[slot] = bar;
        break;
      }
    }
  }
  return true;
}

void SegmentIndex::Clear() {
  std::vector<uint32_t>().swap(bars_);
  std::vector<uint32_t>().swap(later_);
  std::vector<uint32_t>().swap(slots_);
}

size_t SegmentIndex::Find(std::string_view text, std::string_view inner) const {
  assert(bars_.empty() || (bars_.back() < text.size() && text[bars_.back()] == '|'));
  if (slots_.empty()) return std::string_view::npos;
  const std::string_view first = inner.substr(0, inner.find('|'));
  const size_t mask = slots_.size() - 1;
  for (size_t slot = HashOf(first) & mask; slots_[slot] != kNone; slot = (slot + 1) & mask) {
    if (Segment(text, slots_[slot]) != first) continue;
    for (uint32_t bar = slots_[slot]; bar != kNone; bar = later_[bar]) {
      // The bar and the segment are there; the rest of the key and its
      // closing bar are compared.
      const size_t at = bars_[bar];
      const size_t end = at + 1 + inner.size();
      if (end < text.size() && text[end] == '|' &&
          text.compare(at + 1 + first.size(), inner.size() - first.size(),
                       inner.substr(first.size())) == 0)
        return at;
    }
    return std::string_view::npos;
  }
  return std::string_view::npos;
}

namespace {

// The offset of the first "|" + inner + "|" in `text`, or npos. A
// Horspool search for the whole framed key: the text is mostly the lead
// bytes of double-byte characters, so a search led by the key's first byte
// would stop every few bytes.
size_t FindFramed(std::string_view text, std::string_view inner) {
  std::string framed;
  framed.reserve(inner.size() + 2);
  framed += '|';
  framed += inner;
  framed += '|';
  const std::boyer_moore_horspool_searcher searcher(framed.begin(), framed.end());
  const auto found = std::search(text.begin(), text.end(), searcher);
  return found == text.end() ? std::string_view::npos : static_cast<size_t>(found - text.begin());
}

uint64_t HashOf(std::string_view text) {
  return static_cast<uint64_t>(std::hash<std::string_view>{}(text));
}

// The lines of a file's contents, each followed by CR LF.
std::string DictionaryText(std::string_view contents) {
  std::string text;
  text.reserve(contents.size() + 2);
  SplitLines(contents, [&text](std::string_view line) {
    text += line;
    text += "\r\n";
  });
  return text;
}

}  // namespace

}  // namespace kanadeya
