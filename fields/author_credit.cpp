#include "fields/author_credit.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <numeric>

#include "fields/system_texts.h"
#include "markup/markup.h"
#include "platform/text_mapping.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "strings/char_scan.h"
#include "strings/name_watch.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// Where a role word stands in the working item, which is the author's part
// of the credit between two "￥" marks.
enum class At {
  kAnywhere,               // the word itself, anywhere
  kStart,                  // "￥" + word + " ": the first word of the part
  kEnd,                    // word + "￥": the very end of the part
  kLastWord,               // " " + word + "￥": the last word of the part
  kBeforeReading,          // word + "［": replaced by "［", the reading stays
  kLastWordBeforeReading,  // " " + word + "［": replaced by "［"
  kParenthesised,          // "(" + word + ")"
};

// What stays behind the name to show the role.
enum class Shown {
  kNothing,
  kBracketed,  // " [" + word + "]"
  kTight,      // "[" + word + "]"
  kWord,       // the word itself
};

struct RoleRule {
  std::string_view word;
  At at;
  char code;
  Shown shown;
};

// Tried in this order; the first whose pattern occurs in the item applies.
// Longer words stand ahead of the shorter ones they contain. In the
// comments "_" stands for the ASCII blank.
constexpr RoleRule kRoleRules[] = {
    {kRoleAuthor, At::kAnywhere, '1', Shown::kNothing},                  // 著者
    {kRoleEditedAndWrittenDot, At::kAnywhere, '9', Shown::kTight},       // 編・著
    {kRoleEditedAndWritten, At::kAnywhere, '9', Shown::kTight},          // 編著
    {kRoleWritten, At::kStart, '1', Shown::kNothing},                    // ￥著_
    {kRoleWritten, At::kEnd, '1', Shown::kNothing},                      // 著￥
    {kRoleWritten, At::kBeforeReading, '1', Shown::kNothing},            // 著［
    {kRoleManga, At::kAnywhere, '1', Shown::kNothing},                   // 漫画
    {kRoleDrawn, At::kStart, '1', Shown::kNothing},                      // ￥画_
    {kRoleDrawn, At::kLastWord, '1', Shown::kNothing},                   // _画￥
    {kRoleIllustrationAndArt, At::kAnywhere, '2', Shown::kNothing},      // イラスト/作画
    {kRoleArt, At::kAnywhere, '1', Shown::kNothing},                     // 作画
    {kRoleNovel, At::kAnywhere, '1', Shown::kNothing},                   // 小説
    {kRoleText, At::kParenthesised, '1', Shown::kNothing},               // (文)
    {kRoleWritten, At::kParenthesised, '1', Shown::kNothing},            // (著)
    {kRoleWrittenLenticular, At::kAnywhere, '1', Shown::kNothing},       // 【著】
    {kRoleDrawn, At::kBeforeReading, '1', Shown::kNothing},              // 画［
    {kRoleOriginalAuthor, At::kAnywhere, '2', Shown::kNothing},          // 原作者
    {kRoleOriginal, At::kAnywhere, '2', Shown::kNothing},                // 原作
    {kRoleWork, At::kStart, '2', Shown::kNothing},                       // ￥作_
    {kRoleWork, At::kLastWord, '2', Shown::kNothing},                    // _作￥
    {kRoleWork, At::kBeforeReading, '2', Shown::kNothing},               // 作［
    {kRoleIllustration, At::kAnywhere, '2', Shown::kNothing},            // イラスト
    {kRoleIllustrationShort, At::kStart, '2', Shown::kNothing},          // ￥イ_
    {kRoleIllustrationShort, At::kBeforeReading, '2', Shown::kNothing},  // イ［
    {kRoleDrawn, At::kParenthesised, '2', Shown::kNothing},              // (画)
    {kRolePicture, At::kParenthesised, '2', Shown::kNothing},            // (絵)
    {kRoleWriting, At::kAnywhere, '3', Shown::kBracketed},               // 執筆
    {kRoleScript, At::kAnywhere, '3', Shown::kBracketed},                // 脚本
    {kRoleScenario, At::kAnywhere, '3', Shown::kBracketed},              // シナリオ
    {kRoleCharacterConcept, At::kAnywhere, '3', Shown::kBracketed},      // キャラクター原案
    {kRoleStoryConcept, At::kAnywhere, '3', Shown::kBracketed},          // ストーリー原案
    {kRoleConcept, At::kAnywhere, '3', Shown::kBracketed},               // 原案
    {kRoleConceptShort, At::kStart, '3', Shown::kBracketed},             // ￥案_
    {kRoleConceptShort, At::kBeforeReading, '3', Shown::kBracketed},     // 案［
    {kRoleSupervisionEtAl, At::kAnywhere, '4', Shown::kBracketed},       // 監修他
    {kRoleSupervision, At::kAnywhere, '4', Shown::kBracketed},           // 監修
    {kRoleSupervisedTranslation, At::kAnywhere, '4', Shown::kBracketed},  // 監訳
    {kRoleTranslation, At::kAnywhere, '5', Shown::kBracketed},            // 翻訳
    {kRoleTranslationShort, At::kStart, '5', Shown::kBracketed},          // ￥訳_
    {kRoleTranslationShort, At::kEnd, '5', Shown::kBracketed},            // 訳￥
    {kRoleTranslationShort, At::kParenthesised, '5', Shown::kBracketed},  // (訳)
    {kRoleTranslationShort, At::kBeforeReading, '5', Shown::kBracketed},  // 訳［
    {kRoleCommentary, At::kAnywhere, '9', Shown::kBracketed},             // 解説
    {kRoleChiefEditing, At::kAnywhere, '9', Shown::kBracketed},           // 責任編集
    {kRoleCompositionAndEditing, At::kAnywhere, '9', Shown::kBracketed},  // 構成・編集
    {kRoleEditing, At::kStart, '9', Shown::kBracketed},                   // ￥編集_
    {kRoleEditing, At::kEnd, '9', Shown::kBracketed},                     // 編集￥
    {kRoleEdited, At::kStart, '9', Shown::kBracketed},                    // ￥編_
    {kRoleEdited, At::kLastWord, '9', Shown::kBracketed},                 // _編￥
    {kRoleEdited, At::kParenthesised, '9', Shown::kBracketed},            // (編)
    {kRoleEdited, At::kLastWordBeforeReading, '9', Shown::kBracketed},    // _編［
    {kRoleOther, At::kAnywhere, '9', Shown::kWord},                       // その他
};

// A role rule spelled out: every occurrence of `pattern` in the item becomes
// `replacement`, and the entry gets `code` and `suffix`.
struct RolePattern {
  std::string pattern, replacement, suffix;
  char code;
};

// The role rules spelled out, in their order; built once.
const std::vector<RolePattern>& RolePatterns();

// A hash of two bytes that stand next to each other, 0-255.
inline size_t PairHash(char first, char second) {
  return (static_cast<unsigned char>(first) * 31u + static_cast<unsigned char>(second)) & 0xFFu;
}

// Adds role code + author + suffix for one author's part of the credit (or
// for each of its pieces when `sub_separator` is not empty); returns the
// number of entries offered.
int AddAuthor(AuthorList& list, std::string_view part, std::string_view sub_separator);

// Full-width brackets, "！" and "〔〕：／　" in the ASCII forms the role rules
// expect.
std::string NormalisePunctuation(std::string_view text);

// An author as AssignAuthorSlots places it.
struct ResolvedAuthor {
  std::string name, reading, extra;
};

// The entry without its role code: the name with its role suffix, unless a
// reading in "［...］" cuts the name there (and the suffix with it). A name
// found in the author dictionary takes the dictionary's name, reading and
// third value (none is looked up without a dictionary); the bracket reading
// stands in for an empty reading.
ResolvedAuthor ResolveAuthor(std::string_view entry, Dictionary* dictionary);

}  // namespace

const std::vector<std::string>& AuthorList::Entries() const {
  if (ordered_ == entries_.size()) return entries_;
  const auto less = [](const std::string& a, const std::string& b) {
    return platform::CompareAnsiIgnoreCase(a, b) < 0;
  };
  const auto equal = [](const std::string& a, const std::string& b) {
    return platform::CompareAnsiIgnoreCase(a, b) == 0;
  };
  // Stable steps throughout, so that of equal entries the one added first
  // comes first and stays: the new ones are ordered among themselves, then
  // merged behind the ordered ones they equal.
  const auto added = entries_.begin() + static_cast<std::ptrdiff_t>(ordered_);
  std::stable_sort(added, entries_.end(), less);
  std::inplace_merge(entries_.begin(), added, entries_.end(), less);
  entries_.erase(std::unique(entries_.begin(), entries_.end(), equal), entries_.end());
  ordered_ = entries_.size();
  return entries_;
}

int ParseAuthorCredit(AuthorList& list, std::string_view credit, std::string_view role_mark,
                      std::string_view author_break, std::string_view sub_separator) {
  // "￥" marks the end of each author from here on.
  std::string text = ReplaceAll(credit, kAuthorEndMark, "\\");
  if (CharFind(text, role_mark) != 0) {
    text = ReplaceAll(text, author_break, kAuthorEndMark);
    text += kAuthorEndMark;
    text = ReplaceAll(text, role_mark, " ");
  } else {
    text += kAuthorEndMark;
  }
  text = StripMarkup(NarrowAlnum(NormalisePunctuation(text)));

  // An unclosed tag swallows everything behind its "<", the final mark too;
  // what is left in front of it is still an author.
  const size_t last_mark = LastCharFind(text, kAuthorEndMark);
  const std::string_view tail =
      last_mark == 0 ? std::string_view(text)
                     : From(text, static_cast<int64_t>(last_mark + kAuthorEndMark.size()));
  if (!TrimView(tail).empty()) text += kAuthorEndMark;

  int offered = 0;
  std::string_view rest = text;
  for (size_t at; (at = CharFind(rest, kAuthorEndMark)) != 0;) {
    const std::string_view part = TrimView(rest.substr(0, at - 1));
    rest.remove_prefix(at - 1 + kAuthorEndMark.size());
    offered += AddAuthor(list, part, sub_separator);
  }
  return offered;
}

void AssignAuthorSlots(const AuthorList& list, Dictionary& authors, BookRecord& record,
                       bool use_first_slot, bool use_second_slot, bool use_others,
                       std::string_view others_prefix) {
  BookRecord& book = record;
  Dictionary* dictionary = authors.Empty() ? nullptr : &authors;
  const std::vector<std::string>& entries = list.Entries();

  // Each entry looked up once: its name as it would be placed, and for the
  // two entries that take a slot of their own, the reading and extra too.
  std::vector<ResolvedAuthor> resolved;
  std::vector<std::string> names;
  resolved.reserve(entries.size());
  names.reserve(entries.size());
  for (const std::string& entry : entries) {
    resolved.push_back(ResolveAuthor(entry, dictionary));
    names.push_back(resolved.back().name);
  }

  // The taken text is Author + CR LF + Author2 + CR LF + OtherAuthors, with
  // their current values. OtherAuthors only grows at its end; Author and
  // Author2 change at most once each, and then the text is watched anew.
  NameWatch taken(names);
  const auto watch_anew = [&] {
    taken.Restart();
    for (std::string_view piece :
         {std::string_view(book.Author), std::string_view("\r\n"), std::string_view(book.Author2),
          std::string_view("\r\n"), std::string_view(book.OtherAuthors)})
      taken.Append(piece);
  };
  watch_anew();

  for (size_t i = 0; i < entries.size(); ++i) {
    // An empty name has nothing to show; a name already shown (in the title
    // copied to Author, or in an author placed before) is not repeated.
    if (names[i].empty() || taken.Occurs(i)) continue;

    if (use_first_slot && book.Author.empty()) {
      ResolvedAuthor& author = resolved[i];
      book.Author = std::move(author.name);
      book.AuthorReading = std::move(author.reading);
      book.AuthorExtra = std::move(author.extra);
      watch_anew();
    } else if (use_second_slot && book.Author2.empty()) {
      ResolvedAuthor& author = resolved[i];
      book.Author2 = std::move(author.name);
      book.Author2Reading = std::move(author.reading);
      watch_anew();
    } else if (use_others) {
      const size_t before = book.OtherAuthors.size();
      book.OtherAuthors += "\r\n";
      book.OtherAuthors += others_prefix;
      book.OtherAuthors += names[i];
      taken.Append(std::string_view(book.OtherAuthors).substr(before));
    }
  }
  book.OtherAuthors = Trim(book.OtherAuthors);
}

namespace {

const std::vector<RolePattern>& RolePatterns() {
  static const std::vector<RolePattern> patterns = [] {
    std::vector<RolePattern> out;
    for (const RoleRule& rule : kRoleRules) {
      const std::string word(rule.word);
      const std::string mark(kAuthorEndMark);
      const std::string open(kReadingOpen);
      RolePattern p;
      switch (rule.at) {
        case At::kAnywhere:
          p.pattern = word;
          break;
        case At::kStart:
          p.pattern = mark + word + " ";
          break;
        case At::kEnd:
          p.pattern = word + mark;
          break;
        case At::kLastWord:
          p.pattern = " " + word + mark;
          break;
        case At::kBeforeReading:
          p.pattern = word + open;
          p.replacement = open;
          break;
        case At::kLastWordBeforeReading:
          p.pattern = " " + word + open;
          p.replacement = open;
          break;
        case At::kParenthesised:
          p.pattern = "(" + word + ")";
          break;
      }
      switch (rule.shown) {
        case Shown::kNothing:
          break;
        case Shown::kBracketed:
          p.suffix = " [" + word + "]";
          break;
        case Shown::kTight:
          p.suffix = "[" + word + "]";
          break;
        case Shown::kWord:
          p.suffix = word;
          break;
      }
      p.code = rule.code;
      out.push_back(std::move(p));
    }
    return out;
  }();
  return patterns;
}

// Role code + text + suffix goes to the list unless the text is empty or
// only says "and others".
int Offer(AuthorList& list, char code, std::string_view text, std::string_view suffix) {
  if (text.empty() || text == kOthersKanji || text == kOthersKana) return 0;
  std::string entry(1, code);
  entry += text;
  entry += suffix;
  list.Add(std::move(entry));
  return 1;
}

int AddAuthor(AuthorList& list, std::string_view part, std::string_view sub_separator) {
  std::string item(kAuthorEndMark);
  item += part;
  item += kAuthorEndMark;

  // The pairs of bytes that stand next to each other in the item, in a set
  // of 256 bits by a hash of the pair: a rule whose pattern's first two
  // bytes are not in it cannot match, and is passed over without a search.
  std::bitset<256> pairs;
  for (size_t i = 0; i + 1 < item.size(); ++i) pairs.set(PairHash(item[i], item[i + 1]));
  char code = '0';
  std::string_view suffix;
  for (const RolePattern& rule : RolePatterns()) {
    if (rule.pattern.size() >= 2 && !pairs.test(PairHash(rule.pattern[0], rule.pattern[1])))
      continue;
    if (CharFind(item, rule.pattern) == 0) continue;
    item = ReplaceAll(item, rule.pattern, rule.replacement);
    code = rule.code;
    suffix = rule.suffix;
    break;
  }

  // Drop the marks and the "()" a role word in brackets leaves behind, then a
  // "・" left at either end by a removed role word.
  item = Trim(ReplaceAll(ReplaceAll(item, kAuthorEndMark, ""), "()", ""));
  if (std::string_view(item).starts_with(kNameDot)) item = std::string(TrimLeftView(From(item, 3)));
  if (EndsWithChars(item, kNameDot))
    item = TrimRight(CopyView(item, 1, static_cast<int64_t>(item.size() - kNameDot.size())));

  if (sub_separator.empty()) return Offer(list, code, item, suffix);
  item += sub_separator;
  int offered = 0;
  std::string_view rest = item;
  for (size_t at; (at = CharFind(rest, sub_separator)) != 0;) {
    offered += Offer(list, code, TrimView(rest.substr(0, at - 1)), suffix);
    rest.remove_prefix(at - 1 + sub_separator.size());
  }
  return offered;
}

ResolvedAuthor ResolveAuthor(std::string_view entry, Dictionary* dictionary) {
  ResolvedAuthor author;
  author.name = std::string(From(entry, 2));
  std::string bracket_reading;
  if (const size_t open = CharFind(author.name, kReadingOpen); open != 0) {
    const std::string_view after =
        From(author.name, static_cast<int64_t>(open + kReadingOpen.size()));
    const size_t close = CharFind(after, kReadingClose);
    bracket_reading = close == 0 ? after : after.substr(0, close - 1);
    author.name.resize(open - 1);
  }
  if (AuthorDictionaryEntry found;
      dictionary != nullptr && LookupAuthor(*dictionary, author.name, found)) {
    author.name = std::move(found.name);
    author.reading = std::move(found.reading);
    author.extra = std::move(found.extra);
  }
  if (author.reading.empty()) author.reading = std::move(bracket_reading);
  return author;
}

std::string NormalisePunctuation(std::string_view text) {
  static constexpr std::string_view kReplacements[][2] = {
      {kFullWidthOpenParen, "("}, {kFullWidthCloseParen, ")"}, {kFullWidthExclamation, "!"},
      {kFullWidthOpenShell, " "}, {kFullWidthCloseShell, " "}, {kFullWidthColon, " "},
      {kFullWidthSlash, " "},     {kFullWidthSpace, " "},
  };
  std::string out(text);
  for (const auto& [from, to] : kReplacements) out = ReplaceAll(out, from, to);
  return out;
}

}  // namespace

}  // namespace kanadeya
