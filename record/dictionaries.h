// The host's three reference dictionaries, read from its data directory and
// never written: authors ("AuthDB.dat"), publishers by code prefix
// ("PubDB.dat") and labels by publisher and genre ("LabelsDB.dat").
//
// A dictionary is held as its text: the file's lines (split at CR LF, a lone
// CR or a lone LF, ending at the first zero byte), each followed by CR LF. A
// lookup takes the first occurrence of its "|"-framed key anywhere in that
// text, byte-wise and case-sensitively, also in the middle of a line: the
// host's files are made for that. A missing or unreadable file (a folder in
// its place) is an empty dictionary.
//
// With "AuthDB.dat" holding "|あいう|あい・う|アイウ|x|":
//   LookupAuthor("あい・う", entry) is true, entry == {"あい・う", "アイウ", "x"}
//
// The data directory is used as given: file names are appended directly, so
// it ends with a path separator. The dictionaries are values (Dictionaries)
// that their owner keeps from one load to the next; nothing here is
// thread-safe.
//
// A load reads its file only when the file may have changed since the text
// held was read from it: another file, another size, another last-write
// time, or a file written within a few seconds of that read (platform/
// file_reader.h); otherwise the held text stays. The publisher dictionary is
// kept from one LookupPublisherByCode to the next in the same way, until
// FreePublisherDictionary. Lookups go through an index of the text built
// once per read, and give what the first-occurrence search gives.
//
// The loads and LookupPublisherByCode are the steps that read the files,
// through the FileReader they are handed (the run's context); the lookups work on a dictionary's text alone, which Dictionary::Assign also
// makes from a file's bytes (tests and fuzzers give them no files).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_reader.h"
#include "record/book_record.h"

namespace kanadeya {

// How loading a dictionary went. A missing or unreadable file leaves the
// dictionary empty; a run goes on with it as with any other.
enum class DictionaryLoad { kRead, kMissing, kUnreadable };

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
  // Makes the text that of the file at `path`, read through `files` (empty
  // when it is missing or unreadable).
  DictionaryLoad Load(platform::FileReader& files, const std::string& path);
  // Makes the text that of a file holding `contents`, opening no file; the
  // next Load reads its file.
  void Assign(std::string_view contents);
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
  bool reusable_ = false;  // the text may be kept while the stamp stays
  size_t searches_ = 0;    // lookups since the read
  bool indexed_ = false;
  SegmentIndex index_;
};

// The host's three dictionaries: the author and label dictionaries held
// from one load to the next, the publisher dictionary kept from one
// publisher lookup to the next.
struct Dictionaries {
  Dictionary authors, publishers, labels;
};

struct AuthorDictionaryEntry {
  std::string name, reading, extra;
};

// Replaces the held author dictionary by the lines of data_dir + "AuthDB.dat"
// (empty when the file is missing or unreadable).
DictionaryLoad LoadAuthorDictionary(platform::FileReader& files, Dictionaries& dictionaries,
                                    const std::string& data_dir);

// Releases the held author dictionary; nothing happens when none is held.
void FreeAuthorDictionary(Dictionaries& dictionaries);

// Releases the kept publisher dictionary; nothing happens when none is kept.
void FreePublisherDictionary(Dictionaries& dictionaries);

// Looks up "|" + NormaliseDictionaryKey(name) + "|" in `authors`. On a hit
// the value is the text after the key up to the next "|\r\n" (or to the
// end), and its fields 1, 2 and 3 split at "|" are the name, the reading and
// the extra value (a missing field is empty). A name that normalises to
// nothing is no hit: its key "||" would match any empty column of the file.
bool LookupAuthor(Dictionary& authors, std::string_view name,
                  AuthorDictionaryEntry& entry);  // true on a hit

// Sets record.Publisher from record.Code by `publishers`. For a code
// starting with "9" the keys are "|" + 2, 3, 4, 5, 6 bytes of the code from
// its 5th byte + "|"; for a code starting with "4" the same from its 2nd
// byte (a short code gives shorter keys). The first key that occurs wins,
// and Publisher becomes the text after it up to the next CR LF; true then.
// When no key occurs Publisher keeps its text.
//   Code "9784123456789", "|12|P|" in the dictionary: Publisher == "P"
bool LookupPublisher(Dictionary& publishers, BookRecord& record);

// Reads data_dir + "PubDB.dat" into the kept publisher dictionary (unless
// the kept text is still its text) and looks the publisher up in it
// (LookupPublisher).
DictionaryLoad LookupPublisherByCode(platform::FileReader& files, Dictionaries& dictionaries,
                                     const std::string& data_dir, BookRecord& record);

// Replaces the held label dictionary by the lines of data_dir +
// "LabelsDB.dat".
DictionaryLoad LoadLabelDictionary(platform::FileReader& files, Dictionaries& dictionaries,
                                   const std::string& data_dir);

// When the label dictionary has lines and holds the key "|" + Publisher +
// "|" + NormaliseDictionaryKey(Label) + "|", record.Label becomes the text
// after the key up to the next CR LF; otherwise Label keeps its text.
//   Publisher "A社", Label "ピアノ・ソロ" looks for "|A社|ﾋﾟｱﾉｿﾛ|"
void LookupLabel(Dictionaries& dictionaries, BookRecord& record);

// The key form of a name or genre: remove every "・", "☆", "★", "♪" (in
// this order); "ニ" becomes "二"; map the whole text with ToHalfWidth
// (markup/markup.h); remove every space; "ｰ" (0xB0) becomes "-"; trim.
// Replacements match only where a character starts.
//   NormaliseDictionaryKey("ギター・ソロ") == "ｷﾞﾀ-ｿﾛ"
std::string NormaliseDictionaryKey(std::string_view text);

}  // namespace kanadeya
