#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/files.h"

namespace kanadeya::platform {

namespace {
// An open file descriptor, closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  explicit operator bool() const { return fd_ >= 0; }
  int get() const { return fd_; }
  // Closes it now; false when the close reports a failure (a write that
  // did not reach the file).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Writes all of `contents`; false on a write error (a full disk among them).
bool WriteAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    const ssize_t put = ::write(fd, contents.data(), contents.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    contents.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

// Has the system put the folder of `path` on the disk, so that a name just
// renamed into it outlasts a crash, as MOVEFILE_WRITE_THROUGH does on Win32.
// A failure is not reported: the rename it follows is done all the same.
void SyncFolderOf(const std::string& path) {
  const Descriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder) ::fsync(folder.get());
}
}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// unlink never removes a folder, so no test before it is needed.
bool DeleteFileAt(const std::string& path) { return ::unlink(path.c_str()) == 0; }

RemoveFault RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR) {
    switch (errno) {
      case EBUSY:
      case ETXTBSY:
        return RemoveFault::kInUse;
      case EACCES:
      case EPERM:
      case EROFS:
        return RemoveFault::kDenied;
      case EISDIR:
        return RemoveFault::kFolder;
      default:
        return RemoveFault::kOther;
    }
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
    return RemoveFault::kNone;
  return S_ISDIR(st.st_mode) ? RemoveFault::kFolder : RemoveFault::kStillThere;
}

namespace {

// The fault that `error` (an errno) tells of.
FileFault FaultOf(int error) {
  FileFault fault{FileFault::kOther, static_cast<uint32_t>(error)};
  switch (error) {
    case EEXIST:
      fault.kind = FileFault::kExists;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      fault.kind = FileFault::kFull;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      fault.kind = FileFault::kDenied;
      break;
    case EBUSY:
    case ETXTBSY:
      fault.kind = FileFault::kHeld;
      break;
    case ENOENT:
    case ENOTDIR:
      fault.kind = FileFault::kFolderMissing;
      break;
    case ENAMETOOLONG:
      fault.kind = FileFault::kNameTooLong;
      break;
    case EISDIR:
    case ELOOP:
    case ENOTEMPTY:
      fault.kind = FileFault::kInTheWay;
      break;
    case ENOMEM:
      fault.kind = FileFault::kOutOfMemory;
      break;
    default:
      break;
  }
  return fault;
}

// A file that is no regular file stands in the way.
constexpr FileFault kNotAFile{FileFault::kInTheWay, 0};

}  // namespace

FileFault WriteNewFileDurably(const std::string& path, std::string_view contents) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd) return FaultOf(errno);
  if (WriteAll(fd.get(), contents) && ::fsync(fd.get()) == 0 && fd.Close()) return {};
  const FileFault fault = FaultOf(errno);
  ::unlink(path.c_str());
  return fault;
}

// O_NONBLOCK: a pipe at `path` is not waited on.
FileFault EmptyFile(const std::string& path) {
  const Descriptor fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd) return FaultOf(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FaultOf(errno);
  if (!S_ISREG(st.st_mode)) return kNotAFile;
  return ::ftruncate(fd.get(), 0) == 0 ? FileFault{} : FaultOf(errno);
}

// unlink removes a link itself.
RemoveFault RemoveEntry(const std::string& path, const std::string&) { return RemoveFile(path); }

std::vector<std::string> NamesStartingWith(const std::string& folder, std::string_view prefix) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.substr(0, prefix.size()) != prefix || entry->d_type == DT_DIR) continue;
    names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

// flock on the open file: the lock goes with the descriptor, also when a
// process is killed holding it. Appends take no lock: each is one write to
// whatever file stands at the path, which a rename never splits.
bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat locked {};
    if (!fd || ::fstat(fd.get(), &locked) != 0 || !S_ISREG(locked.st_mode)) return false;
    // Another program's lock is waited out for about a second at most: the
    // log then grows on until a later run rolls it over.
    for (int wait = 0; ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0; ++wait) {
      if (errno != EWOULDBLOCK && errno != EINTR) return false;
      if (wait == 20) return false;
      ::usleep(50'000);
    }
    struct stat standing {};
    if (::stat(path.c_str(), &standing) != 0) return false;
    if (standing.st_dev != locked.st_dev || standing.st_ino != locked.st_ino) continue;
    if (::fstat(fd.get(), &locked) != 0 || static_cast<uint64_t>(locked.st_size) <= limit)
      return false;
    if (::rename(path.c_str(), to.c_str()) != 0) return false;
    SyncFolderOf(to);
    return true;
  }
  return false;
}

// Both work on the descriptor itself: a page is read and written twice for
// every code, and a stat before the open, or the stream's own, would be
// system calls more each time.
bool ReadWholeFile(const std::string& path, std::string& contents) {
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (!fd || ::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
    contents.clear();
    return false;
  }
  // One byte more than the file's size, so that its end shows in one read.
  // The string is not cleared first: a caller that reads into the same
  // string again has its bytes overwritten, not set to zero and then read.
  contents.resize(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : size_t{1} << 16);
  size_t have = 0;
  for (;;) {
    if (have == contents.size()) contents.resize(contents.size() + (size_t{1} << 16));
    const ssize_t got = ::read(fd.get(), contents.data() + have, contents.size() - have);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      contents.clear();
      contents.shrink_to_fit();
      return false;
    }
    have += static_cast<size_t>(got);
  }
  contents.resize(have);
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view contents) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  return fd && WriteAll(fd.get(), contents) && fd.Close();
}

// O_NONBLOCK keeps the open of a pipe from waiting for a reader; the
// descriptor is used only once it is known to be a regular file, for which
// the flag means nothing. With O_APPEND each write goes to the file's end as
// one piece, whoever else appends.
FileFault AppendToFile(const std::string& path, std::string_view contents) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
  if (!fd) return FaultOf(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FaultOf(errno);
  if (!S_ISREG(st.st_mode)) return kNotAFile;
  return WriteAll(fd.get(), contents) && fd.Close() ? FileFault{} : FaultOf(errno);
}

namespace {
// Up to `count` bytes of the open file from `offset` into `part`.
bool ReadAt(int fd, uint64_t offset, size_t count, std::string& part) {
  part.resize(count);
  size_t have = 0;
  while (have < count) {
    const ssize_t got =
        ::pread(fd, part.data() + have, count - have, static_cast<off_t>(offset + have));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      part.clear();
      return false;
    }
    if (got == 0) break;
    have += static_cast<size_t>(got);
  }
  part.resize(have);
  return true;
}
}  // namespace

FileFault ReadFilePart(const std::string& path, uint64_t offset, size_t count, std::string& part) {
  part.clear();
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd)
    return errno == ENOENT || errno == ENOTDIR ? FileFault{FileFault::kMissing, ENOENT}
                                               : FaultOf(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FaultOf(errno);
  if (!S_ISREG(st.st_mode)) return kNotAFile;
  return ReadAt(fd.get(), offset, count, part) ? FileFault{} : FaultOf(errno);
}

SmallFileRead ReadSmallFile(const std::string& path, size_t limit, std::string& contents) {
  contents.clear();
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return SmallFileRead::kMissing;
    return errno == EACCES ? SmallFileRead::kUnreadable : SmallFileRead::kNotAFile;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return SmallFileRead::kUnreadable;
  if (!S_ISREG(st.st_mode)) return SmallFileRead::kNotAFile;
  if (static_cast<uint64_t>(st.st_size) > limit) return SmallFileRead::kTooLarge;
  // One byte past the limit, so that a file that grew since fstat shows.
  std::string part;
  if (!ReadAt(fd.get(), 0, limit + 1, part)) return SmallFileRead::kUnreadable;
  if (part.size() > limit) return SmallFileRead::kTooLarge;
  contents = std::move(part);
  return SmallFileRead::kRead;
}

// A file that another program renames or deletes between the two calls is
// gone, not read-only: access then fails for want of the file, not of a right.
bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  if ((st.st_mode & 0222) == 0) return true;
  return ::access(path.c_str(), W_OK) != 0 && errno != ENOENT && errno != ENOTDIR;
}

namespace {
// `path` with its folder resolved (links, "." and ".."), so that two
// spellings of one place compare equal; the last name is kept as written,
// since the file itself may not exist yet.
std::string ResolvedPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char* full = ::realpath(folder.c_str(), nullptr);
  if (full == nullptr) return path;
  std::string resolved = full;
  std::free(full);
  if (resolved.back() != '/') resolved += '/';
  return resolved + name;
}
}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return ResolvedPath(a) == ResolvedPath(b);
}

bool FileSize(const std::string& path, uint64_t& size) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

// renameat2 with RENAME_NOREPLACE; where the file system has no such
// rename, a hard link (which fails where the name is taken) and the old
// name's removal.
FileFault RenameFileIfFree(const std::string& from, const std::string& to) {
  if (!FileExists(from)) return FaultOf(ENOENT);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) return FaultOf(errno);
    if (::link(from.c_str(), to.c_str()) != 0) return FaultOf(errno);
    ::unlink(from.c_str());
  }
  SyncFolderOf(to);
  return {};
}

FileFault RenameFileReplacing(const std::string& from, const std::string& to) {
  if (!FileExists(from)) return FaultOf(ENOENT);
  if (::rename(from.c_str(), to.c_str()) != 0) return FaultOf(errno);
  SyncFolderOf(to);
  return {};
}

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

namespace {
// True when `path` names a file that is the running executable or that
// cannot be examined.
bool NotALoadedLibrary(const char* path) {
  struct stat target {
  }, self{};
  if (::stat(path, &target) != 0) return true;
  return ::stat("/proc/self/exe", &self) == 0 && target.st_dev == self.st_dev &&
         target.st_ino == self.st_ino;
}
}  // namespace

// dladdr names the shared object as it was loaded; for code linked into the
// program it gives the program's first argument, which may be no path at all,
// so the program's own folder is taken then.
std::string ModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || info.dli_fname == nullptr ||
      NotALoadedLibrary(info.dli_fname)) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
  }
  std::string path = info.dli_fname;
  if (char* full = ::realpath(info.dli_fname, nullptr)) {
    path = full;
    std::free(full);
  }
  return path;
}

std::string ModuleDirectory() {
  const std::string path = ModulePath();
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace kanadeya::platform
