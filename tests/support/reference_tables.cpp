#include "tests/support/reference_tables.h"

#include <fstream>
#include <sstream>

#include "tests/support/bytes.h"

namespace kanadeya::test {

std::vector<std::vector<std::string>> LoadRows(const std::string& file) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(DataPath("reference/" + file), std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << file;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

std::map<std::string, std::string> LoadMappingTable(const std::string& file) {
  std::map<std::string, std::string> table;
  for (const auto& row : LoadRows(file))
    if (row.size() >= 2) table[Unhex(row[0])] = Unhex(row[1]);
  return table;
}

void ForEachCp932Character(const std::function<bool(const std::string&)>& accepts,
                           const std::function<void(const std::string&)>& visit) {
  for (int b = 0x01; b <= 0xDF; ++b) {
    if (b > 0x80 && b < 0xA1) continue;
    visit(std::string(1, static_cast<char>(b)));
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      std::string c{static_cast<char>(lead), static_cast<char>(trail)};
      if (accepts(c)) visit(c);
    }
  }
}

}  // namespace kanadeya::test
