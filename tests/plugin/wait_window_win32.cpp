// The wait window on Win32: hidden unless asked for, its counter and bar
// following the progress report when shown, its stop button setting the stop
// request; one window at a time,
// even when runs come from different threads; its size and font at the
// display's DPI; and a message handler's floating-point failure during the
// progress report does not end the run.
#include <windows.h>

#include <commctrl.h>
#include <float.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "plugin/system_env.h"

namespace kanadeya {
namespace {

// The wait window and its controls, found from outside as another program
// would see them: the window by its class, the counter label and the bar by
// their control ids, the stop button as the window's one button.
constexpr const char* kWaitFormClass = "TfrmWait";
constexpr int kCounterId = 2;
constexpr int kBarId = 4;
constexpr int kLabelId = 3;
constexpr int kStopId = 1001;

HWND LatestWaitForm() { return ::FindWindowA(kWaitFormClass, nullptr); }

std::string CounterText(HWND form) {
  char text[32] = {};
  ::GetWindowTextA(::GetDlgItem(form, kCounterId), text, sizeof text);
  return text;
}

HWND StopButton(HWND form) { return ::FindWindowExA(form, nullptr, "Button", nullptr); }

// A click on the stop button: pressed and released, it tells its window.
void ClickStop(HWND form) { ::SendMessageA(StopButton(form), BM_CLICK, 0, 0); }

TEST(WaitWindow, ShownOnlyWhenAskedItCountsAndStopSetsTheRequest) {
  for (const bool show : {false, true}) {
    SCOPED_TRACE(show ? "shown" : "hidden");
    SystemEnv env;
    bool stop_requested = false;
    env.CreateWaitWindow(show, stop_requested);
    HWND form = LatestWaitForm();
    ASSERT_NE(form, nullptr) << "no wait window: no display?";
    ASSERT_FALSE(CounterText(form).empty());
    ASSERT_NE(StopButton(form), nullptr);
    env.ReportProgress(1, 3);
    env.ReportProgress(2, 3);
    EXPECT_EQ(show, ::IsWindowVisible(form) != FALSE);
    EXPECT_EQ(CounterText(form), show ? "2/3" : "-/-");
    EXPECT_EQ(::SendMessageA(::GetDlgItem(form, kBarId), PBM_GETPOS, 0, 0), show ? 66 : 0);
    ClickStop(form);
    env.ReportProgress(0, 0);
    EXPECT_TRUE(stop_requested);
    EXPECT_FALSE(::IsWindowVisible(form));
    env.HideWaitWindow();
  }
}

// The window at the display's DPI. A run of this program in a Wine prefix
// at another DPI passes the client size it expects in KANADEYA_WAIT_CLIENT
// ("329x147" at 144 DPI); without it, the size at 96 DPI. The controls'
// places and the font grow by as much, give or take a pixel of rounding; the
// label's right edge is left out, as it grows to hold its text.
TEST(WaitWindow, SizedForTheDisplaysDpi) {
  int width = 219, height = 98;
  if (const char* expected = std::getenv("KANADEYA_WAIT_CLIENT")) {
    ASSERT_EQ(std::sscanf(expected, "%dx%d", &width, &height), 2) << expected;
  }
  SystemEnv env;
  bool stop_requested = false;
  env.CreateWaitWindow(false, stop_requested);
  HWND form = LatestWaitForm();
  ASSERT_NE(form, nullptr) << "no wait window: no display?";
  RECT client{};
  ::GetClientRect(form, &client);
  EXPECT_EQ(client.right, width);
  EXPECT_EQ(client.bottom, height);
  const double scale = width / 219.0;
  const struct {
    int id;
    RECT at_96;  // a right edge of -1 is not checked
  } controls[] = {{kLabelId, {20, 7, -1, 19}},
                  {kBarId, {16, 24, 201, 49}},
                  {kCounterId, {183, 52, 201, 64}},
                  {kStopId, {56, 64, 161, 89}}};
  for (const auto& control : controls) {
    SCOPED_TRACE(control.id);
    RECT place{};
    ::GetWindowRect(::GetDlgItem(form, control.id), &place);
    ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_NEAR(place.left, control.at_96.left * scale, 1);
    EXPECT_NEAR(place.top, control.at_96.top * scale, 1);
    if (control.at_96.right >= 0) {
      EXPECT_NEAR(place.right, control.at_96.right * scale, 1);
    }
    EXPECT_NEAR(place.bottom, control.at_96.bottom * scale, 1);
  }
  LOGFONTA font{};
  ::GetObjectA(reinterpret_cast<HFONT>(::SendDlgItemMessageA(form, kLabelId, WM_GETFONT, 0, 0)),
               sizeof font, &font);
  EXPECT_NEAR(-font.lfHeight, 12 * scale, 1);
}

// A run on one thread, the next on another: the first thread's window cannot
// be destroyed from the second, so it is asked to close and goes when its
// own thread next processes messages.
TEST(WaitWindow, TheWindowOfARunOnAnotherThreadGoesWhenTheNextRunMakesItsOwn) {
  std::atomic<HWND> earlier{nullptr};
  std::atomic<bool> made{false}, gone{false};
  bool stop_requested = false;
  std::thread other([&] {
    SystemEnv env;
    env.CreateWaitWindow(false, stop_requested);
    earlier = LatestWaitForm();
    made = true;
    for (int wait = 0; wait < 500 && ::IsWindow(earlier); ++wait) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      MSG message;
      while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
    }
    gone = !::IsWindow(earlier);
  });
  while (!made) ::Sleep(1);
  EXPECT_NE(::GetWindowThreadProcessId(earlier, nullptr), ::GetCurrentThreadId());
  SystemEnv env;
  env.CreateWaitWindow(false, stop_requested);
  other.join();
  EXPECT_TRUE(gone);
  HWND latest = LatestWaitForm();
  EXPECT_NE(latest, nullptr);
  EXPECT_NE(latest, earlier.load());
}

volatile double g_zero = 0.0;
volatile double g_result = 0.0;

LRESULT CALLBACK FailingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    g_result = g_zero / g_zero;  // invalid operation
    return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

TEST(WaitWindow, FloatingPointFailureInAHandlerIsSwallowedAndTheMaskRestored) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = FailingProc;
  window_class.hInstance = ::GetModuleHandleA(nullptr);
  window_class.lpszClassName = "KanadeyaFailingWindow";
  ::RegisterClassA(&window_class);
  HWND window = ::CreateWindowA("KanadeyaFailingWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                window_class.hInstance, nullptr);
  if (window == nullptr) GTEST_SKIP() << "no message window here";

  // The caller runs with invalid operations unmasked.
  const unsigned int original = _controlfp(0, 0);
  _clearfp();
  _controlfp(original & ~static_cast<unsigned int>(_EM_INVALID), _MCW_EM);
  const unsigned int callers = _controlfp(0, 0);

  ::PostMessageA(window, WM_APP, 0, 0);
  SystemEnv().ReportProgress(1, 1);  // would raise without the mask

  EXPECT_EQ(_controlfp(0, 0) & _MCW_EM, callers & _MCW_EM);
  EXPECT_NE(g_result, g_result);  // NaN: the handler ran
  _clearfp();
  _controlfp(original, _MCW_EM);
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace kanadeya
