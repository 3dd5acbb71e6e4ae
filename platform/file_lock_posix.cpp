#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_lock.h"

namespace kanadeya::platform {

void FileLock::Release() {
  if (handle_ == kNone) return;
  ::close(static_cast<int>(handle_));  // the fcntl lock goes with the descriptor
  handle_ = kNone;
}

LockResult FileLock::Take(const std::string& path) {
  Release();
  for (int attempt = 0; attempt < 10; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return LockResult::kCannotMake;
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;  // from the start to any end
    if (::fcntl(fd, F_SETLK, &whole) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EACCES || error == EAGAIN) return LockResult::kInUse;
      return LockResult::kCannotMake;
    }
    struct stat locked {
    }, standing{};
    if (::fstat(fd, &locked) == 0 && ::stat(path.c_str(), &standing) == 0 &&
        locked.st_dev == standing.st_dev && locked.st_ino == standing.st_ino) {
      handle_ = fd;
      return LockResult::kLocked;
    }
    ::close(fd);  // renamed or removed meanwhile: lock what stands there now
  }
  return LockResult::kInUse;
}

}  // namespace kanadeya::platform
