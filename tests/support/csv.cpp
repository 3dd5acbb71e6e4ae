#include "tests/support/csv.h"

#include "strings/strings.h"

namespace kanadeya::test {

namespace {

// Reads the columns; `sjis` makes a lead byte swallow the byte after it.
std::optional<std::vector<std::string>> Split(std::string_view line, bool sjis) {
  std::vector<std::string> columns(1);
  bool quoted = false;
  bool closed = false;  // a quoted item has ended; only a comma may follow
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (sjis && IsLeadByte(c)) {
      if (closed) return std::nullopt;
      columns.back() += line.substr(i, 2);
      i += 2;
      continue;
    }
    if (quoted) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          columns.back() += '"';
          i += 2;
          continue;
        }
        quoted = false;
        closed = true;
      } else {
        columns.back() += c;
      }
    } else if (c == ',') {
      columns.emplace_back();
      closed = false;
    } else if (closed) {
      return std::nullopt;
    } else if (c == '"' && columns.back().empty()) {
      quoted = true;
    } else {
      columns.back() += c;
    }
    ++i;
  }
  if (quoted) return std::nullopt;
  return columns;
}

}  // namespace

std::vector<std::string> SplitCsvLine(std::string_view line) {
  auto columns = Split(line, false);
  return columns ? *columns : std::vector<std::string>{};
}

std::optional<std::vector<std::string>> SplitCsvLineSjis(std::string_view line) {
  return Split(line, true);
}

std::string CheckOutputFile(std::string_view contents) {
  size_t start = 0;
  int number = 0;
  while (start < contents.size()) {
    ++number;
    // A line ends at the first CR LF outside quotes.
    bool quoted = false;
    size_t end = std::string_view::npos;
    for (size_t i = start; i < contents.size(); ++i) {
      if (contents[i] == '"') quoted = !quoted;
      if (!quoted && contents[i] == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') {
        end = i;
        break;
      }
    }
    if (end == std::string_view::npos)
      return "line " + std::to_string(number) + " does not end in CR LF";
    const std::string_view line = contents.substr(start, end - start);
    const auto bytewise = Split(line, false);
    if (!bytewise || bytewise->size() != 68)
      return "line " + std::to_string(number) + " does not read as 68 columns";
    const auto sjis = Split(line, true);
    if (!sjis || sjis->size() != 68)
      return "line " + std::to_string(number) + " does not read as 68 columns in Shift_JIS";
    for (const auto& item : *bytewise)
      if (item.find("\r\n") != std::string::npos)
        return "line " + std::to_string(number) + " holds a CR LF inside an item";
    start = end + 2;
  }
  return {};
}

}  // namespace kanadeya::test
