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
// third value; the bracket reading stands in for an empty reading.
ResolvedAuthor ResolveAuthor(std::string_view entry, bool use_dictionary);

// Which of a fixed set of names occur in a text that grows at its end. An
// occurrence counts only where it starts on a character boundary of the
// text, exactly as CharFind finds it, so a name occurs when CharFind(text,
// name) != 0 would say so. Each byte appended costs amortised constant time
// however many names there are (a trie of the names with failure links), so
// a page with a million authors is placed in linear time, where searching
// the whole text again for every name would take its square.
//
// The character boundary is kept by a flag per trie node: whether the node's
// text ends on a lead byte, so that the next byte is its second byte. A match
// can start anywhere but at such a second byte.
class NameWatch {
 public:
  // The watch keeps no reference to `names`.
  explicit NameWatch(const std::vector<std::string>& names);

  // The text is empty again.
  void Restart();
  // The text grows by `more`.
  void Append(std::string_view more);
  // True when names[i] occurs in the text; an empty name never does.
  bool Occurs(size_t i) const { return (flags_[node_of_name_[i]] & kSeen) != 0; }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  static constexpr uint8_t kPending = 1;   // the node's text ends on a lead byte
  static constexpr uint8_t kTerminal = 2;  // a name ends at the node
  static constexpr uint8_t kSeen = 4;      // that name occurs in the text

  uint32_t Child(uint32_t node, unsigned char byte) const;
  // The node reached from `node` by `byte` (`second` when the byte is the
  // second byte of a character), following failure links as far as needed.
  uint32_t Next(uint32_t node, unsigned char byte, bool second) const;

  // Node 0 is the root; the arrays are indexed by node.
  std::vector<unsigned char> byte_;  // the byte on the edge into the node
  std::vector<uint8_t> flags_;
  std::vector<uint32_t> first_child_;  // children_[first_child_[n], first_child_[n + 1])
  std::vector<uint32_t> children_;     // ordered by byte
  std::vector<uint32_t> fail_;         // the longest proper suffix that is a node
  std::vector<uint32_t> output_;       // the next node along fail_ where a name ends
  std::vector<uint32_t> node_of_name_;
  uint32_t state_ = 0;
  bool pending_ = false;  // the text ends on a lead byte
};

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

bool AssignAuthorSlots(const AuthorList& list, bool use_first_slot, bool use_second_slot,
                       bool use_others, std::string_view others_prefix) {
  TBase& book = BookRecord;
  const bool use_dictionary = AuthorDictionaryHasLines();
  const std::vector<std::string>& entries = list.Entries();

  // Each entry looked up once: its name as it would be placed, and for the
  // two entries that take a slot of their own, the reading and extra too.
  std::vector<ResolvedAuthor> resolved;
  std::vector<std::string> names;
  resolved.reserve(entries.size());
  names.reserve(entries.size());
  for (const std::string& entry : entries) {
    resolved.push_back(ResolveAuthor(entry, use_dictionary));
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
  return true;
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

ResolvedAuthor ResolveAuthor(std::string_view entry, bool use_dictionary) {
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
  if (AuthorDictionaryEntry found; use_dictionary && LookupAuthor(author.name, found)) {
    author.name = std::move(found.name);
    author.reading = std::move(found.reading);
    author.extra = std::move(found.extra);
  }
  if (author.reading.empty()) author.reading = std::move(bracket_reading);
  return author;
}

NameWatch::NameWatch(const std::vector<std::string>& names) {
  // The trie is built from the names in byte order: each name shares its
  // nodes with the one before it up to their common prefix, so no child
  // needs looking up, and every node's children come in the order of their
  // bytes.
  std::vector<uint32_t> order(names.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&names](uint32_t a, uint32_t b) { return names[a] < names[b]; });
  std::vector<uint32_t> parent{0};
  byte_.push_back(0);
  flags_.push_back(0);
  node_of_name_.assign(names.size(), 0);
  std::vector<uint32_t> path{0};  // the nodes of the previous name's prefixes
  std::string_view previous;
  for (const uint32_t i : order) {
    const std::string_view name = names[i];
    size_t common = 0;
    while (common < previous.size() && common < name.size() && previous[common] == name[common])
      ++common;
    path.resize(common + 1);
    for (size_t d = common; d < name.size(); ++d) {
      const uint32_t up = path[d];
      const auto b = static_cast<unsigned char>(name[d]);
      const bool pending = (flags_[up] & kPending) == 0 && IsLeadByte(b);
      path.push_back(static_cast<uint32_t>(byte_.size()));
      parent.push_back(up);
      byte_.push_back(b);
      flags_.push_back(pending ? kPending : 0);
    }
    if (!name.empty()) flags_[path[name.size()]] |= kTerminal;
    node_of_name_[i] = path[name.size()];
    previous = name;
  }

  const size_t count = byte_.size();
  first_child_.assign(count + 1, 0);
  for (size_t v = 1; v < count; ++v) ++first_child_[parent[v] + 1];
  for (size_t u = 0; u < count; ++u) first_child_[u + 1] += first_child_[u];
  children_.resize(count - 1);
  {
    std::vector<uint32_t> next(first_child_.begin(), first_child_.end() - 1);
    for (size_t v = 1; v < count; ++v) children_[next[parent[v]]++] = static_cast<uint32_t>(v);
  }
  std::vector<uint32_t>().swap(parent);

  // Failure links, shallow nodes first: the suffix of a node's text that
  // starts on its last character boundary and is itself a node.
  fail_.assign(count, 0);
  output_.assign(count, kNone);
  std::vector<uint32_t> queue{0};
  queue.reserve(count);
  for (size_t q = 0; q < queue.size(); ++q) {
    const uint32_t u = queue[q];
    const bool second = (flags_[u] & kPending) != 0;
    for (uint32_t k = first_child_[u]; k < first_child_[u + 1]; ++k) {
      const uint32_t v = children_[k];
      queue.push_back(v);
      const uint32_t f = u == 0 ? 0 : Next(fail_[u], byte_[v], second);
      fail_[v] = f;
      output_[v] = (flags_[f] & kTerminal) != 0 ? f : output_[f];
    }
  }
}

void NameWatch::Restart() {
  for (uint8_t& f : flags_) f = static_cast<uint8_t>(f & ~kSeen);
  state_ = 0;
  pending_ = false;
}

void NameWatch::Append(std::string_view more) {
  for (const char c : more) {
    const auto b = static_cast<unsigned char>(c);
    const bool second = pending_;
    state_ = Next(state_, b, second);
    pending_ = !second && IsLeadByte(b);
    // Names seen once stay seen, and so do all names that end inside them:
    // the walk stops at the first one already marked.
    uint32_t x = (flags_[state_] & kTerminal) != 0 ? state_ : output_[state_];
    for (; x != kNone && (flags_[x] & kSeen) == 0; x = output_[x]) flags_[x] |= kSeen;
  }
}

uint32_t NameWatch::Child(uint32_t node, unsigned char byte) const {
  const auto begin = children_.begin() + first_child_[node];
  const auto end = children_.begin() + first_child_[node + 1];
  const auto at = std::lower_bound(
      begin, end, byte, [this](uint32_t child, unsigned char b) { return byte_[child] < b; });
  return at != end && byte_[*at] == byte ? *at : kNone;
}

uint32_t NameWatch::Next(uint32_t node, unsigned char byte, bool second) const {
  // Away from the root a node's text ends as the text does, so only the root
  // must refuse a second byte: no name starts there.
  for (;;) {
    if (node != 0 || !second) {
      if (const uint32_t child = Child(node, byte); child != kNone) return child;
    }
    if (node == 0) return 0;
    node = fail_[node];
  }
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
