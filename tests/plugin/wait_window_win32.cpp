// The wait window on Win32: hidden unless asked for, its counter and bar
// following the progress report when shown, its stop button setting the stop
// request; one window at a time,
// even when runs come from different threads; and a message handler's
// floating-point failure during the progress report does not end the run.
#include <windows.h>

#include <commctrl.h>
#include <float.h>
#include <gtest/gtest.h>

#include <atomic>
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
