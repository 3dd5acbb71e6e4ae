// The records of a run's journal. Each record is framed as
//
//   length (4 bytes) | checksum (4 bytes) | body (length bytes)
//
// both numbers little-endian, the checksum the CRC-32C of the body. A
// record cut short by a kill or a power loss, or holding other bytes than
// were written, fails its length or its checksum, and a reader takes the
// records up to the first that is not whole. A body is its kind (one byte)
// followed by its fields: numbers of 8 bytes, texts as their length (4
// bytes) and their bytes.
//
//   std::string journal;
//   std::string body = JournalBody(JournalRecord::kCode);
//   PutText(body, "9784000000000");
//   FrameRecord(body, journal);           // journal holds one whole record
//   WholeRecords(journal).size() == 1;    // and still 0 when cut anywhere in it
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kanadeya {

// The CRC-32C (Castagnoli) of `bytes`, continued from `crc`: chosen over
// CRC-32 for its better detection of the errors of storage, and computed
// eight bytes at a time, which keeps a page's checksum well below the cost
// of downloading it.
uint32_t Crc32c(std::string_view bytes, uint32_t crc = 0);

inline constexpr size_t kRecordHeaderSize = 8;

// The kinds of a journal's records.
enum class JournalRecord : char {
  kRun = 'R',        // the run: how it was begun, and its code list
  kCode = 'C',       // one code's outcome, with its detail page for a book
  kDelivered = 'D',  // every book of the run is in the import file or a kept file
};

// A record body of kind `kind`, to which fields are put.
std::string JournalBody(JournalRecord kind);
void PutNumber(std::string& body, uint64_t number);
void PutText(std::string& body, std::string_view text);

// Appends the record holding `body` to `out`.
void FrameRecord(std::string_view body, std::string& out);

// The header of a record: its body's length and checksum.
struct RecordHeader {
  uint32_t length = 0;
  uint32_t checksum = 0;
};
RecordHeader ReadRecordHeader(std::string_view header);
// True when `body` is whole: of the header's length and checksum.
bool BodyIsWhole(const RecordHeader& header, std::string_view body);

// The bodies of the whole records at the start of `journal`, up to the
// first that is not whole.
std::vector<std::string_view> WholeRecords(std::string_view journal);

// Reads a body's fields in the order they were put: each read is false when
// the body holds no such field, and then the reader stays false.
class FieldReader {
 public:
  explicit FieldReader(std::string_view body) : rest_(body.empty() ? body : body.substr(1)) {}
  bool Number(uint64_t& number);
  bool Text(std::string_view& text);

 private:
  std::string_view rest_;
  bool failed_ = false;
};

// The kind of the record holding `body`.
inline JournalRecord KindOf(std::string_view body) {
  return body.empty() ? JournalRecord{} : static_cast<JournalRecord>(body[0]);
}

}  // namespace kanadeya
