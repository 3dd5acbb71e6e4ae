// Author credits of a detail page.
//
// A credit line names people with their roles ("作曲：A、B／編曲：C").
// ParseAuthorCredit splits it into entries of role code byte + name + role
// suffix and adds them to an AuthorList; AssignAuthorSlots writes the sorted
// authors into the author fields of the global BookRecord. All texts are
// Shift_JIS byte strings; views need only live for the duration of the call.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kanadeya {

// The sorted authors of one detail page: entries are role code byte + name +
// role suffix, kept in ascending order of platform::CompareAnsiIgnoreCase
// (platform/text_mapping.h); an entry that compares equal to one present is
// not added.
class AuthorList {
 public:
  // Inserts `entry` in order; ignores an entry equal to one present.
  void Add(std::string entry);
  const std::vector<std::string>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }

 private:
  std::vector<std::string> entries_;
};

// Splits one credit text into entries added to `list`; returns the number of
// names found.
int ParseAuthorCredit(AuthorList& list, std::string_view credit, std::string_view role_mark,
                      std::string_view author_break, std::string_view sub_separator);

// Writes the entries of `list` into the author fields of BookRecord; true
// when something was written.
bool AssignAuthorSlots(const AuthorList& list, bool use_first_slot, bool use_second_slot,
                       bool use_others, std::string_view others_prefix);

}  // namespace kanadeya
