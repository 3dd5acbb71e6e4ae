#include "plugin/journal_records.h"

#include "strings/crc32c.h"

namespace kanadeya {

namespace {

uint32_t Byte(std::string_view bytes, size_t i) { return static_cast<unsigned char>(bytes[i]); }

uint32_t Little32(std::string_view bytes, size_t at) {
  return Byte(bytes, at) | Byte(bytes, at + 1) << 8 | Byte(bytes, at + 2) << 16 |
         Byte(bytes, at + 3) << 24;
}

void PutLittle(std::string& out, uint64_t number, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((number >> (8 * i)) & 0xFF);
}

}  // namespace

std::string JournalBody(JournalRecord kind) { return std::string(1, static_cast<char>(kind)); }

void PutNumber(std::string& body, uint64_t number) { PutLittle(body, number, 8); }

void PutText(std::string& body, std::string_view text) {
  PutLittle(body, text.size(), 4);
  body += text;
}

void FrameRecord(std::string_view body, std::string& out) {
  PutLittle(out, body.size(), 4);
  PutLittle(out, Crc32c(body), 4);
  out += body;
}

RecordHeader ReadRecordHeader(std::string_view header) {
  if (header.size() < kRecordHeaderSize) return {};
  return {Little32(header, 0), Little32(header, 4)};
}

bool BodyIsWhole(const RecordHeader& header, std::string_view body) {
  return !body.empty() && body.size() == header.length && Crc32c(body) == header.checksum;
}

std::vector<std::string_view> WholeRecords(std::string_view journal) {
  std::vector<std::string_view> bodies;
  while (journal.size() >= kRecordHeaderSize) {
    const RecordHeader header = ReadRecordHeader(journal);
    journal.remove_prefix(kRecordHeaderSize);
    if (header.length > journal.size()) break;
    const std::string_view body = journal.substr(0, header.length);
    if (!BodyIsWhole(header, body)) break;
    bodies.push_back(body);
    journal.remove_prefix(header.length);
  }
  return bodies;
}

bool FieldReader::Number(uint64_t& number) {
  if (failed_ || rest_.size() < 8) return !(failed_ = true);
  number = Little32(rest_, 0) | uint64_t{Little32(rest_, 4)} << 32;
  rest_.remove_prefix(8);
  return true;
}

bool FieldReader::Text(std::string_view& text) {
  if (failed_ || rest_.size() < 4 || Little32(rest_, 0) > rest_.size() - 4)
    return !(failed_ = true);
  text = rest_.substr(4, Little32(rest_, 0));
  rest_.remove_prefix(4 + text.size());
  return true;
}

}  // namespace kanadeya
