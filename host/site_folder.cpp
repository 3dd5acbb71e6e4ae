#include "host/site_folder.h"

#include "host/folders.h"
#include "host/web_address.h"

namespace hakobune {

namespace {

constexpr std::string_view kSearchPrefix = "/search/keyword.php?keyword=";
constexpr std::string_view kDetailPrefix = "/detail/view.php?id=";

bool IsNotPlain(unsigned char b) {
  const bool plain = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                     b == '_' || b == '.' || b == '-';
  return !plain;
}

// The path and query of a URL: what follows the host after "scheme://", or
// the whole text when it has no scheme.
std::string_view PathAndQuery(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return url;
  const std::string_view rest = url.substr(scheme + 3);
  const size_t slash = rest.find('/');
  return slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
}

}  // namespace

std::string EscapeKey(std::string_view key) { return PercentEscape(key, IsNotPlain); }

std::optional<std::string> SiteFilePath(std::string_view site_dir, std::string_view url) {
  const std::string_view path = PathAndQuery(url);
  std::string_view folder;
  std::string_view key;
  if (path.substr(0, kSearchPrefix.size()) == kSearchPrefix) {
    folder = "search";
    key = path.substr(kSearchPrefix.size());
  } else if (path.substr(0, kDetailPrefix.size()) == kDetailPrefix) {
    folder = "detail";
    key = path.substr(kDetailPrefix.size());
  } else {
    return std::nullopt;
  }
  return WithTrailingSeparator(site_dir) + std::string(folder) + std::string(Separator()) +
         EscapeKey(key) + ".html";
}

}  // namespace hakobune
