// How the file verbs that can fail in more than one way went: what a run
// tells the user about a file depends on why it failed.
#pragma once

#include <cstdint>

namespace kanadeya::platform {

// Why what stands at a path could not be removed.
enum class RemoveFault {
  kNone,        // nothing stands there now
  kInUse,       // another program holds the file open
  kDenied,      // the file is read-only, or there is no right to remove it
  kFolder,      // a folder stands there
  kStillThere,  // deleted, but it stands until another program closes it
  kOther,
};

// How a read, a write, an append, emptying a file or a rename went: why it
// failed,
// as the system said it, with the system's own code (errno, or
// GetLastError's), so that what the user reads names the cause and guesses
// nothing.
struct FileFault {
  enum Kind {
    kNone,     // it was done
    kExists,   // a new file's name is taken
    kMissing,  // nothing stands there to read
    kFull,     // no room left on the disk
    kDenied,   // read-only, or no right to write there
    kHeld,     // another program holds the file
    kFolderMissing,
    kNameTooLong,
    kInTheWay,  // something else stands at the name (a folder, a link)
    kOutOfMemory,
    kOther,
  } kind = kNone;
  uint32_t code = 0;
  bool ok() const { return kind == kNone; }
};

// How taking a file's lock went.
enum class LockResult {
  kLocked,
  kInUse,       // another process holds the lock
  kHeld,        // another program holds the file open without sharing it
  kDenied,      // the file is read-only, or there is no right to write it
  kFolder,      // a folder stands at its name
  kLink,        // a link stands at its name
  kCannotMake,  // anything else: it can be neither opened nor made (a read-only folder)
};

// How reading a small settings file went.
enum class SmallFileRead { kRead, kMissing, kNotAFile, kTooLarge, kUnreadable };

}  // namespace kanadeya::platform
