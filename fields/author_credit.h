// Author credits of a detail page.
//
// The page states a book's credits as one line: one person or several, each
// with a role word in front of or behind the name (著, 編, 画, 作, 訳, 監修,
// 原案 and many variants), sometimes with a reading in full-width brackets.
// ParseAuthorCredit turns one credit line into entries of an AuthorList;
// AssignAuthorSlots puts the sorted entries into the author fields of a
// book record, with canonical names and readings from the author dictionary
// (record/dictionaries.h).
//
// An entry is one role code byte, the name and a role suffix (often empty):
//   "0" no role word, "1" author or artist, "2" original work or
//   illustration, "3" writing or concept, "4" supervision, "5" translation,
//   "9" editing and other roles.
// Roles other than plain authorship keep a suffix such as " [監修]" behind
// the name.
//
//   AuthorList list;
//   ParseAuthorCredit(list, "著者／あいう　監修／かきく", "／", "　", "");
//   // list.Entries() == {"1あいう", "4かきく [監修]"}
//
// All texts are Shift_JIS byte strings; views need only live for the
// duration of the call. Role words, marks and brackets are recognised only
// where they stand as characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "record/book_record.h"
#include "record/dictionaries.h"

namespace kanadeya {

// The sorted authors of one detail page: entries are role code byte + name +
// role suffix, in ascending order of platform::CompareAnsiIgnoreCase
// (platform/text_mapping.h), so grouped by role code and, within one code,
// ordered by name without regard to the case of ASCII letters. Of entries
// that compare equal only the one added first is kept.
//
// Entries are put in order when they are next read, not one by one as they
// are added, so that a credit of a million authors costs n log n.
class AuthorList {
 public:
  // Adds `entry`; it is dropped when an equal entry was added before.
  void Add(std::string entry) { entries_.push_back(std::move(entry)); }
  // The entries in order, without equal ones.
  const std::vector<std::string>& Entries() const;
  bool Empty() const { return entries_.empty(); }
  void Clear() {
    entries_.clear();
    ordered_ = 0;
  }

 private:
  // entries_[0, ordered_) are in order without equal ones; the rest were
  // added since, in the order they came.
  mutable std::vector<std::string> entries_;
  mutable size_t ordered_ = 0;
};

// Splits `credit` into authors and adds one entry per author to `list`.
// When the credit contains `role_mark`, every `author_break` separates two
// authors and the role mark separates a role word from its name; otherwise
// the whole credit is one author. The role word of each author is found by
// an ordered table of role rules (longer words ahead of the words they
// contain) and removed; authors that are empty or just "他" / "ほか" are left
// out. With a non-empty `sub_separator` each author is further cut at it.
// Returns the number of entries offered to the list, duplicates included.
// A "￥" in the credit comes out as the ASCII backslash.
int ParseAuthorCredit(AuthorList& list, std::string_view credit, std::string_view role_mark,
                      std::string_view author_break, std::string_view sub_separator);

// Visits the entries of `list` in order and places each name into the first
// free of: Author (with AuthorReading and AuthorExtra) when `use_first_slot`,
// Author2 (with Author2Reading) when `use_second_slot`, a new CR LF separated
// line of OtherAuthors (prefixed with `others_prefix`) when `use_others`.
// A reading in "［...］" is split off the name; a name found in the author
// dictionary takes the dictionary's name, reading and third value. A name that
// occurs inside Author, Author2 or OtherAuthors is left out, as is an empty
// one. OtherAuthors is trimmed at the end, also when the list is empty.
// The fields are those of `record`; `authors` is the author dictionary.
void AssignAuthorSlots(const AuthorList& list, Dictionary& authors, BookRecord& record,
                       bool use_first_slot, bool use_second_slot, bool use_others,
                       std::string_view others_prefix);

}  // namespace kanadeya
