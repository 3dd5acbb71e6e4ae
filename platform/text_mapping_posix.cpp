// The Japanese text mappings without the operating system's help: the code
// page 932 table, the half-width and full-width mappings built from the
// width equivalences, upper-casing, and a collation for the author list.
//
// The standard is what the Win32 calls do under a Japanese locale, as
// measured (tests/data/reference). Where this file departs from the
// measurement on purpose, the comment there says so.
#include <array>
#include <cassert>
#include <memory>

#include "platform/text_mapping.h"
#include "strings/strings.h"

namespace kanadeya::platform {

namespace {

// What a byte sequence that is not a character of code page 932 decodes to,
// and what a character without a code in the code page encodes to.
constexpr char16_t kDefaultWide = 0x30FB;  // ・
constexpr char kDefaultAnsi = '?';

constexpr char16_t kVoicedMark = 0x3099;               // combining ゙
constexpr char16_t kSemiVoicedMark = 0x309A;           // combining ゚
constexpr char16_t kHalfWidthVoicedMark = 0xFF9E;      // ﾞ
constexpr char16_t kHalfWidthSemiVoicedMark = 0xFF9F;  // ﾟ

bool IsTrailByte(unsigned char b);
char16_t DecodeSingleByte(unsigned char b);
char16_t DecodeDoubleByte(unsigned char lead, unsigned char trail);
uint16_t EncodeUnit(char16_t unit);
uint16_t UpperDoubleByte(uint16_t code);
char16_t WideFormOf(char16_t unit);
char16_t NarrowFormOf(char16_t unit);
std::u16string ToHalfWidthForms(std::u16string_view text);
std::u16string ToFullWidthForms(std::u16string_view text);
int CompareCollationLevel(std::string_view a, std::string_view b, int level);

}  // namespace

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (!IsLeadByte(b)) {
      out += DecodeSingleByte(b);
      ++i;
    } else if (i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
      const char16_t unit = DecodeDoubleByte(b, static_cast<unsigned char>(text[i + 1]));
      out += unit != 0 ? unit : kDefaultWide;
      i += 2;
    } else {
      // A lead byte at the end, or before a byte that cannot be a second
      // byte: the lead byte alone is not a character. The next byte is read
      // on its own, so that a quote or a line break after a stray lead byte
      // survives (Win32 swallows it with the lead byte).
      out += kDefaultWide;
      ++i;
    }
  }
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    const uint16_t code = EncodeUnit(unit);
    if (unit == 0) {
      out += '\0';
    } else if (code == 0) {
      out += kDefaultAnsi;
    } else if (code <= 0xFF) {
      out += static_cast<char>(code);
    } else {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    }
  }
  return out;
}

std::optional<std::string> WideToAnsiExactly(std::u16string_view text) {
  std::string out = WideToAnsi(text);
  if (AnsiToWide(out) != text) return std::nullopt;
  return out;
}

std::u16string MapWideText(std::u16string_view text, uint32_t flags) {
  const bool half = (flags & kMapHalfWidth) != 0;
  const bool full = (flags & kMapFullWidth) != 0;
  if (half && !full) return ToHalfWidthForms(text);
  if (full && !half) return ToFullWidthForms(text);
  // Neither flag, or both (which the platform rejects): the text unchanged.
  return std::u16string(text);
}

std::string AnsiHalfWidth(std::string_view text) {
  return WideToAnsi(ToHalfWidthForms(AnsiToWide(text.substr(0, text.find('\0')))));
}

// Upper-cases what CharUpperBuffA was measured to upper-case: the ASCII,
// full-width Latin, Greek and Cyrillic letters and the small Roman numerals.
// Second bytes are never taken for ASCII letters; other bytes stay as they
// are (Win32 also turns duplicate codes into the code page's canonical ones).
std::string AnsiUpperCase(std::string_view text) {
  std::string out(text);
  size_t i = 0;
  while (i < out.size()) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (!IsLeadByte(b)) {
      if (b >= 'a' && b <= 'z') out[i] = static_cast<char>(b - 'a' + 'A');
      ++i;
      continue;
    }
    if (i + 1 >= out.size()) break;
    const uint16_t upper =
        UpperDoubleByte(static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(out[i + 1])));
    out[i] = static_cast<char>(upper >> 8);
    out[i + 1] = static_cast<char>(upper & 0xFF);
    i += 2;
  }
  return out;
}

// Compares in four levels, each over the whole texts:
//   1. the characters' primary weights: letter case, width (ａ and a), kana
//      type (あ and ア) and voicing (ガ and カ) do not count here. Controls
//      come first, then signs, digits, Latin letters, Greek and Cyrillic
//      letters, kana, then kanji and everything else in code order (the JIS
//      order of the kanji).
//   2. voicing: unvoiced before voiced before semi-voiced (は ば ぱ).
//   3. form: ASCII and half-width first, then full-width and katakana, then
//      hiragana (ｶｷ カキ かき).
//   4. the upper-cased bytes, so that only texts that differ at most in
//      letter case compare equal.
// Each level is a total order, so the result is a consistent order. A text
// that starts with an ASCII digit (the role code of an author entry) sorts
// by that digit first. Differences from Win32's order (measured): the hyphen
// and the apostrophe count as signs here rather than being skipped, "ー" is a
// sign rather than a repeat of the vowel before it, and a half-width voiced
// letter (ｶﾞ) sorts before its full-width forms rather than after them.
int CompareAnsiIgnoreCase(std::string_view a, std::string_view b) {
  for (int level = 0; level < 3; ++level)
    if (const int order = CompareCollationLevel(a, b, level); order != 0) return order;
  const int order = AnsiUpperCase(a).compare(AnsiUpperCase(b));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

namespace {

// --- Code page 932 ------------------------------------------------------------

// The UTF-16 code unit of each double-byte code, 0 where the code is not a
// character; rows for the lead bytes 0x81-0x9F, 0xE0-0xEF and 0xFA-0xFC,
// columns for the second bytes 0x40-0xFC.
constexpr int kTrailCount = 0xFC - 0x40 + 1;
constexpr char16_t kDoubleByteTable[] = {
#include "platform/cp932_table_posix.inc"
};
static_assert(std::size(kDoubleByteTable) == 50 * kTrailCount);

bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

bool IsUserDefinedLead(unsigned char lead) { return lead >= 0xF0 && lead <= 0xF9; }

// The NEC-selected IBM extensions, duplicates of the IBM extensions
// 0xFA40-0xFC4B: never the code that encoding picks.
bool IsNecSelectedIbm(uint16_t code) { return code >= 0xED40 && code <= 0xEEFC; }

// REQUIRES: b is not a lead byte.
char16_t DecodeSingleByte(unsigned char b) {
  assert(!IsLeadByte(b));
  if (b <= 0x80) return b;
  if (b >= 0xA1 && b <= 0xDF) return static_cast<char16_t>(0xFF61 + (b - 0xA1));
  // 0xA0 and 0xFD-0xFF are no characters of the code page, but convert to
  // private-use characters and back.
  if (b == 0xA0) return 0xF8F0;
  return static_cast<char16_t>(0xF8F1 + (b - 0xFD));
}

// 0 when the code is not a character. REQUIRES: `lead` is a lead byte.
char16_t DecodeDoubleByte(unsigned char lead, unsigned char trail) {
  assert(IsLeadByte(lead));
  const int column = trail - 0x40;
  if (IsUserDefinedLead(lead)) {
    // User-defined codes: U+E000-U+E757 in code order, 188 to a lead byte.
    return static_cast<char16_t>(0xE000 + (lead - 0xF0) * 188 + column - (trail > 0x7F ? 1 : 0));
  }
  int row;
  if (lead <= 0x9F) {
    row = lead - 0x81;
  } else if (lead <= 0xEF) {
    row = 31 + (lead - 0xE0);
  } else {
    row = 47 + (lead - 0xFA);
  }
  return kDoubleByteTable[row * kTrailCount + column];
}

// Characters that the code page lacks but WideCharToMultiByte writes as a
// look-alike (its best fit), measured: Latin-1 signs and letters, and ゔ.
struct BestFit {
  char16_t unit;
  uint16_t code;
};
constexpr BestFit kBestFitSigns[] = {
    {0x00A1, '!'},    {0x00A2, 0x8191}, {0x00A3, 0x8192}, {0x00A5, '\\'},   {0x00A6, '|'},
    {0x00A9, 'c'},    {0x00AA, 'a'},    {0x00AB, 0x81E1}, {0x00AC, 0x81CA}, {0x00AD, '-'},
    {0x00AE, 'R'},    {0x00AF, 0x8150}, {0x00B2, '2'},    {0x00B3, '3'},    {0x00B5, 0x83CA},
    {0x00B7, 0x8145}, {0x00B8, 0x8143}, {0x00B9, '1'},    {0x00BA, 'o'},    {0x00BB, 0x81E2},
    {0x3094, 0x8394},
};
// U+00C0-U+00FF as the letter without its accent; × and ÷ (zero here) are
// characters of the code page.
constexpr char kBestFitLatinLetters[] =
    "AAAAAAACEEEEIIIIDNOOOOO"
    "\0"
    "OUUUUYTsaaaaaaaceeeeiiiidnooooo"
    "\0"
    "ouuuuyty";
static_assert(sizeof kBestFitLatinLetters == 0x40 + 1);

using EncodeTable = std::array<uint16_t, 0x10000>;

// The code of every UTF-16 code unit: a single byte as 0x00XX, a double-byte
// code as 0xLLTT, 0 when there is none. Where several codes decode to the
// same character, the lowest code wins, except that the NEC-selected IBM
// extensions give way to the IBM extensions.
std::unique_ptr<EncodeTable> BuildEncodeTable() {
  auto table = std::make_unique<EncodeTable>();
  table->fill(0);
  for (int b = 1; b <= 0xFF; ++b)
    if (!IsLeadByte(static_cast<unsigned char>(b)))
      (*table)[DecodeSingleByte(static_cast<unsigned char>(b))] = static_cast<uint16_t>(b);
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsTrailByte(static_cast<unsigned char>(trail))) continue;
      const char16_t unit =
          DecodeDoubleByte(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      if (unit == 0) continue;
      const auto code = static_cast<uint16_t>(lead << 8 | trail);
      uint16_t& slot = (*table)[unit];
      if (slot == 0 || (IsNecSelectedIbm(slot) && !IsNecSelectedIbm(code))) slot = code;
    }
  }
  for (const BestFit& fit : kBestFitSigns)
    if ((*table)[fit.unit] == 0) (*table)[fit.unit] = fit.code;
  for (int i = 0; i < 0x40; ++i)
    if ((*table)[0xC0 + i] == 0 && kBestFitLatinLetters[i] != '\0')
      (*table)[0xC0 + i] = static_cast<uint16_t>(kBestFitLatinLetters[i]);
  return table;
}

uint16_t EncodeUnit(char16_t unit) {
  static const std::unique_ptr<EncodeTable> table = BuildEncodeTable();
  return (*table)[unit];
}

// The canonical code of a decoded character, or 0x10000 + the unit when the
// code page has none.
uint32_t CodeWeight(char16_t unit) {
  const uint16_t code = EncodeUnit(unit);
  return code != 0 ? code : 0x10000u + unit;
}

uint16_t UpperDoubleByte(uint16_t code) {
  if (code >= 0x8281 && code <= 0x829A) return code - 0x21;               // ａ-ｚ
  if (code >= 0x83BF && code <= 0x83D6) return code - 0x20;               // α-ω
  if (code >= 0x8470 && code <= 0x847E) return code - 0x30;               // а-н
  if (code >= 0x8480 && code <= 0x8491) return code - 0x31;               // о-я
  if (code >= 0xEEEF && code <= 0xEEF8) return 0x8754 + (code - 0xEEEF);  // ⅰ-ⅹ
  if (code >= 0xFA40 && code <= 0xFA49) return 0x8754 + (code - 0xFA40);  // ⅰ-ⅹ
  return code;
}

// --- Width ------------------------------------------------------------------

// The half-width/full-width equivalences: runs of `count` characters whose
// narrow forms start at `narrow` and whose wide forms start at `wide`.
struct WidthRun {
  char16_t narrow;
  char16_t wide;
  char16_t count;
};
constexpr WidthRun kWidthRuns[] = {
    {0x0020, 0x3000, 1},   // space, ideographic space
    {0x0021, 0xFF01, 59},  // ! to [
    // The backslash (0x5C) and ＼ are not equivalent: 0x5C is the yen sign
    // of code page 932, and the platform's width tables leave both alone.
    {0x005D, 0xFF3D, 34},  // ] to ~
    {0x2985, 0xFF5F, 2},   // white parentheses
    {0x00A2, 0xFFE0, 2},   // ¢ £
    {0x00AC, 0xFFE2, 1},   // ¬
    {0x00AF, 0xFFE3, 1},   // ¯
    {0x00A6, 0xFFE4, 1},   // ¦
    {0x00A5, 0xFFE5, 1},   // ¥
    {0x20A9, 0xFFE6, 1},   // ₩
    {0xFFA0, 0x3164, 1},   // Hangul filler
    {0xFFA1, 0x3131, 30},  // Hangul consonants
    {0xFFC2, 0x314F, 6},   // Hangul vowels
    {0xFFCA, 0x3155, 6},
    {0xFFD2, 0x315B, 6},
    {0xFFDA, 0x3161, 3},
    {0xFFE8, 0x2502, 1},  // │
    {0xFFE9, 0x2190, 4},  // ← ↑ → ↓
    {0xFFED, 0x25A0, 1},  // ■
    {0xFFEE, 0x25CB, 1},  // ○
};

// The full-width forms of the half-width signs and katakana U+FF61-U+FF9F.
constexpr char16_t kHalfWidthKanaWideForms[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2,      0x30A1,          0x30A3,  // ｡｢｣､･ｦｧｨ
    0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7,      0x30C3,          0x30FC,  // ｩｪｫｬｭｮｯｰ
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,      0x30AD,          0x30AF,  // ｱｲｳｴｵｶｷｸ
    0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB,      0x30BD,          0x30BF,  // ｹｺｻｼｽｾｿﾀ
    0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB,      0x30CC,          0x30CD,  // ﾁﾂﾃﾄﾅﾆﾇﾈ
    0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB,      0x30DE,          0x30DF,  // ﾉﾊﾋﾌﾍﾎﾏﾐ
    0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8,      0x30E9,          0x30EA,  // ﾑﾒﾓﾔﾕﾖﾗﾘ
    0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, kVoicedMark, kSemiVoicedMark,  // ﾙﾚﾛﾜﾝﾞﾟ
};
static_assert(std::size(kHalfWidthKanaWideForms) == 0xFF9F - 0xFF61 + 1);

// The half-width form of each character U+3000-U+30FF that has one in
// kHalfWidthKanaWideForms, 0 for the others.
constexpr std::array<char16_t, 0x100> kKanaNarrowForms = [] {
  std::array<char16_t, 0x100> forms{};
  for (size_t i = 0; i < std::size(kHalfWidthKanaWideForms); ++i)
    forms[kHalfWidthKanaWideForms[i] - 0x3000] = static_cast<char16_t>(0xFF61 + i);
  return forms;
}();

// The voiced and semi-voiced katakana: base letter + combining mark.
struct VoicedKana {
  char16_t composed;
  char16_t base;
  char16_t mark;
};
constexpr VoicedKana kVoicedKatakana[] = {
    {0x30AC, 0x30AB, kVoicedMark}, {0x30AE, 0x30AD, kVoicedMark},      // ガ ギ
    {0x30B0, 0x30AF, kVoicedMark}, {0x30B2, 0x30B1, kVoicedMark},      // グ ゲ
    {0x30B4, 0x30B3, kVoicedMark}, {0x30B6, 0x30B5, kVoicedMark},      // ゴ ザ
    {0x30B8, 0x30B7, kVoicedMark}, {0x30BA, 0x30B9, kVoicedMark},      // ジ ズ
    {0x30BC, 0x30BB, kVoicedMark}, {0x30BE, 0x30BD, kVoicedMark},      // ゼ ゾ
    {0x30C0, 0x30BF, kVoicedMark}, {0x30C2, 0x30C1, kVoicedMark},      // ダ ヂ
    {0x30C5, 0x30C4, kVoicedMark}, {0x30C7, 0x30C6, kVoicedMark},      // ヅ デ
    {0x30C9, 0x30C8, kVoicedMark},                                     // ド
    {0x30D0, 0x30CF, kVoicedMark}, {0x30D1, 0x30CF, kSemiVoicedMark},  // バ パ
    {0x30D3, 0x30D2, kVoicedMark}, {0x30D4, 0x30D2, kSemiVoicedMark},  // ビ ピ
    {0x30D6, 0x30D5, kVoicedMark}, {0x30D7, 0x30D5, kSemiVoicedMark},  // ブ プ
    {0x30D9, 0x30D8, kVoicedMark}, {0x30DA, 0x30D8, kSemiVoicedMark},  // ベ ペ
    {0x30DC, 0x30DB, kVoicedMark}, {0x30DD, 0x30DB, kSemiVoicedMark},  // ボ ポ
    {0x30F4, 0x30A6, kVoicedMark}, {0x30F7, 0x30EF, kVoicedMark},      // ヴ ヷ
    {0x30F8, 0x30F0, kVoicedMark}, {0x30F9, 0x30F1, kVoicedMark},      // ヸ ヹ
    {0x30FA, 0x30F2, kVoicedMark}, {0x30FE, 0x30FD, kVoicedMark},      // ヺ ヾ
};

const VoicedKana* FindVoiced(char16_t composed) {
  for (const VoicedKana& kana : kVoicedKatakana)
    if (kana.composed == composed) return &kana;
  return nullptr;
}

const VoicedKana* FindComposition(char16_t base, char16_t mark) {
  for (const VoicedKana& kana : kVoicedKatakana)
    if (kana.base == base && kana.mark == mark) return &kana;
  return nullptr;
}

// The full-width form of a character, 0 when it has none.
char16_t WideFormOf(char16_t unit) {
  if (unit >= 0xFF61 && unit <= 0xFF9F) return kHalfWidthKanaWideForms[unit - 0xFF61];
  for (const WidthRun& run : kWidthRuns)
    if (unit >= run.narrow && unit - run.narrow < run.count)
      return static_cast<char16_t>(run.wide + (unit - run.narrow));
  return 0;
}

// The half-width form of a character, 0 when it has none.
char16_t NarrowFormOf(char16_t unit) {
  if (unit >= 0x3001 && unit <= 0x30FF) return kKanaNarrowForms[unit - 0x3000];
  for (const WidthRun& run : kWidthRuns)
    if (unit >= run.wide && unit - run.wide < run.count)
      return static_cast<char16_t>(run.narrow + (unit - run.wide));
  return 0;
}

// The letter that the half-width mapping writes for a voiced letter's base:
// its half-width form, or the letter itself when it has none (ヰ ヱ ヽ).
char16_t HalfWidthBaseOf(char16_t base) {
  const char16_t narrow = NarrowFormOf(base);
  return narrow != 0 ? narrow : base;
}

// Each character becomes its half-width form. A voiced katakana becomes its
// base letter and the half-width mark (ガ → ｶﾞ, ヾ → ヽﾞ). The platform's
// tables differ from the equivalences in two more places (measured): the
// curly quotes become ASCII quotes, and the spacing marks ゛゜ become ﾞﾟ.
std::u16string ToHalfWidthForms(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const char16_t unit : text) {
    if (const VoicedKana* kana = FindVoiced(unit)) {
      out += HalfWidthBaseOf(kana->base);
      out += kana->mark == kVoicedMark ? kHalfWidthVoicedMark : kHalfWidthSemiVoicedMark;
      continue;
    }
    switch (unit) {
      case 0x2018:  // ‘
      case 0x2019:  // ’
        out += u'\'';
        continue;
      case 0x201C:  // “
      case 0x201D:  // ”
        out += u'"';
        continue;
      case 0x309B:  // ゛
        out += kHalfWidthVoicedMark;
        continue;
      case 0x309C:  // ゜
        out += kHalfWidthSemiVoicedMark;
        continue;
      default:
        break;
    }
    const char16_t narrow = NarrowFormOf(unit);
    out += narrow != 0 ? narrow : unit;
  }
  return out;
}

// Each character becomes its full-width form. A half-width mark after the
// letter that the half-width mapping would have written for a voiced letter
// composes with it into that letter (ｶﾞ → ガ, ヰﾞ → ヸ), undoing the
// half-width mapping; any other mark stays a combining mark of its own
// (カﾞ → カ + U+3099). The platform also turns the spacing marks ゛゜ into
// the combining marks (measured).
std::u16string ToFullWidthForms(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    char16_t wide = WideFormOf(unit);
    if (unit == 0x309B) wide = kVoicedMark;
    if (unit == 0x309C) wide = kSemiVoicedMark;
    if (wide == 0) wide = unit;
    if (i + 1 < text.size() &&
        (text[i + 1] == kHalfWidthVoicedMark || text[i + 1] == kHalfWidthSemiVoicedMark)) {
      const char16_t mark = text[i + 1] == kHalfWidthVoicedMark ? kVoicedMark : kSemiVoicedMark;
      const VoicedKana* kana = FindComposition(wide, mark);
      if (kana != nullptr && HalfWidthBaseOf(kana->base) == unit) {
        out += kana->composed;
        ++i;
        continue;
      }
    }
    out += wide;
  }
  return out;
}

// --- Collation ----------------------------------------------------------------

enum CollationClass : uint32_t {
  kControl,
  kSign,
  kDigit,
  kLatinLetter,
  kOtherLetter,
  kKana,
  kOther,
};

struct CollationUnit {
  uint32_t primary;
  uint32_t voicing;  // 0, or 1 voiced, 2 semi-voiced
  uint32_t form;     // 0 ASCII or half-width, 1 full-width or katakana, 2 hiragana
};

uint32_t Primary(CollationClass cls, uint32_t weight) { return cls << 24 | weight; }

// The next collation unit of `text` from byte `i`, which it moves past the
// unit: one character, or a half-width letter with the mark that voices it.
// REQUIRES: i < text.size().
CollationUnit NextCollationUnit(std::string_view text, size_t& i) {
  assert(i < text.size());
  CollationUnit result{};
  const auto b = static_cast<unsigned char>(text[i]);
  char16_t unit;
  if (!IsLeadByte(b)) {
    ++i;
    unit = DecodeSingleByte(b);
    if (b >= 0xA1 && b <= 0xDF) {
      unit = kHalfWidthKanaWideForms[b - 0xA1];
      if (i < text.size() && (text[i] == '\xDE' || text[i] == '\xDF')) {
        const char16_t mark = text[i] == '\xDE' ? kVoicedMark : kSemiVoicedMark;
        if (FindComposition(unit, mark) != nullptr) {
          result.voicing = mark == kVoicedMark ? 1 : 2;
          ++i;
        }
      }
    }
  } else {
    const bool pair = i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1]));
    const auto code =
        static_cast<uint16_t>(b << 8 | (pair ? static_cast<unsigned char>(text[i + 1]) : 0));
    unit = pair ? DecodeDoubleByte(b, static_cast<unsigned char>(text[i + 1])) : 0;
    i += pair ? 2 : 1;
    if (unit == 0) {  // not a character: after everything else, by its bytes
      result.primary = Primary(kOther, 0x20000u + code);
      return result;
    }
    result.form = 1;
  }

  // Letter case and width.
  if (unit >= u'a' && unit <= u'z') unit -= 0x20;
  if (unit >= 0xFF41 && unit <= 0xFF5A) unit -= 0x20;  // ａ-ｚ
  if (unit >= 0xFF01 && unit <= 0xFF5E && unit != 0xFF3C) {
    unit = static_cast<char16_t>(unit - 0xFEE0);
  } else if (unit == 0x3000) {
    unit = u' ';
  }
  if ((unit >= 0x03B1 && unit <= 0x03C9) || (unit >= 0x0430 && unit <= 0x044F)) unit -= 0x20;
  if (unit == 0x0451) unit = 0x0401;                   // ё
  if (unit >= 0x2170 && unit <= 0x2179) unit -= 0x10;  // ⅰ-ⅹ

  // Kana type and voicing.
  if ((unit >= 0x3041 && unit <= 0x3094) || unit == 0x309D || unit == 0x309E) {
    unit += 0x60;  // hiragana as katakana
    result.form = 2;
  }
  if (const VoicedKana* kana = FindVoiced(unit)) {
    unit = kana->base;
    result.voicing = kana->mark == kVoicedMark ? 1 : 2;
  }

  if (unit < 0x20 || unit == 0x7F) {
    result.primary = Primary(kControl, unit);
  } else if (unit >= u'0' && unit <= u'9') {
    result.primary = Primary(kDigit, unit);
  } else if (unit >= u'A' && unit <= u'Z') {
    result.primary = Primary(kLatinLetter, unit);
  } else if (unit < 0x80) {
    result.primary = Primary(kSign, unit);
  } else if ((unit >= 0x0391 && unit <= 0x03A9) || (unit >= 0x0401 && unit <= 0x042F)) {
    result.primary = Primary(kOtherLetter, CodeWeight(unit));
  } else if ((unit >= 0x30A1 && unit <= 0x30FA) || unit == 0x30FD || unit == 0x30FE) {
    result.primary = Primary(kKana, CodeWeight(unit));
  } else if ((unit >= 0x3400 && unit <= 0x9FFF) || (unit >= 0xF900 && unit <= 0xFAFF) ||
             (unit >= 0xE000 && unit <= 0xF8FF)) {
    result.primary = Primary(kOther, CodeWeight(unit));
  } else {
    result.primary = Primary(kSign, CodeWeight(unit));
  }
  return result;
}

uint32_t LevelOf(const CollationUnit& unit, int level) {
  return level == 0 ? unit.primary : (level == 1 ? unit.voicing : unit.form);
}

// One level of CompareAnsiIgnoreCase: the texts' units compared one by one
// on that level; a text that runs out first is the smaller.
int CompareCollationLevel(std::string_view a, std::string_view b, int level) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const uint32_t x = LevelOf(NextCollationUnit(a, i), level);
    const uint32_t y = LevelOf(NextCollationUnit(b, j), level);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

}  // namespace kanadeya::platform
