#include "plugin/journal_records.h"

#include <array>

namespace kanadeya {

namespace {

// Eight tables of the reflected CRC-32C polynomial: table k gives the
// remainder of a byte followed by k zero bytes, so that eight bytes are
// taken in one step.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t crc = n;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0x82F63B78u & (0u - (crc & 1u)));
    tables[0][n] = crc;
  }
  for (uint32_t n = 0; n < 256; ++n)
    for (size_t k = 1; k < 8; ++k)
      tables[k][n] = (tables[k - 1][n] >> 8) ^ tables[0][tables[k - 1][n] & 0xFF];
  return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

uint32_t Byte(std::string_view bytes, size_t i) { return static_cast<unsigned char>(bytes[i]); }

uint32_t Little32(std::string_view bytes, size_t at) {
  return Byte(bytes, at) | Byte(bytes, at + 1) << 8 | Byte(bytes, at + 2) << 16 |
         Byte(bytes, at + 3) << 24;
}

void PutLittle(std::string& out, uint64_t number, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((number >> (8 * i)) & 0xFF);
}

}  // namespace

uint32_t Crc32c(std::string_view bytes, uint32_t crc) {
  const CrcTables& t = kCrcTables;
  crc = ~crc;
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    const uint32_t low = crc ^ Little32(bytes, i);
    const uint32_t high = Little32(bytes, i + 4);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^
          t[0][high >> 24];
  }
  for (; i < bytes.size(); ++i) crc = (crc >> 8) ^ t[0][(crc ^ Byte(bytes, i)) & 0xFF];
  return ~crc;
}

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
