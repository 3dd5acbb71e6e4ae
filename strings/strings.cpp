#include "strings/strings.h"

#include <algorithm>

namespace kanadeya {

size_t ByteFind(std::string_view text, std::string_view pattern) {
  if (pattern.empty() || text.empty()) return 0;
  const size_t at = text.find(pattern);
  return at == std::string_view::npos ? 0 : at + 1;
}

namespace {

// Finds the first match of `pattern` at or after `from` that starts on a
// character boundary, given that `from` itself is a boundary. Returns npos
// when there is none.
//
// The walk from a boundary takes a lead byte and the byte after it as one
// character, any other byte alone; so the byte after one that is no lead
// byte starts a character, whether that one stood alone or ended a pair. A
// candidate is therefore decided by the run of lead-byte values just before
// it (back to the last boundary known): the walk pairs them among
// themselves, and the candidate starts a character when they are even in
// number. Linear: no byte is looked at again for a later candidate.
size_t FindOnBoundary(std::string_view text, std::string_view pattern, size_t from) {
  size_t boundary = from;
  size_t search = from;
  for (;;) {
    const size_t candidate = text.find(pattern, search);
    if (candidate == std::string_view::npos) return candidate;
    size_t run_start = candidate;
    while (run_start > boundary && IsLeadByte(text[run_start - 1])) --run_start;
    if ((candidate - run_start) % 2 == 0) return candidate;
    boundary = search = candidate + 1;  // the candidate was a second byte
  }
}

}  // namespace

size_t CharFind(std::string_view text, std::string_view pattern) {
  if (pattern.empty() || text.empty()) return 0;
  const size_t at = FindOnBoundary(text, pattern, 0);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
  if (pattern.empty() || text.empty()) return std::string(text);
  std::string out;
  size_t done = 0;
  for (;;) {
    const size_t at = FindOnBoundary(text, pattern, done);
    if (at == std::string_view::npos) break;
    if (out.empty()) out.reserve(text.size());
    out.append(text, done, at - done);
    out.append(replacement);
    done = at + pattern.size();
  }
  if (done == 0) return std::string(text);
  out.append(text, done, std::string_view::npos);
  return out;
}

void ReplaceAllIn(std::string& text, std::string_view pattern, std::string_view replacement) {
  if (text.find(pattern) != std::string::npos) text = ReplaceAll(text, pattern, replacement);
}

size_t LastDelimiter(std::string_view delimiters, std::string_view text) {
  size_t last = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (delimiters.find(text[i]) != std::string_view::npos) last = i + 1;
    i += IsLeadByte(text[i]) ? 2 : 1;
  }
  return last;
}

std::string_view CopyView(std::string_view text, int64_t start, int64_t count) {
  if (start < 1) start = 1;
  const auto length = static_cast<int64_t>(text.size());
  if (start > length || count < 0) return {};
  count = std::min(count, length - start + 1);
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

namespace {
inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }
}  // namespace

std::string_view TrimLeftView(std::string_view text) {
  size_t b = 0;
  while (b < text.size() && IsTrimmed(text[b])) ++b;
  return text.substr(b);
}

std::string_view TrimRightView(std::string_view text) {
  size_t e = text.size();
  while (e > 0 && IsTrimmed(text[e - 1])) --e;
  return text.substr(0, e);
}

std::string_view TrimView(std::string_view text) { return TrimRightView(TrimLeftView(text)); }

LineReader::LineReader(std::string_view text)
    : text_(text.substr(0, text.find('\0'))), cr_(text_.find('\r')), lf_(text_.find('\n')) {}

bool LineReader::Next(std::string_view& line) {
  if (position_ >= text_.size()) return false;
  // The next CR and the next LF are each looked for again only once the
  // reader has passed them: one memchr per line and break character, where a
  // search for either of two characters tests them byte by byte.
  if (cr_ < position_) cr_ = text_.find('\r', position_);
  if (lf_ < position_) lf_ = text_.find('\n', position_);
  const size_t end = std::min(cr_, lf_);
  if (end == std::string_view::npos) {
    line = text_.substr(position_);
    position_ = text_.size();
    return true;
  }
  line = text_.substr(position_, end - position_);
  const bool crlf = text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n';
  position_ = end + (crlf ? 2 : 1);
  return true;
}

size_t CountTextLines(std::string_view text) {
  LineReader reader(text);
  size_t count = 0;
  for (std::string_view line; reader.Next(line);) ++count;
  return count;
}

}  // namespace kanadeya
