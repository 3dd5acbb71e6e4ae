// Tests on a display must never wait for a click: from this call on, a
// message box about to open on the calling thread fails the running test and
// is not opened (MessageBoxA then returns at once). Win32 only; elsewhere
// there are no message boxes and this does nothing.
#pragma once

namespace kanadeya::test {

void RefuseMessageBoxes();

// While one lives, message boxes open (for a test that reads one back from
// another thread and closes it).
class MessageBoxesAllowed {
 public:
  MessageBoxesAllowed();
  ~MessageBoxesAllowed();
  MessageBoxesAllowed(const MessageBoxesAllowed&) = delete;
  MessageBoxesAllowed& operator=(const MessageBoxesAllowed&) = delete;
};

}  // namespace kanadeya::test
