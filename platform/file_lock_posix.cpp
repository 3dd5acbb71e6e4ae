#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_lock.h"

namespace kanadeya::platform {

namespace {

// The first byte alone is locked: what is recorded past it stays readable.
struct flock FirstByte(short type) {
  struct flock first {};
  first.l_type = type;
  first.l_whence = SEEK_SET;
  first.l_start = 0;
  first.l_len = 1;
  return first;
}

LockResult OpenFault(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return LockResult::kDenied;
    case EISDIR:
      return LockResult::kFolder;
    case ELOOP:
      return LockResult::kLink;
    default:
      return LockResult::kCannotMake;
  }
}

}  // namespace

void FileLock::Release() {
  if (handle_ == kNone) return;
  const int fd = static_cast<int>(handle_);
  // What the lock recorded goes with it; a killed holder's record stays,
  // but nobody reads it until the lock is held again and it is rewritten.
  if (::ftruncate(fd, 0) != 0) {
  }
  ::close(fd);  // the fcntl lock goes with the descriptor
  handle_ = kNone;
}

LockResult FileLock::Take(const std::string& path) {
  Release();
  for (int attempt = 0; attempt < 10; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return OpenFault(errno);
    struct stat locked {};
    if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
      ::close(fd);
      return LockResult::kCannotMake;
    }
    struct flock first = FirstByte(F_WRLCK);
    if (::fcntl(fd, F_SETLK, &first) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EACCES || error == EAGAIN) return LockResult::kInUse;
      return LockResult::kCannotMake;
    }
    struct stat standing {};
    if (::stat(path.c_str(), &standing) == 0 && locked.st_dev == standing.st_dev &&
        locked.st_ino == standing.st_ino) {
      handle_ = fd;
      return LockResult::kLocked;
    }
    ::close(fd);  // renamed or removed meanwhile: lock what stands there now
  }
  return LockResult::kInUse;
}

bool FileLock::Record(std::string_view text) {
  if (handle_ == kNone) return false;
  const int fd = static_cast<int>(handle_);
  if (::ftruncate(fd, 1) != 0) return false;
  const ssize_t written = ::pwrite(fd, text.data(), text.size(), 1);
  return written >= 0 && static_cast<size_t>(written) == text.size();
}

}  // namespace kanadeya::platform
