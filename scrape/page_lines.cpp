#include "scrape/page_lines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "strings/strings.h"

namespace kanadeya {

std::string JoinLines(std::string_view text) {
  const size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  const size_t n = text.size();
  std::string joined;
  joined.reserve(n + n / 32 + 2);
  // The next CR and the next LF at or after `start`, each looked for again
  // only once the walk has passed it.
  size_t cr = text.find('\r');
  size_t lf = text.find('\n');
  size_t start = 0;
  while (start < n) {
    if (cr < start) cr = text.find('\r', start);
    if (lf < start) lf = text.find('\n', start);
    const size_t end = std::min({cr, lf, n});
    joined.append(text, start, end - start);
    joined += "\r\n";
    if (end == n) break;
    start = end + ((text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ? 2 : 1);
  }
  return joined;
}

bool IsJoined(std::string_view text) {
  if (text.empty()) return true;
  if (text.back() != '\n' || text.find('\0') != std::string_view::npos) return false;
  // The CRs and the LFs must pair up, each CR right before an LF.
  size_t cr = text.find('\r');
  for (size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', lf + 1)) {
    if (lf == 0 || cr != lf - 1) return false;  // an LF without its CR, or a lone CR
    cr = text.find('\r', lf + 1);
  }
  return cr == std::string_view::npos;
}

std::vector<std::vector<size_t>> LinesHoldingEach(std::string_view page,
                                                  const std::vector<std::string_view>& markers) {
  std::vector<std::vector<size_t>> starts(markers.size());
  if (markers.empty()) return starts;
  // Markers grouped by their first eight bytes (or all of a shorter one),
  // compared as one number with the page's eight bytes at each place where
  // the markers' first byte stands; within a group, each member's next eight
  // bytes likewise, before the whole marker is compared.
  struct Eight {
    uint64_t key = 0, mask = 0;
    bool operator==(const Eight&) const = default;
  };
  auto eight_at = [](std::string_view text, size_t at) {
    Eight eight;
    if (at + 8 <= text.size()) {
      std::memcpy(&eight.key, text.data() + at, 8);
      eight.mask = ~uint64_t{0};
      return eight;
    }
    if (at >= text.size()) return eight;
    const size_t length = std::min<size_t>(text.size() - at, 8);
    std::memcpy(&eight.key, text.data() + at, length);
    std::memset(&eight.mask, 0xFF, length);
    return eight;
  };
  struct Member {
    size_t index;
    Eight next;
  };
  struct Group {
    Eight first;
    std::vector<Member> members;
  };
  std::vector<Group> groups;
  for (size_t m = 0; m < markers.size(); ++m) {
    const Eight first = eight_at(markers[m], 0);
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const Group& g) { return g.first == first; });
    if (group == groups.end()) group = groups.insert(groups.end(), Group{first, {}});
    group->members.push_back({m, eight_at(markers[m], 8)});
  }
  // The bytes that follow the first byte in some marker: the other places
  // where the first byte stands are passed over at once.
  bool second_bytes[256] = {};
  for (std::string_view marker : markers) {
    if (marker.size() == 1) std::fill(std::begin(second_bytes), std::end(second_bytes), true);
    if (marker.size() >= 2) second_bytes[static_cast<unsigned char>(marker[1])] = true;
  }
  // The start of the line of the last match, and how far the page has been
  // looked through for line breaks: each byte is looked at once, also when
  // one long line holds very many matches.
  size_t line_start = 0, scanned = 0;
  // The markers compared where the first two bytes may start one; kept out
  // of line, so that the walk over the first byte's places, mostly passed
  // over at once, stays a tight loop.
  auto compare_at = [&](size_t at) __attribute__((noinline)) {
    const uint64_t here = eight_at(page, at).key;
    for (const Group& group : groups) {
      if ((here & group.first.mask) != group.first.key) continue;
      const uint64_t next = eight_at(page, at + 8).key;
      for (const Member& member : group.members) {
        if ((next & member.next.mask) != member.next.key) continue;
        const size_t m = member.index;
        if (page.compare(at, markers[m].size(), markers[m]) != 0) continue;
        if (scanned < at) {
          const size_t line_break = page.substr(scanned, at - scanned).rfind('\n');
          if (line_break != std::string_view::npos) line_start = scanned + line_break + 1;
          scanned = at;
        }
        if (starts[m].empty() || starts[m].back() != line_start) starts[m].push_back(line_start);
      }
    }
  };
  ForEachByte(page, markers[0][0], [&](size_t at) {
    if (at + 1 < page.size() && !second_bytes[static_cast<unsigned char>(page[at + 1])]) return;
    compare_at(at);
  });
  return starts;
}

std::vector<size_t> LinesHolding(std::string_view page, std::string_view marker) {
  return std::move(LinesHoldingEach(page, {marker})[0]);
}

std::string ReplaceAllOnPage(std::string_view page, std::string_view pattern,
                             std::string_view replacement) {
  if (pattern.empty() || page.empty()) return std::string(page);
  std::string out;
  size_t done = 0;      // the page is copied up to here
  size_t boundary = 0;  // a character starts here
  for (size_t search = 0;;) {
    const size_t candidate = page.find(pattern, search);
    if (candidate == std::string_view::npos) break;
    if (boundary < candidate) {
      const size_t line_break = page.substr(boundary, candidate - boundary).rfind('\n');
      if (line_break != std::string_view::npos) boundary += line_break + 1;
      while (boundary < candidate) boundary += IsLeadByte(page[boundary]) ? 2 : 1;
    }
    if (boundary != candidate) {  // the second byte of a character
      search = candidate + 1;
      continue;
    }
    if (out.empty()) out.reserve(page.size());
    out.append(page, done, candidate - done);
    out.append(replacement);
    done = boundary = search = candidate + pattern.size();
  }
  if (done == 0) return std::string(page);
  out.append(page, done, std::string_view::npos);
  return out;
}

}  // namespace kanadeya
