// The markup helpers and the string primitives under them, over any bytes.
// Each is compared with a plain transcription of its rule written here: a
// walk over the characters, one position at a time, with no care for speed.
// The library's versions are built for linear time (the character search
// never walks back, replace-all never rescans); these must agree with them.
//
// One input gives: a pattern and a second text (a replacement or an end
// marker), two numbers (a field number that is also a copy's start, and the
// copy's count), and the text. Inputs above 64 KiB are skipped: the plain tag
// stripper copies the rest of the line after every tag, which is quadratic,
// and a page line is far shorter anyway.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "markup/markup.h"
#include "record/output_line.h"
#include "strings/strings.h"

namespace {

using kanadeya::IsLeadByte;
using kanadeya::fuzz::Check;

// The 1-based position of the first match of `pattern` that starts on a
// character boundary; 0 when none, or when either text is empty.
size_t PlainCharFind(std::string_view text, std::string_view pattern) {
  if (pattern.empty() || text.empty()) return 0;
  for (size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1)
    if (text.substr(i, pattern.size()) == pattern) return i + 1;
  return 0;
}

// Every match on a character boundary replaced; the walk goes on right after
// the matched text, which counts as a boundary again.
std::string PlainReplaceAll(std::string_view text, std::string_view pattern,
                            std::string_view replacement) {
  if (pattern.empty()) return std::string(text);
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text.substr(i, pattern.size()) == pattern) {
      out += replacement;
      i += pattern.size();
      continue;
    }
    const size_t step = IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
    out += text.substr(i, step);
    i += step;
  }
  return out;
}

size_t PlainLastDelimiter(std::string_view delimiters, std::string_view text) {
  size_t last = 0;
  for (size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1)
    if (delimiters.find(text[i]) != std::string_view::npos) last = i + 1;
  return last;
}

std::string PlainCopy(std::string_view text, int64_t start, int64_t count) {
  std::string out;
  if (start < 1) start = 1;
  if (count < 0) return out;
  for (int64_t p = start; p < start + count && p <= static_cast<int64_t>(text.size()); ++p)
    out += text[static_cast<size_t>(p - 1)];
  return out;
}

std::string PlainTrim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  return std::string(text);
}

std::vector<std::string> PlainSplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // a line has begun and not ended
  for (size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

std::string PlainExtractBetween(std::string_view text, std::string_view start,
                                std::string_view end) {
  const size_t at = start.empty() ? std::string_view::npos : text.find(start);
  if (at == std::string_view::npos) return {};
  std::string_view candidate = text.substr(at + start.size());
  const size_t stop = end.empty() ? std::string_view::npos : candidate.find(end);
  return std::string(stop == std::string_view::npos ? candidate : candidate.substr(0, stop));
}

std::string PlainNthField(std::string_view text, char delimiter, int64_t n) {
  std::string rest(text);
  std::string field;
  const std::string pattern(1, delimiter);
  while (n > 0) {
    const size_t p = PlainCharFind(rest, pattern);
    if (p == 0) return n == 1 ? rest : std::string();
    field = rest.substr(0, p - 1);
    rest = rest.substr(p);
    --n;
  }
  return field;
}

// Tags removed as the rule describes them, comments protected first.
std::string PlainStripMarkup(std::string_view line) {
  std::string rest = PlainReplaceAll(line, "<!--", "\x81\x83!--");
  rest = PlainReplaceAll(rest, "-->", "--\x81\x84");
  std::string out;
  for (;;) {
    const size_t lt = rest.find('<');
    const size_t gt = rest.find('>');
    if (lt == std::string::npos && gt == std::string::npos) break;
    if (lt == std::string::npos) {  // only ">": the line began inside a tag
      rest = rest.substr(gt + 1);
    } else if (gt == std::string::npos) {  // only "<": the tag runs past the end
      out += rest.substr(0, lt);
      rest.clear();
    } else if (gt > lt) {
      out += rest.substr(0, lt);
      rest = rest.substr(gt + 1);
    } else {
      rest = rest.substr(gt + 1);
    }
  }
  out += rest;
  out = PlainReplaceAll(out, "\x81\x83!--", "<!--");
  out = PlainReplaceAll(out, "--\x81\x84", "-->");
  out = PlainReplaceAll(out, "&lt;", "<");
  out = PlainReplaceAll(out, "&gt;", ">");
  return PlainReplaceAll(out, "&nbsp;", " ");
}

void CheckSame(const std::string& library, const std::string& plain, std::string_view what,
               std::string_view input) {
  Check(library == plain, what, input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  if (size > 64 * 1024) return 0;
  FuzzedDataProvider provider(data, size);
  const std::string pattern = provider.ConsumeRandomLengthString(64);
  const std::string other = provider.ConsumeRandomLengthString(64);
  const auto number = provider.ConsumeIntegralInRange<int64_t>(-3, 40);
  const auto count = provider.ConsumeIntegralInRange<int64_t>(-3, 40);
  const std::string text = provider.ConsumeRemainingBytesAsString();

  // String primitives.
  const size_t byte_at = ByteFind(text, pattern);
  const size_t byte_plain =
      pattern.empty() || text.empty() ? std::string::npos : text.find(pattern);
  Check(byte_at == (byte_plain == std::string::npos ? 0 : byte_plain + 1),
        "ByteFind differs from a plain search", text);
  Check(CharFind(text, pattern) == PlainCharFind(text, pattern),
        "CharFind differs from the plain walk", text);
  CheckSame(ReplaceAll(text, pattern, other), PlainReplaceAll(text, pattern, other),
            "ReplaceAll differs from the plain walk", text);
  Check(LastDelimiter(pattern, text) == PlainLastDelimiter(pattern, text),
        "LastDelimiter differs from the plain walk", text);
  CheckSame(Copy(text, number, count), PlainCopy(text, number, count),
            "Copy differs from the plain copy", text);
  CheckSame(Trim(text), PlainTrim(text), "Trim differs from the plain trim", text);
  std::vector<std::string> lines;
  SplitLines(text, [&lines](std::string_view line) { lines.emplace_back(line); });
  Check(lines == PlainSplitLines(text), "SplitLines differs from the plain split", text);
  Check(CountTextLines(text) == lines.size(), "CountTextLines differs from the lines split", text);

  // Markup helpers.
  CheckSame(ExtractBetween(text, pattern, other), PlainExtractBetween(text, pattern, other),
            "ExtractBetween differs from the plain cut", text);
  const char delimiter = pattern.empty() ? '|' : pattern[0];
  CheckSame(NthField(text, delimiter, number), PlainNthField(text, delimiter, number),
            "NthField differs from the plain split", text);
  CheckSame(StripMarkup(text), PlainStripMarkup(text), "StripMarkup differs from the plain strip",
            text);
  const std::string narrow = NarrowAlnum(text);
  Check(narrow.size() <= text.size(), "NarrowAlnum made the text longer", text);

  // The platform mappings that the title and the dictionaries go through.
  const std::string upper = UpperFullWidth(text);
  (void)NarrowAlnum(upper);
  (void)ToHalfWidth(text);
  return 0;
}
