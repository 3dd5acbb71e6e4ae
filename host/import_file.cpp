#include "host/import_file.h"

namespace hakobune {

namespace {

bool IsLineEnd(std::string_view text, size_t i) {
  return i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n';
}

// Reads one quoted item that starts after its opening quote at `i`; on
// success `i` is just past the closing quote. False when no quote closes it.
bool ReadQuoted(std::string_view text, size_t& i, std::string& item) {
  while (i < text.size()) {
    const char c = text[i++];
    if (c != '"') {
      item += c;
    } else if (i < text.size() && text[i] == '"') {
      item += '"';
      ++i;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace

ImportFile ReadImportFile(std::string_view text) {
  ImportFile file;
  size_t i = 0;
  while (i < text.size()) {
    ImportLine line;
    line.number = file.lines.size() + 1;
    for (;;) {  // one item per pass
      std::string item;
      if (i < text.size() && text[i] == '"') {
        ++i;
        if (!ReadQuoted(text, i, item)) {
          file.error_line = line.number;
          file.error = "a quoted item is not closed";
          return file;
        }
        if (i < text.size() && text[i] != ',' && !IsLineEnd(text, i)) {
          file.error_line = line.number;
          file.error =
              "text follows the closing quote of column " + std::to_string(line.columns.size() + 1);
          return file;
        }
      } else {
        while (i < text.size() && text[i] != ',' && !IsLineEnd(text, i)) item += text[i++];
      }
      line.columns.push_back(std::move(item));
      if (i < text.size() && text[i] == ',') {
        ++i;
        continue;
      }
      break;
    }
    if (IsLineEnd(text, i)) {
      i += 2;
    } else {
      line.ends_with_crlf = false;  // the end of the file
    }
    file.lines.push_back(std::move(line));
  }
  return file;
}

}  // namespace hakobune
