#include <windows.h>

#include "platform/file_stamp.h"

namespace kanadeya::platform {

namespace {

// A FILETIME (100-nanosecond steps since 1601) in microseconds since 1970.
int64_t Microseconds(const FILETIME& t) {
  constexpr int64_t kFrom1601To1970 = 11'644'473'600'000'000;  // microseconds
  const uint64_t ticks = (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10) - kFrom1601To1970;
}

}  // namespace

bool ReadFileStamp(const std::string& path, FileStamp& stamp) {
  // Opened for its attributes only: no access right is asked, so a file that
  // another program holds open for writing can still be looked at.
  const HANDLE file =
      ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info) != 0;
  ::CloseHandle(file);
  if (!known || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  stamp.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.modified = Microseconds(info.ftLastWriteTime);
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.file = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

int64_t CurrentFileTime() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  return Microseconds(now);
}

}  // namespace kanadeya::platform
