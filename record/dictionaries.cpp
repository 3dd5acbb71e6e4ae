#include "record/dictionaries.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "markup/markup.h"
#include "platform/file_stamp.h"
#include "platform/files.h"
#include "record/book_record.h"
#include "record/output_line.h"
#include "record/system_texts.h"
#include "strings/byte_scan.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// Where the "|"-framed keys of a text stand, found by the text between a bar
// and the next (a segment): an open-addressing hash table of the distinct
// segments, each leading to the bars it follows, in text order. A key whose
// inner text holds no bar is such a segment; any key starts at a bar
// followed by its inner text's first segment, so the first of those bars
// that the whole key follows is the key's first occurrence.
class SegmentIndex {
 public:
  // Indexes the segments of `text`. False (and nothing indexed) for a text
  // too large for the table's 32-bit entries.
  bool Build(std::string_view text);
  void Clear();
  // The offset of the first "|" + inner + "|" in `text`, or npos.
  // REQUIRES: `text` is the text last built.
  size_t Find(std::string_view text, std::string_view inner) const;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;

  std::string_view Segment(std::string_view text, uint32_t bar) const {
    return text.substr(bars_[bar] + 1, bars_[bar + 1] - bars_[bar] - 1);
  }

  std::vector<uint32_t> bars_;   // the offsets of the text's bars, in order
  std::vector<uint32_t> later_;  // for each bar, the next bar followed by the same segment
  std::vector<uint32_t> slots_;  // the first bar followed by a segment; kNone free
};

// One dictionary file as its text: the file's lines, each followed by CR LF.
// The text is kept while the file keeps its stamp (size, last write, identity),
// so that a run does not read an unchanged file again for every code; a file
// written too recently for its stamp to tell a later write apart is read again
// each time. The first few lookups after a read search the text; from then on
// an index of its "|"-framed spans answers, built once.
class Dictionary {
 public:
  // Makes the text that of the file at `path` (empty when it is missing or
  // unreadable). True if the file exists.
  bool Load(const std::string& path);
  void Release();
  bool Empty() const { return text_.empty(); }

  // The value after the first occurrence of "|" + inner + "|" in the text,
  // up to the first `end` after it, or to the end of the text. False when
  // the key does not occur.
  bool Find(std::string_view inner, std::string_view end, std::string_view& value);

 private:
  size_t FindKey(std::string_view inner);

  std::string text_;
  std::string path_;
  platform::FileStamp stamp_;
  bool reusable_ = false;
  size_t searches_ = 0;  // lookups since the read
  bool indexed_ = false;
  SegmentIndex index_;
};

// Lookups that search a freshly read text before an index is built: a file
// that changes before every code is searched a few times and never indexed.
constexpr size_t kSearchesBeforeIndex = 8;

// The held author and label dictionaries, and the publisher dictionary kept
// between the publisher lookups of one run. Empty text: no line.
Dictionary author_dictionary;
Dictionary publisher_dictionary;
Dictionary label_dictionary;

size_t FindFramed(std::string_view text, std::string_view inner);
uint64_t HashOf(std::string_view text);

std::string ReadDictionary(const std::string& path, bool& readable);

}  // namespace

bool LoadAuthorDictionary(const std::string& data_dir) {
  return author_dictionary.Load(data_dir + std::string(kAuthorDictionaryFile));
}

bool FreeAuthorDictionary() {
  author_dictionary.Release();
  publisher_dictionary.Release();
  return true;
}

bool AuthorDictionaryHasLines() { return !author_dictionary.Empty(); }

bool LookupAuthor(std::string_view name, AuthorDictionaryEntry& entry) {
  const std::string normalised = NormaliseDictionaryKey(name);
  if (normalised.empty()) return false;
  std::string_view value;
  if (!author_dictionary.Find(normalised, "|\r\n", value)) return false;
  entry.name = NthField(value, '|', 1);
  entry.reading = NthField(value, '|', 2);
  entry.extra = NthField(value, '|', 3);
  return true;
}

bool LookupPublisherByCode(const std::string& data_dir) {
  const bool exists = publisher_dictionary.Load(data_dir + std::string(kPublisherDictionaryFile));
  const std::string_view code = BookRecord.Code;
  // A 13-digit code carries the prefix and the group digit in its first four
  // bytes, a 10-digit code of group 4 the group digit in its first.
  int64_t publisher_start = 0;
  if (code.starts_with('9')) publisher_start = 5;
  if (code.starts_with('4')) publisher_start = 2;
  if (publisher_start != 0) {
    for (int64_t length = 2; length <= 6; ++length) {
      std::string_view value;
      if (publisher_dictionary.Find(CopyView(code, publisher_start, length), "\r\n", value)) {
        BookRecord.Publisher = std::string(value);
        break;
      }
    }
  }
  return exists;
}

bool LoadLabelDictionary(const std::string& data_dir) {
  return label_dictionary.Load(data_dir + std::string(kLabelDictionaryFile));
}

bool LookupLabel() {
  if (label_dictionary.Empty()) return true;
  std::string inner = BookRecord.Publisher;
  inner += '|';
  inner += NormaliseDictionaryKey(BookRecord.Label);
  std::string_view value;
  if (label_dictionary.Find(inner, "\r\n", value)) BookRecord.Label = std::string(value);
  return true;
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

namespace {

bool Dictionary::Load(const std::string& path) {
  platform::FileStamp stamp;
  if (!platform::ReadFileStamp(path, stamp)) {
    Release();
    return platform::FileExists(path);
  }
  if (reusable_ && stamp == stamp_ && path == path_) return true;
  Release();
  const int64_t read_at = platform::CurrentFileTime();
  bool readable = false;
  text_ = ReadDictionary(path, readable);
  path_ = path;
  stamp_ = stamp;
  // A write after the read gives the file a later time than its stamp has,
  // unless the stamp's time is so recent that the clock's step hides it.
  reusable_ = readable && stamp.modified <= read_at - platform::kFileTimeSettle;
  return true;
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
  return found == text.end() ? std::string_view::npos
                             : static_cast<size_t>(found - text.begin());
}

uint64_t HashOf(std::string_view text) {
  return static_cast<uint64_t>(std::hash<std::string_view>{}(text));
}

// The lines of the file, each followed by CR LF; empty when the file is
// missing or cannot be read, and then `readable` is false.
std::string ReadDictionary(const std::string& path, bool& readable) {
  std::string contents;
  readable = platform::ReadWholeFile(path, contents);
  if (!readable) return {};
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
