#include "scrape/page_lines.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "scrape/euc_jp.h"
#include "scrape/system_texts.h"
#include "strings/byte_scan.h"
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

void PageTextFromEuc(std::string_view euc, std::string& page) {
  if (EucLinesToShiftJisSse2(euc, page)) return;
  // Each join is skipped where it would give the text unchanged (a page
  // with CR LF line ends; a converted page where no pair took a CR).
  page = IsJoined(euc) ? EucToShiftJis(euc) : EucToShiftJis(JoinLines(euc));
  if (!IsJoined(page)) page = JoinLines(page);
}

std::vector<std::vector<size_t>> LinesHoldingEach(std::string_view page,
                                                  const std::vector<std::string_view>& markers) {
  std::vector<std::vector<size_t>> starts(markers.size());
  if (markers.empty()) return starts;
  for ([[maybe_unused]] std::string_view marker : markers)
    assert(!marker.empty() && marker.front() == markers.front().front() &&
           marker.find_first_of("\r\n") == std::string_view::npos);
  // Markers grouped by their first eight bytes (or all of a shorter one),
  // compared as one number with the page's eight bytes at each offset where
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
  // The bytes that follow the first byte in some marker: only the offsets of
  // the first byte that one of them follows are compared (all of them when
  // a marker is that one byte).
  std::string seconds;
  for (std::string_view marker : markers) {
    if (marker.size() == 1) {
      seconds.clear();
      break;
    }
    if (seconds.find(marker[1]) == std::string::npos) seconds += marker[1];
  }
  // The start of the line of the last match, and how far the page has been
  // looked through for line breaks: each byte is looked at once, also when
  // one long line holds very many matches.
  size_t line_start = 0, scanned = 0;
  // The markers compared where the first two bytes may start one; kept out
  // of line, so that the scan for those offsets stays a tight loop.
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
  if (seconds.empty())
    ForEachByte(page, markers[0][0], compare_at);
  else
    ForEachByteBefore(page, markers[0][0], seconds, compare_at);
  return starts;
}

std::vector<size_t> LinesHolding(std::string_view page, std::string_view marker) {
  return std::move(LinesHoldingEach(page, {marker})[0]);
}

namespace {

// A reference and what it decodes to; `length` bytes of the page.
struct Decoded {
  std::string_view text;
  size_t length;
};

// What the reference at the start of `rest` decodes to, as the four passes
// give it: "&amp;" leaves an "&" that the later passes read again, so
// "&amp;quot;", "&amp;lt;" and "&amp;gt;" decode whole. The other decoded
// texts ("<", ">", 0x81 0x68) hold no byte of a reference, so they make no
// new one. Length 0: no reference.
// REQUIRES: `rest` starts with "&".
Decoded DecodeAt(std::string_view rest) {
  assert(!rest.empty() && rest.front() == '&');
  struct Later {
    std::string_view reference, decoded;
  };
  static constexpr Later kLater[] = {
      {kReferenceQuot, kClosingQuotationMark}, {kReferenceLt, "<"}, {kReferenceGt, ">"}};
  // The text after the "&" that the later passes meet, and how many bytes of
  // "&amp;" stand before it.
  size_t amp = 0;
  std::string_view after = rest.substr(1);
  if (!after.empty() && after[0] == kReferenceAmp[1] &&
      after.starts_with(kReferenceAmp.substr(1))) {
    amp = kReferenceAmp.size() - 1;
    after = rest.substr(kReferenceAmp.size());
  }
  // The first byte tells the references apart (most "&" of a page start
  // none of them: "&nbsp;").
  for (const Later& later : kLater)
    if (!after.empty() && after[0] == later.reference[1] &&
        after.starts_with(later.reference.substr(1)))
      return {later.decoded, amp + later.reference.size()};
  if (amp != 0) return {"&", kReferenceAmp.size()};
  return {{}, 0};
}

}  // namespace

void DecodeReferences(std::string& page) {
  // The offsets of "&" that a reference's second byte follows; the others
  // ("&nbsp;" and the like) are passed over.
  static_assert(kReferenceAmp[1] == 'a' && kReferenceQuot[1] == 'q' && kReferenceLt[1] == 'l' &&
                kReferenceGt[1] == 'g');
  auto may_start_one = [](char second) {
    return second == 'a' || second == 'q' || second == 'l' || second == 'g';
  };
  char* const p = page.data();
  const size_t size = page.size();
  size_t done = 0;      // the page is in place up to here
  size_t written = 0;   // the decoded page is written up to here (never past `done`)
  size_t boundary = 0;  // a character starts here
  // Decoded while the scan goes on. The writes stay behind the scan: what is
  // moved comes from before the offset visited, and a decoded text is never
  // longer than its reference, so any byte written past that offset lies
  // inside the reference, which the scan does not visit again.
  ForEachByte(page, '&', [&](size_t at) {
    if (at < done || at + 1 >= size || !may_start_one(p[at + 1])) return;
    // The byte after a byte that is no lead byte starts a character: "&"
    // starts one when the run of lead-byte values before it is even.
    size_t run_start = at;
    while (run_start > boundary && IsLeadByte(p[run_start - 1])) --run_start;
    if ((at - run_start) % 2 != 0) return;
    const Decoded decoded = DecodeAt(std::string_view(p + at, size - at));
    if (decoded.length == 0) return;
    if (written != done) std::memmove(p + written, p + done, at - done);
    written += at - done;
    std::memcpy(p + written, decoded.text.data(), decoded.text.size());
    written += decoded.text.size();
    done = boundary = at + decoded.length;
  });
  if (done == 0) return;
  std::memmove(p + written, p + done, size - done);
  page.resize(written + size - done);
}

}  // namespace kanadeya
