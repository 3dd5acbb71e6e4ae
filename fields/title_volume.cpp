#include "fields/title_volume.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

#include "fields/system_texts.h"
#include "markup/markup.h"
#include "record/book_record.h"
#include "strings/char_scan.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

bool IsDigit(char c);

// The length of `text` as a 1-based position count.
int64_t Length(std::string_view text);

// The bracketed content with "第", "巻" and "集" removed: "第3巻" -> "3".
std::string WithoutVolumeWords(std::string_view group);

// Full-width brackets, "！", "．" and the full-width space in their ASCII
// forms, full-width letters and digits narrowed, blanks trimmed.
std::string NormaliseName(std::string_view name);

// The positions of the "(" that stand as characters in a name, for finding
// the last one within ever shorter prefixes of it.
class OpenBrackets {
 public:
  // `name` must outlive this object.
  explicit OpenBrackets(std::string_view name);
  // LastDelimiter("(", CopyView(name, 1, length)): the 1-based position of
  // the last "(" within the first `length` bytes, 0 if none.
  // REQUIRES: `length` is no greater than in the call before.
  size_t LastWithin(int64_t length);

 private:
  std::vector<size_t> positions_;    // ascending
  size_t candidates_;                // positions_[0, candidates_) may still count
  int64_t last_length_ = INT64_MAX;  // the length of the call before
};

// Finds a volume in `t` by the forms that follow the trailing groups; cuts
// the title in `t`, sets `volume` and puts text in front of `r`.
void SplitInnerVolume(std::string& title, std::string& remainder, std::string& volume);

}  // namespace

bool IsAllDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), IsDigit); }

bool IsKanjiNumeral(std::string_view text) {
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const std::string_view pair = text.substr(i, 2);
    bool numeral = false;
    for (size_t k = 0; k < kKanjiNumerals.size(); k += 2)
      numeral = numeral || kKanjiNumerals.substr(k, 2) == pair;
    if (!numeral) return false;
  }
  return true;
}

bool IsRomanNumeral(std::string_view text) {
  return text.find_first_not_of("IVXivx") == std::string_view::npos;
}

bool IsVolumeNumber(std::string_view candidate) {
  return IsAllDigits(candidate) || candidate == kVolumeFirst || candidate == kVolumeMiddle ||
         candidate == kVolumeLast || IsKanjiNumeral(candidate) || IsRomanNumeral(candidate);
}

std::string TrailingDigits(std::string_view text) {
  size_t start = text.size();
  while (start > 0 && IsDigit(text[start - 1])) --start;
  if (start == text.size()) return std::string(text);
  return std::string(text.substr(start));
}

std::string SplitTitleVolume(std::string_view name, BookRecord& record) {
  std::string title = NormaliseName(name);
  std::string remainder;
  std::string& volume = record.Volume;

  // A note in angle brackets at the very end goes to the remainder.
  if (EndsWithChars(title, kCloseAngleBracket)) {
    if (const size_t at_angle = CharFind(title, kOpenAngleBracket); at_angle != 0) {
      const auto at = static_cast<int64_t>(at_angle);
      remainder = Copy(title, at + 2, Length(title) - at - 3);
      title = TrimRight(CopyView(title, 1, at - 1));
    }
  }

  // Trailing bracketed groups, from the end backwards: the last one that reads
  // as a volume becomes the volume, the others go to the remainder in their
  // left-to-right order. A group holding one nested group is taken whole.
  // Each group only shortens the name, so the name is kept whole and cut by
  // its length, and the groups for the remainder are joined once at the end:
  // a name of a million groups costs no more than its length.
  {
    const std::string_view whole = title;
    size_t length = whole.size();
    OpenBrackets opens(whole);
    std::vector<std::string_view> notes;  // right to left
    while (length > 0 && whole[length - 1] == ')') {
      auto open = static_cast<int64_t>(opens.LastWithin(length)) + 1;
      std::string_view group = CopyView(whole, open, static_cast<int64_t>(length) - open);
      if (Contains(group, ")")) {
        open = static_cast<int64_t>(opens.LastWithin(open - 2)) + 1;
        group = CopyView(whole, open, static_cast<int64_t>(length) - open);
      }
      const std::string candidate = WithoutVolumeWords(group);
      length = TrimRightView(CopyView(whole.substr(0, length), 1, open - 2)).size();
      if (IsVolumeNumber(candidate) && volume.empty()) {
        volume = candidate;
      } else {
        notes.push_back(group);
      }
    }
    if (!notes.empty()) {
      std::string joined;
      for (auto note = notes.rbegin(); note != notes.rend(); ++note) {
        joined += *note;
        joined += ' ';
      }
      remainder = joined + remainder;
    }
    title.resize(length);
  }

  if (volume.empty()) SplitInnerVolume(title, remainder, volume);

  record.Title = std::move(title);
  return Trim(remainder);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int64_t Length(std::string_view text) { return static_cast<int64_t>(text.size()); }

// Looks for the volume inside what is left of the name once the trailing
// groups are gone. The forms are tried from the most explicit to the least;
// the first that yields a volume ends the search.
void SplitInnerVolume(std::string& title, std::string& remainder, std::string& volume) {
  // A bracketed group inside the name; what follows it is remainder.
  if (Contains(title, "(") && Contains(title, ")")) {
    const auto close = static_cast<int64_t>(LastDelimiter(")", title)) + 1;
    const std::string_view head = CopyView(title, 1, close - 2);
    const std::string tail(From(title, close));
    const auto open = static_cast<int64_t>(LastDelimiter("(", head)) + 1;
    const std::string candidate = WithoutVolumeWords(From(head, open));
    if (IsVolumeNumber(candidate)) {
      title = TrimRight(CopyView(head, 1, open - 2));
      volume = candidate;
      remainder = tail + " " + remainder;
      return;
    }
  }

  // A "巻" or "集" suffix is set aside; it goes back onto the title unless
  // a volume is found.
  std::string suffix;
  if (EndsWithChars(title, kVolumeSuffix) || EndsWithChars(title, kCollectionSuffix)) {
    suffix = title.substr(title.size() - 2);
    title.resize(title.size() - 2);
  }

  // The last word.
  if (const size_t blank = LastDelimiter(" ", title); blank != 0) {
    const std::string_view word = From(title, static_cast<int64_t>(blank) + 1);
    if (IsVolumeNumber(word)) {
      volume = std::string(word);
      title = TrimRight(CopyView(title, 1, static_cast<int64_t>(blank) - 1));
      return;
    }
  }

  // An ordinal "第" or a part "編": the volume follows the later of the two.
  // "編" stays in the title, "第" does not.
  const size_t ordinal = CharFind(title, kOrdinalMark);
  const size_t part = CharFind(title, kPartMark);
  if (ordinal != 0 || part != 0) {
    const auto mark = static_cast<int64_t>(std::max(ordinal, part));
    const std::string_view candidate = From(title, mark + 2);
    if (IsVolumeNumber(candidate)) {
      volume = std::string(candidate);
      title = Copy(title, 1, mark + 1);
      if (EndsWithChars(title, kOrdinalMark))
        title = TrimRight(CopyView(title, 1, Length(title) - 2));
      return;
    }
  }

  // A Latin marker, found in the upper-case copy with ASCII letters and
  // digits and full-width punctuation. The last "VOL" or "NO" is the one
  // that introduces the number: "PIANO No.3" is cut at "No", not inside
  // "PIANO". The title is cut from that copy.
  const std::string upper = NarrowAlnum(UpperFullWidth(title));
  const size_t marker = std::max(LastCharFind(upper, "VOL"), LastCharFind(upper, "NO"));
  if (marker != 0) {
    std::string candidate = TrailingDigits(upper);
    if (IsVolumeNumber(candidate)) {
      title = TrimRight(CopyView(upper, 1, static_cast<int64_t>(marker) - 1));
      volume = std::move(candidate);
      return;
    }
  }

  // Digits right before the set-aside suffix ("12巻"); otherwise the suffix
  // goes back onto the title.
  if (!suffix.empty()) {
    size_t digits = title.size();
    while (digits > 0 && IsDigit(title[digits - 1])) --digits;
    if (digits < title.size()) {
      volume = title.substr(digits);
      title.resize(digits);
      return;
    }
  }
  title += suffix;
}

OpenBrackets::OpenBrackets(std::string_view name) {
  // A prefix has the character boundaries of the whole name.
  for (size_t i = 0; i < name.size(); i += IsLeadByte(name[i]) ? 2 : 1)
    if (name[i] == '(') positions_.push_back(i + 1);
  candidates_ = positions_.size();
}

size_t OpenBrackets::LastWithin(int64_t length) {
  assert(length <= last_length_);
  last_length_ = length;
  while (candidates_ > 0 && static_cast<int64_t>(positions_[candidates_ - 1]) > length)
    --candidates_;
  return candidates_ > 0 ? positions_[candidates_ - 1] : 0;
}

std::string WithoutVolumeWords(std::string_view group) {
  std::string c = ReplaceAll(group, kOrdinalMark, "");
  c = ReplaceAll(c, kVolumeSuffix, "");
  return ReplaceAll(c, kCollectionSuffix, "");
}

std::string NormaliseName(std::string_view name) {
  static constexpr std::string_view kReplacements[][2] = {
      {kFullWidthOpenParen, "("}, {kFullWidthCloseParen, ")"}, {kFullWidthExclamation, "!"},
      {kFullWidthFullStop, "."},  {kFullWidthSpace, " "},
  };
  std::string t(name);
  for (const auto& [from, to] : kReplacements) t = ReplaceAll(t, from, to);
  return Trim(NarrowAlnum(t));
}

}  // namespace

}  // namespace kanadeya
