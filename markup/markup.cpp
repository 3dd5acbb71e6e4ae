#include "markup/markup.h"

#include "platform/text_mapping.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {
constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";
constexpr std::string_view kProtectedOpen = "\x81\x83!--";  // ＜!--
constexpr std::string_view kProtectedClose = "--\x81\x84";  // --＞

}  // namespace

std::string ExtractBetween(std::string_view text, std::string_view start, std::string_view end) {
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
  std::string protected_line;
  if (line.find(kCommentOpen) != std::string_view::npos ||
      line.find(kCommentClose) != std::string_view::npos) {
    protected_line = line;
    ReplaceAllIn(protected_line, kCommentOpen, kProtectedOpen);
    ReplaceAllIn(protected_line, kCommentClose, kProtectedClose);
    line = protected_line;
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

std::string ToHalfWidth(std::string_view value) { return platform::AnsiHalfWidth(value); }

std::string UpperFullWidth(std::string_view text) {
  return platform::WideToAnsi(ToFullWidth(platform::AnsiToWide(platform::AnsiUpperCase(text))));
}

}  // namespace kanadeya
