#include "platform/disk_file_reader.h"

#include "platform/file_stamp.h"
#include "platform/files.h"

namespace kanadeya::platform {

bool DiskFileReader::FileExists(const std::string& path) { return platform::FileExists(path); }

bool DiskFileReader::ReadWholeFile(const std::string& path, std::string& contents) {
  return platform::ReadWholeFile(path, contents);
}

SmallFileRead DiskFileReader::ReadSmallFile(const std::string& path, size_t limit,
                                            std::string& contents) {
  return platform::ReadSmallFile(path, limit, contents);
}

FileFault DiskFileReader::ReadFilePart(const std::string& path, uint64_t offset, size_t count,
                                       std::string& part) {
  return platform::ReadFilePart(path, offset, count, part);
}

bool DiskFileReader::FileSize(const std::string& path, uint64_t& size) {
  return platform::FileSize(path, size);
}

bool DiskFileReader::ReadFileStamp(const std::string& path, FileStamp& stamp) {
  return platform::ReadFileStamp(path, stamp);
}

int64_t DiskFileReader::FileTimeNow() { return CurrentFileTime(); }

}  // namespace kanadeya::platform
