// hakobune show: an import file made readable. For each line its number and
// then every non-empty column with its number, the name of the record field
// it carries and its value in UTF-8; control bytes in a value are shown as
// \r, \n, \t or \xNN.
#include <cstdio>
#include <string>

#include "host/commands.h"
#include "host/import_file.h"
#include "host/utf8.h"
#include "platform/files.h"
#include "record/book_record.h"

namespace hakobune {

namespace {

std::string ColumnName(size_t column) {
  const int field = kanadeya::FieldOfColumn(static_cast<int>(column));
  if (field >= 0) return std::string(kanadeya::FieldName(field));
  return column <= kImportColumnCount ? "(always empty)" : "(beyond column 68)";
}

std::string Readable(const std::string& sjis) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (char c : ToUtf8(sjis)) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (b < 0x20 || b == 0x7F) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void PrintLine(const ImportLine& line) {
  std::string out = "line " + std::to_string(line.number) + "\n";
  if (line.columns.size() != kImportColumnCount)
    out += "  warning: " + std::to_string(line.columns.size()) + " columns, not " +
           std::to_string(kImportColumnCount) + "\n";
  if (!line.ends_with_crlf) out += "  warning: the line does not end in CR LF\n";
  for (size_t c = 1; c <= line.columns.size(); ++c) {
    const std::string& value = line.columns[c - 1];
    if (value.empty()) continue;
    std::string number = std::to_string(c);
    number.insert(0, number.size() < 3 ? 3 - number.size() : 0, ' ');
    out += "  " + number + " " + ColumnName(c) + ": " + Readable(value) + "\n";
  }
  Print(out);
}

}  // namespace

int ShowCommand(int argc, char** argv) {
  if (argc != 1) return UsageError("show takes one file name");
  const std::string path = argv[0];
  std::string contents;
  if (!kanadeya::platform::ReadWholeFile(path, contents)) {
    std::fprintf(stderr, "hakobune: cannot read %s\n", DisplayPath(path).c_str());
    return 1;
  }
  const ImportFile file = ReadImportFile(contents);
  for (const ImportLine& line : file.lines) PrintLine(line);
  std::fflush(stdout);
  if (file.error_line != 0) {
    const std::string message = "hakobune: " + DisplayPath(path) + ": line " +
                                std::to_string(file.error_line) + " does not read: " + file.error;
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
  }
  return 0;
}

}  // namespace hakobune
