#include <sys/stat.h>
#include <time.h>

#include <algorithm>

#include "platform/file_stamp.h"

namespace kanadeya::platform {

namespace {

// Seconds and nanoseconds as microseconds, clamped far beyond any real date
// so that no file time can overflow the arithmetic of its users.
int64_t Microseconds(const struct timespec& t) {
  constexpr int64_t kLimit = int64_t{1} << 42;  // seconds: about 139,000 years
  const int64_t seconds = std::clamp<int64_t>(t.tv_sec, -kLimit, kLimit);
  return seconds * 1'000'000 + t.tv_nsec / 1000;
}

}  // namespace

bool ReadFileStamp(const std::string& path, FileStamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  stamp.size = static_cast<uint64_t>(st.st_size);
  stamp.modified = Microseconds(st.st_mtim);
  stamp.volume = static_cast<uint64_t>(st.st_dev);
  stamp.file = static_cast<uint64_t>(st.st_ino);
  return true;
}

int64_t CurrentFileTime() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return Microseconds(now);
}

}  // namespace kanadeya::platform
