#include "markup/markup.h"

#include <array>

#include "platform/text_mapping.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {
constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";
constexpr std::string_view kProtectedOpen = "\x81\x83!--";   // ＜!--
constexpr std::string_view kProtectedClose = "--\x81\x84";   // --＞

}  // namespace

std::string ExtractBetween(std::string_view text, std::string_view start,
                           std::string_view end) {
  const size_t at = ByteFind(text, start);
  if (at == 0) return {};
  std::string_view candidate = text.substr(at - 1 + start.size());
  if (!end.empty()) {
    const size_t stop = ByteFind(candidate, end);
    if (stop != 0) candidate = candidate.substr(0, stop - 1);
  }
  return std::string(candidate);
}

std::string NarrowAlnum(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (!IsLeadByte(b)) {
      out += text[i++];
      continue;
    }
    if (i + 1 >= text.size()) {  // a lead byte with nothing after it
      out += text[i++];
      break;
    }
    const auto t = static_cast<unsigned char>(text[i + 1]);
    if (b == 0x82 && t >= 0x4F && t <= 0x79) {
      out += static_cast<char>(t - 0x1F);
    } else if (b == 0x82 && t >= 0x81 && t <= 0x9A) {
      out += static_cast<char>(t - 0x20);
    } else {
      out += text[i];
      out += text[i + 1];
    }
    i += 2;
  }
  return out;
}

std::string StripMarkup(std::string_view line) {
  // Comment brackets are protected in a copy of the line; a line without
  // them is read as it is.
  std::string protectedLine;
  if (line.find(kCommentOpen) != std::string_view::npos ||
      line.find(kCommentClose) != std::string_view::npos) {
    protectedLine = line;
    ReplaceAllIn(protectedLine, kCommentOpen, kProtectedOpen);
    ReplaceAllIn(protectedLine, kCommentClose, kProtectedClose);
    line = protectedLine;
  }
  std::string out;
  out.reserve(line.size());
  // The rest of the line starts at `at`. The first "<" and ">" of the rest
  // are kept from one pass to the next and looked for again only once the
  // rest has moved past them, so that no part of the line is searched twice.
  const std::string_view text = line;
  constexpr size_t npos = std::string_view::npos;
  size_t at = 0;
  size_t lt = text.find('<');
  size_t gt = text.find('>');
  for (;;) {
    if (lt != npos && lt < at) lt = text.find('<', at);
    if (gt != npos && gt < at) gt = text.find('>', at);
    if (lt == npos && gt == npos) break;
    if (lt == npos) {  // the line began inside a tag
      at = gt + 1;
    } else if (gt == npos) {  // a tag runs past the end
      out.append(text.substr(at, lt - at));
      at = text.size();
    } else if (gt > lt) {
      out.append(text.substr(at, lt - at));
      at = gt + 1;
    } else {
      at = gt + 1;
    }
  }
  out.append(text.substr(at));
  // Every text replaced below holds "&" or "--"; most lines hold neither.
  if (out.find('&') == std::string::npos && out.find("--") == std::string::npos) return out;
  ReplaceAllIn(out, kProtectedOpen, kCommentOpen);
  ReplaceAllIn(out, kProtectedClose, kCommentClose);
  ReplaceAllIn(out, "&lt;", "<");
  ReplaceAllIn(out, "&gt;", ">");
  ReplaceAllIn(out, "&nbsp;", " ");
  return out;
}

std::string StripMarkupBreakingAt(std::string_view line, std::string_view break_tag) {
  // The walk of StripMarkup's loop over the line as the break tags leave it:
  // text is kept when a tag opens or the line ends, and dropped at a ">"
  // outside a tag; a tag runs to the next ">" (to the line's end if none
  // comes). A break tag counts only where a character starts, as ReplaceAll
  // finds it, and gives CR LF, which holds no bracket. Runs of other bytes
  // are taken whole.
  static constexpr auto kSpecial = [] {
    std::array<bool, 256> special{};
    for (unsigned char c : {'<', '>', '&', '-'}) special[c] = true;
    return special;
  }();
  const auto long_way = [&] { return StripMarkup(ReplaceAll(line, break_tag, "\r\n")); };
  std::string out;
  out.reserve(line.size());
  size_t kept = 0;      // out is kept up to here
  bool in_tag = false;
  size_t boundary = 0;  // a character starts here
  const size_t n = line.size();
  for (size_t i = 0; i < n;) {
    size_t run_end = i;
    while (run_end < n && !kSpecial[static_cast<unsigned char>(line[run_end])]) ++run_end;
    if (!in_tag) out.append(line, i, run_end - i);
    if (run_end == n) break;
    i = run_end;
    const char c = line[i];
    // Comments are protected, and "&" or "--" may be replaced after the
    // tags are stripped: the long way.
    if (c == '&' || line.substr(i, kCommentOpen.size()) == kCommentOpen ||
        line.substr(i, kCommentClose.size()) == kCommentClose)
      return long_way();
    if (c == '<' && line.substr(i, break_tag.size()) == break_tag) {
      // The byte after one that is no lead byte starts a character: the tag
      // counts when the run of lead-byte values before it is even.
      size_t run_start = i;
      while (run_start > boundary && IsLeadByte(line[run_start - 1])) --run_start;
      if ((i - run_start) % 2 == 0) {
        if (!in_tag) out += "\r\n";
        i = boundary = i + break_tag.size();
        continue;
      }
    }
    ++i;
    if (in_tag) {
      in_tag = c != '>';
    } else if (c == '<') {
      kept = out.size();
      in_tag = true;
    } else if (c == '>') {
      out.resize(kept);
    } else {  // "-"
      if (!out.empty() && out.back() == '-') return long_way();
      out += c;
    }
  }
  return out;
}

std::string NthField(std::string_view text, char delimiter, int64_t n) {
  std::string_view rest = text;
  std::string_view field;
  const std::string_view pattern(&delimiter, 1);
  while (n > 0) {
    const size_t p = CharFind(rest, pattern);
    if (p == 0) {
      field = (n == 1) ? rest : std::string_view{};
      break;
    }
    field = rest.substr(0, p - 1);
    rest = rest.substr(p);
    --n;
  }
  return std::string(field);
}

std::u16string MapWidth(std::u16string_view text, uint32_t flags) {
  return platform::MapWideText(text, flags);
}

std::u16string ToFullWidth(std::u16string_view text) {
  return MapWidth(text, platform::kMapFullWidth);
}

std::string UpperFullWidth(std::string_view text) {
  return platform::WideToAnsi(ToFullWidth(platform::AnsiToWide(platform::AnsiUpperCase(text))));
}

}  // namespace kanadeya
