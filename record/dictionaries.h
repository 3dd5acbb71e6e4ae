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
// it ends with a path separator. The author and label dictionaries are held
// in this module between their load and the next load (or, for the author
// dictionary, FreeAuthorDictionary); nothing here is thread-safe.
//
// A load reads its file only when the file may have changed since the text
// held was read from it: another file, another size, another last-write
// time, or a file written within a few seconds of that read (platform/
// file_stamp.h); otherwise the held text stays. The publisher dictionary is
// kept from one LookupPublisherByCode to the next in the same way, until
// FreeAuthorDictionary. Lookups go through an index of the text built once
// per read, and give what the first-occurrence search gives.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya {

struct AuthorDictionaryEntry { std::string name, reading, extra; };

// Replaces the held author dictionary by the lines of data_dir + "AuthDB.dat"
// (empty when the file is missing or unreadable). True if the file exists.
bool LoadAuthorDictionary(const std::string& data_dir);   // true if "AuthDB.dat" exists

// Releases the held author dictionary and the kept publisher dictionary;
// nothing happens when none is held.
bool FreeAuthorDictionary();                                // true

// True when the held author dictionary has at least one line (an empty line
// counts).
bool AuthorDictionaryHasLines();

// Looks up "|" + NormaliseDictionaryKey(name) + "|". On a hit the value is
// the text after the key up to the next "|\r\n" (or to the end), and its
// fields 1, 2 and 3 split at "|" are the name, the reading and the extra
// value (a missing field is empty). A name that normalises to nothing is no
// hit: its key "||" would match any empty column of the file.
bool LookupAuthor(std::string_view name, AuthorDictionaryEntry& entry);   // true on a hit

// Reads data_dir + "PubDB.dat" (unless the kept text is still its text) and
// sets BookRecord.Publisher from BookRecord.Code. For a code starting with "9"
// the keys are "|" + 2, 3, 4, 5, 6 bytes of the code from its 5th byte + "|";
// for a code starting with "4" the same from its 2nd byte (a short code gives
// shorter keys). The first key that occurs wins, and Publisher becomes the
// text after it up to the next CR LF. True if the file exists.
//   Code "9784123456789", "|12|P|" in the file: Publisher == "P"
bool LookupPublisherByCode(const std::string& data_dir);   // true if "PubDB.dat" exists

// Replaces the held label dictionary by the lines of data_dir +
// "LabelsDB.dat". True if the file exists.
bool LoadLabelDictionary(const std::string& data_dir);     // true if "LabelsDB.dat" exists

// When the label dictionary has lines and holds the key "|" + Publisher +
// "|" + NormaliseDictionaryKey(Label) + "|", Label becomes the text after the
// key up to the next CR LF; otherwise Label keeps its text unchanged.
//   Publisher "A社", Label "ピアノ・ソロ" looks for "|A社|ﾋﾟｱﾉｿﾛ|"
bool LookupLabel();                                         // true

// The key form of a name or genre: remove every "・", "☆", "★", "♪" (in
// this order); "ニ" becomes "二"; map the whole text with ToHalfWidth
// (record/output_line.h); remove every space; "ｰ" (0xB0) becomes "-"; trim.
// Replacements match only where a character starts.
//   NormaliseDictionaryKey("ギター・ソロ") == "ｷﾞﾀ-ｿﾛ"
std::string NormaliseDictionaryKey(std::string_view text);

}  // namespace kanadeya
