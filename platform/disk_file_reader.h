// The files on the disk as a FileReader: the reader of programs and tests
// that have no run's context, and the reads of the system's context. Only
// a declaration: including it reaches nothing, but what it declares reads
// the disk, so the floors below the plug-in's edge never include it.
#pragma once

#include "platform/file_reader.h"

namespace kanadeya::platform {

class DiskFileReader : public virtual FileReader {
 public:
  bool FileExists(const std::string& path) override;
  bool ReadWholeFile(const std::string& path, std::string& contents) override;
  SmallFileRead ReadSmallFile(const std::string& path, size_t limit,
                              std::string& contents) override;
  FileFault ReadFilePart(const std::string& path, uint64_t offset, size_t count,
                         std::string& part) override;
  bool FileSize(const std::string& path, uint64_t& size) override;
  bool ReadFileStamp(const std::string& path, FileStamp& stamp) override;
  int64_t FileTimeNow() override;
};

}  // namespace kanadeya::platform
