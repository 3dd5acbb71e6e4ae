#include "scrape/search_page.h"

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

}  // namespace kanadeya
