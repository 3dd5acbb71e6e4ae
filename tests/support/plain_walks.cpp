#include "tests/support/plain_walks.h"

#include "platform/text_mapping.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "scrape/system_texts.h"
#include "strings/strings.h"

namespace kanadeya::test {

std::string PlainJoinLines(std::string_view text) {
  std::string joined;
  SplitLines(text, [&joined](std::string_view line) {
    joined += line;
    joined += "\r\n";
  });
  return joined;
}

std::string PlainDecodeReferences(std::string_view page) {
  std::string text = ReplaceAll(page, kReferenceAmp, "&");
  text = ReplaceAll(text, kReferenceQuot, kClosingQuotationMark);
  text = ReplaceAll(text, kReferenceLt, "<");
  return ReplaceAll(text, kReferenceGt, ">");
}

bool PlainFind(std::string_view text, std::string_view key, std::string_view end,
               std::string& value) {
  const size_t at = text.find(key);
  if (at == std::string_view::npos) return false;
  const std::string_view rest = text.substr(at + key.size());
  value = std::string(rest.substr(0, rest.find(end)));
  return true;
}

std::vector<size_t> PlainLinesHolding(std::string_view page, std::string_view marker) {
  std::vector<size_t> starts;
  for (size_t start = 0; start < page.size();) {
    const size_t end = page.find("\r\n", start);
    if (Contains(page.substr(start, end - start), marker)) starts.push_back(start);
    start = end + 2;
  }
  return starts;
}

std::vector<std::string> PlainAuthorOrder(const std::vector<std::string>& added) {
  std::vector<std::string> entries;
  for (const std::string& entry : added) {
    size_t at = 0;
    while (at < entries.size() && platform::CompareAnsiIgnoreCase(entries[at], entry) < 0) ++at;
    if (at < entries.size() && platform::CompareAnsiIgnoreCase(entries[at], entry) == 0) continue;
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), entry);
  }
  return entries;
}

void PlainAssignAuthorSlots(const std::vector<std::string>& entries, Dictionary& authors,
                            BookRecord& book, bool use_first, bool use_second, bool use_others,
                            std::string_view others_prefix) {
  constexpr std::string_view kOpen = "\x81\x6d", kClose = "\x81\x6e";  // ［ ］
  for (const std::string& entry : entries) {
    const std::string taken = book.Author + "\r\n" + book.Author2 + "\r\n" + book.OtherAuthors;
    std::string name = entry.substr(1);
    std::string reading;
    if (const size_t open = CharFind(name, kOpen); open != 0) {
      const std::string after = name.substr(open - 1 + kOpen.size());
      const size_t close = CharFind(after, kClose);
      reading = close == 0 ? after : after.substr(0, close - 1);
      name.resize(open - 1);
    }
    std::string extra;
    if (AuthorDictionaryEntry found; !authors.Empty() && LookupAuthor(authors, name, found)) {
      name = found.name;
      if (!found.reading.empty()) reading = found.reading;
      extra = found.extra;
    }
    if (name.empty() || CharFind(taken, name) != 0) continue;
    if (use_first && book.Author.empty()) {
      book.Author = name;
      book.AuthorReading = reading;
      book.AuthorExtra = extra;
    } else if (use_second && book.Author2.empty()) {
      book.Author2 = name;
      book.Author2Reading = reading;
    } else if (use_others) {
      book.OtherAuthors += "\r\n" + std::string(others_prefix) + name;
    }
  }
  book.OtherAuthors = Trim(book.OtherAuthors);
}

}  // namespace kanadeya::test
