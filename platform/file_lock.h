// An exclusive lock on a file that two processes ask for at once: the data
// folder's lock, which keeps two hosts from downloading into one "Temp.html"
// and reading each other's pages. The file stays where it is (it is never
// deleted, so that no process locks a file another has just removed); the
// lock goes with the process that holds it, also when it is killed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_faults.h"

namespace kanadeya::platform {

// A lock held until Release or destruction.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const { return handle_ != kNone; }
  void Release();

  // Opens the file at `path`, making it when missing, shared for reading,
  // writing and deleting, and takes an exclusive lock on its first byte
  // without waiting (Win32: OPEN_ALWAYS and LockFileEx; POSIX: an fcntl
  // lock, which Wine's LockFileEx meets). Once locked, `path` is checked to
  // name the file locked still, and the lock is taken again on the file that
  // stands there if not. Any lock held before is released first, and with
  // it what it recorded.
  LockResult Take(const std::string& path);

  // Writes `text` into the locked file past the byte locked, which other
  // processes may read while the lock is held; false when it could not be
  // written whole.
  bool Record(std::string_view text);

 private:
  static constexpr intptr_t kNone = -1;
  intptr_t handle_ = kNone;  // a descriptor, or a HANDLE
};

}  // namespace kanadeya::platform
