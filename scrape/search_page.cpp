#include "scrape/search_page.h"

#include <algorithm>
#include <vector>

#include "scrape/system_texts.h"
#include "strings/strings.h"

namespace kanadeya {

std::string FindDetailId(std::string_view page) {
  bool first = true;
  std::string id;
  bool decided = false;
  SplitLines(page, [&](std::string_view line) {
    if (first || decided) {
      first = false;
      return;
    }
    const size_t at = ByteFind(line, kDetailLinkMarker);
    if (at == 0) return;
    decided = true;
    const std::string_view rest = line.substr(at - 1 + kDetailLinkMarker.size());
    const size_t quote = rest.find('"');
    if (quote != std::string_view::npos) id = std::string(rest.substr(0, quote));
  });
  return id;
}

size_t CountDetailIds(std::string_view page) {
  std::vector<std::string_view> ids;
  bool first = true;
  SplitLines(page, [&](std::string_view line) {
    if (first) {
      first = false;
      return;
    }
    for (size_t at; (at = ByteFind(line, kDetailLinkMarker)) != 0;) {
      line.remove_prefix(at - 1 + kDetailLinkMarker.size());
      const size_t quote = line.find('"');
      if (quote == std::string_view::npos) break;
      const std::string_view id = line.substr(0, quote);
      if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
      line.remove_prefix(quote);
    }
  });
  return ids.size();
}

}  // namespace kanadeya
