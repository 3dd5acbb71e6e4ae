#include "record/output_line.h"

#include "markup/markup.h"
#include "record/book_record.h"
#include "strings/strings.h"

namespace kanadeya {

std::string EscapeCsvField(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  size_t done = 0;  // the value is copied up to here; runs of other bytes go whole
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c != '\r' && c != '"' && c != ',') continue;
    if (c == '\r' && !(i + 1 < value.size() && value[i + 1] == '\n')) continue;
    out.append(value, done, i - done);
    if (c == '\r') {
      out += "$$";
      ++i;
    } else if (c == '"') {
      out += "\x81\x68";  // ”
    } else {
      out += "\x81\x43";  // ，
    }
    done = i + 1;
  }
  out.append(value, done, std::string_view::npos);
  return out;
}

namespace {

// The item without a lead byte that has no second byte after it: such a
// byte would take the following comma as its second byte in a reader that
// knows Shift_JIS.
std::string_view WholeCharacters(std::string_view item) {
  size_t i = 0;
  while (i < item.size()) {
    if (IsLeadByte(item[i])) {
      if (i + 1 >= item.size()) return item.substr(0, i);
      i += 2;
    } else {
      ++i;
    }
  }
  return item;
}

bool NeedsQuotes(std::string_view item) {
  for (char c : item) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) return false;  // a zero byte ends the examination
    if (b <= 0x20 || c == '"' || c == ',') return true;
  }
  return false;
}

void AppendItem(std::string& line, std::string_view item) {
  item = WholeCharacters(item);
  if (!NeedsQuotes(item)) {
    line += item;
    return;
  }
  line += '"';
  for (size_t start = 0;;) {  // each quote doubled
    const size_t quote = item.find('"', start);
    if (quote == std::string_view::npos) {
      line.append(item, start);
      break;
    }
    line.append(item, start, quote + 1 - start);
    line += '"';
    start = quote + 1;
  }
  line += '"';
}

}  // namespace

std::string BuildOutputLine(const BookRecord& record) {
  std::string line;
  for (int column = 1; column <= kOutputColumnCount; ++column) {
    if (column > 1) line += ',';
    const int field = FieldOfColumn(column);
    if (field < 0) continue;
    const std::string& value = record[field];
    if (field == kReserved2 || field == kAuthorReading || field == kAuthor2Reading)
      AppendItem(line, EscapeCsvField(ToHalfWidth(value)));
    else
      AppendItem(line, EscapeCsvField(value));
  }
  return line;
}

}  // namespace kanadeya
