#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/message_boxes.h"

namespace kanadeya::test {

namespace {

bool allowed = false;

// A message box is a dialog of the system's dialog class "#32770".
LRESULT CALLBACK RefuseDialogs(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    char name[16] = {};
    ::GetClassNameA(reinterpret_cast<HWND>(wparam), name, sizeof name);
    if (!allowed && std::strcmp(name, "#32770") == 0) {
      ADD_FAILURE() << "a message box was about to open and wait for a click";
      return 1;  // not created
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

MessageBoxesAllowed::MessageBoxesAllowed() { allowed = true; }
MessageBoxesAllowed::~MessageBoxesAllowed() { allowed = false; }

void RefuseMessageBoxes() {
  ::SetWindowsHookExA(WH_CBT, &RefuseDialogs, nullptr, ::GetCurrentThreadId());
}

}  // namespace kanadeya::test
