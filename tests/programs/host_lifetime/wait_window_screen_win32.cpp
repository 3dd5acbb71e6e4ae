// The wait window on a display, as a user meets it with [Window] Show=1 in
// kanadeya.ini: its layout, its counter and bar read from the window, and its
// stop button pressed with real mouse and keyboard input while a run of the
// sample codes is under way; without the key it is never seen. The plug-in's
// own code runs in this process (kanadeya.ini is read from this program's
// folder), bound to this program's host functions as the plug-in binds any
// host.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/wait_window.h"
#include "plugin/lookup_driver.h"
#include "plugin/plugin_state.h"
#include "tests/plugin/test_env.h"
#include "tests/programs/host_lifetime/sample_stage.h"
#include "tests/support/bytes.h"
#include "tests/support/message_boxes.h"

namespace hakobune_test {
namespace {

using kanadeya::test::Sjis;

struct Control {
  const char* class_name;
  int x, y, width, height;
  std::string text;
};

// The window's controls in creation (and tab) order, in client coordinates,
// as the first code of the eight shows them.
const Control kLayout[] = {
    {"Static", 20, 7, 109, 12, Sjis("しばらくお待ちください")},
    {"msctls_progress32", 16, 24, 185, 25, ""},
    {"Static", 183, 52, 18, 12, "1/8"},  // at the first of the eight codes
    {"Button", 56, 64, 105, 25, Sjis("中止(&X)")},
};
constexpr int kStopButton = 3;  // in kLayout

// The first `count` lines of `codes`.
std::string FirstLines(const std::string& codes, int count) {
  size_t end = 0;
  for (int i = 0; i < count; ++i) end = codes.find('\n', end) + 1;
  return codes.substr(0, end);
}

// Waits until the thread's queue holds a message from `first` to `last`
// (input sent to the X server comes back asynchronously); the message stays
// queued for the plug-in's message processing.
bool AwaitQueued(UINT first, UINT last) {
  for (int i = 0; i < 500; ++i) {
    MSG message;
    if (::PeekMessageA(&message, nullptr, first, last, PM_NOREMOVE)) return true;
    ::Sleep(10);
  }
  return false;
}

RECT ScreenRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

// The width of a control's text in the control's own font.
int MeasuredWidth(HWND control) {
  char text[64] = {};
  const int length = ::GetWindowTextA(control, text, sizeof text);
  SIZE extent{};
  HDC dc = ::GetDC(control);
  const HGDIOBJ old =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  ::GetTextExtentPoint32A(dc, text, length, &extent);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return extent.cx;
}

void ExpectLayout(HWND form) {
  RECT client{};
  ::GetClientRect(form, &client);
  EXPECT_EQ(client.right - client.left, 219);
  EXPECT_EQ(client.bottom - client.top, 98);
  HWND control = ::GetWindow(form, GW_CHILD);
  for (const Control& expected : kLayout) {
    SCOPED_TRACE(expected.class_name + (" " + std::to_string(expected.x)));
    ASSERT_NE(control, nullptr);
    char name[64] = {};
    ::GetClassNameA(control, name, sizeof name);
    EXPECT_EQ(::lstrcmpiA(name, expected.class_name), 0) << name;
    RECT place = ScreenRect(control);
    ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
    // The counter keeps its right edge and grows to the left to hold its
    // text; the first label keeps its left edge and is at least as wide as
    // its text measures in its font.
    const bool counter = expected.text == "1/8";
    const bool label = &expected == &kLayout[0];
    if (label) {
      EXPECT_GE(place.right - place.left, std::max(expected.width, MeasuredWidth(control)));
    } else {
      EXPECT_EQ(place.right, expected.x + expected.width);
    }
    if (counter)
      EXPECT_LE(place.left, expected.x);
    else
      EXPECT_EQ(place.left, expected.x);
    EXPECT_EQ(place.top, expected.y);
    EXPECT_EQ(place.bottom - place.top, expected.height);
    char text[64] = {};
    ::GetWindowTextA(control, text, sizeof text);
    EXPECT_BYTES_EQ(expected.text, text);
    control = ::GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_EQ(control, nullptr) << "more controls than the layout's";
}

// The stop button's centre on the screen.
POINT StopButtonCentre(HWND form) {
  HWND control = ::GetWindow(form, GW_CHILD);
  for (int i = 0; i < kStopButton && control != nullptr; ++i)
    control = ::GetWindow(control, GW_HWNDNEXT);
  const RECT rect = ScreenRect(control);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

INPUT MouseInput(POINT at, DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  // Absolute coordinates run from 0 to 65535 across the screen.
  input.mi.dx = at.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = at.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return input;
}

INPUT KeyInput(WORD key, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = flags;
  return input;
}

// The wait window's control `id` (2 the counter, 4 the bar).
HWND FormControl(int id) { return ::GetDlgItem(::FindWindowA("TfrmWait", nullptr), id); }

std::string WindowText(HWND window) {
  char text[64] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

class WaitWindowOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.show_messages = true;
    WriteSettings("[Window]\r\nShow=1\r\n");
  }

  void TearDown() override {
    ::DeleteFileA(settings_.c_str());
    ::DeleteFileA(log_.c_str());
  }

  // kanadeya.ini with `text`; the report at the end of a run is left out
  // unless `report` (on the display its message box waits for a click).
  void WriteSettings(const std::string& text, bool report = false) {
    const std::string window = text.empty() ? "[Window]\r\n" : text;  // text opens [Window]
    const std::string ini =
        window + (report ? "" : "Report=0\r\n") + "[Log]\r\nFile=" + log_ + "\r\n";
    HANDLE file = ::CreateFileA(settings_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, ini.data(), static_cast<DWORD>(ini.size()), &written, nullptr);
    ::CloseHandle(file);
  }

  std::string ReadLog() const {
    std::string log;
    kanadeya::platform::ReadWholeFile(log_, log);
    return log;
  }

  // A run of `codes`; `before` is called at the progress report before each
  // code, with the code's 1-based number, ahead of the window's messages.
  std::string Run(const std::string& codes, const std::function<void(int)>& before = {}) {
    env_.on_progress = [&before](int code, int) {
      if (before) before(code);
    };
    kanadeya::RunLookup(state_, env_, stage_.DataDir().c_str(), stage_.Output().c_str(),
                        codes.c_str());
    env_.on_progress = nullptr;
    return stage_.TakeOutput();
  }

  // The window is shown from the first code: its layout, then "2/8" and the
  // bar at 25 while code 2 of the eight is looked up. `press` presses the
  // stop button before the third: the lines of the first two codes are
  // written, and no more, and the log says where the run was stopped. The
  // next run looks up every code again.
  void StopBeforeTheThirdCode(const std::function<void(HWND form)>& press) {
    const std::string codes = stage_.Codes();
    const std::string first_two = Run(FirstLines(codes, 2));
    const std::string all = Run(codes);
    ASSERT_NE(first_two, Run(FirstLines(codes, 3))) << "the third code must add a line";
    ::DeleteFileA(log_.c_str());
    const std::string stopped = Run(codes, [&press](int code) {
      HWND form = ::FindWindowA("TfrmWait", nullptr);
      ASSERT_NE(form, nullptr);
      EXPECT_TRUE(::IsWindowVisible(form));
      if (code == 1) {
        ExpectLayout(form);
      } else if (code == 2) {
        EXPECT_EQ(WindowText(FormControl(2)), "2/8");
        EXPECT_EQ(::SendMessageA(FormControl(4), PBM_GETPOS, 0, 0), 25);
      } else if (code == 3) {
        ASSERT_EQ(::GetForegroundWindow(), form);
        press(form);
      }
    });
    EXPECT_TRUE(state_.stop_requested);
    EXPECT_BYTES_EQ(first_two, stopped);
    EXPECT_FALSE(::IsWindowVisible(::FindWindowA("TfrmWait", nullptr)));
    const std::string log = ReadLog();
    const std::string stop_line = "\t3\t" + Sjis("中止：中止ボタンで中止しました") + "\r\n";
    EXPECT_NE(log.find(stop_line), std::string::npos) << log;
    EXPECT_NE(log.find(Sjis("コード 8件中 2件\t見つかった本 2件\t書き出した本 2件")),
              std::string::npos);
    EXPECT_BYTES_EQ(all, Run(codes));
  }

  const std::string settings_ = kanadeya::platform::ModuleDirectory() + "kanadeya.ini";
  const std::string log_ = kanadeya::platform::ModuleDirectory() + "screen-test.log";
  SampleStage stage_;
  kanadeya::PluginState state_;
  kanadeya::test::TestEnv env_;  // the real host program; messages shown
};

TEST_F(WaitWindowOnScreen, StopButtonClickedWithTheMouse) {
  StopBeforeTheThirdCode([](HWND form) {
    const POINT centre = StopButtonCentre(form);
    INPUT click[] = {MouseInput(centre, MOUSEEVENTF_MOVE), MouseInput(centre, MOUSEEVENTF_LEFTDOWN),
                     MouseInput(centre, MOUSEEVENTF_LEFTUP)};
    ASSERT_EQ(::SendInput(3, click, sizeof(INPUT)), 3u);
    ASSERT_TRUE(AwaitQueued(WM_LBUTTONUP, WM_LBUTTONUP));
  });
}

TEST_F(WaitWindowOnScreen, ReportAtTheEndOfARun) {
  // The sample's two codes that give no book: the report's box, with the
  // plug-in's caption, read back and closed from another thread.
  WriteSettings("", true);
  const kanadeya::test::MessageBoxesAllowed allowed;
  std::string text;
  std::thread reader([&text] {
    for (int i = 0; i < 1000 && text.empty(); ++i) {
      HWND box = ::FindWindowA("#32770", Sjis("ISBN検索kanadeya").c_str());
      if (box != nullptr) {
        char shown[1024] = {};
        ::GetDlgItemTextA(box, 0xFFFF, shown, sizeof shown);
        text = shown;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
      ::Sleep(10);
    }
  });
  Run(stage_.Codes());
  reader.join();
  const std::string first =
      Sjis("8件中6件が見つかりました（見つからなかった本 1件、無効なコード 1件）。\r\n");
  EXPECT_BYTES_EQ(first, text.substr(0, first.size()));
  EXPECT_NE(text.find(Sjis("もう一度調べるコードの一覧：")), std::string::npos) << text;
}

TEST_F(WaitWindowOnScreen, NeverSeenWithoutTheKey) {
  WriteSettings("");
  int visible = 0;
  Run(stage_.Codes(), [&visible](int) {
    visible += ::IsWindowVisible(::FindWindowA("TfrmWait", nullptr)) ? 1 : 0;
  });
  EXPECT_EQ(visible, 0);
}

TEST_F(WaitWindowOnScreen, StopButtonPressedWithAltX) {
  StopBeforeTheThirdCode([](HWND) {
    INPUT keys[] = {KeyInput(VK_MENU, 0), KeyInput('X', 0), KeyInput('X', KEYEVENTF_KEYUP),
                    KeyInput(VK_MENU, KEYEVENTF_KEYUP)};
    ASSERT_EQ(::SendInput(4, keys, sizeof(INPUT)), 4u);
    ASSERT_TRUE(AwaitQueued(WM_SYSKEYUP, WM_SYSKEYUP));
  });
}

}  // namespace
}  // namespace hakobune_test
