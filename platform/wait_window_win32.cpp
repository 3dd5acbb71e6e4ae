// The wait window "TfrmWait", made with the Win32 API: a label, a progress
// bar, a counter label and a stop button with a red cross. It is created
// hidden for each run, in place of the previous run's window, and shown only
// when the user's settings ask for it, so that a host
// that keeps the library loaded for days holds one window, not one per run;
// closing it only hides it. At library unload the window is destroyed and
// its class unregistered (ReleaseWaitForm, called from DllMain).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/wait_window.h"

namespace kanadeya::platform {

namespace {

constexpr const char* kClassName = "TfrmWait";
constexpr int kStopButtonId = 1001;
// しばらくお待ちください / 中止(&X) / ＭＳ Ｐゴシック
constexpr const char* kWaitCaption =
    "\x82\xb5\x82\xce\x82\xe7\x82\xad\x82\xa8\x91\xd2\x82\xbf\x82\xad\x82\xbe\x82\xb3\x82\xa2";
constexpr const char* kStopCaption = "\x92\x86\x8e\x7e(&X)";
constexpr const char* kFontName = "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

struct WaitForm {
  HWND window = nullptr;
  HWND bar = nullptr;
  HWND counter = nullptr;
  HWND stop = nullptr;
};

struct Resources {
  int dpi = 96;  // the dots per inch that the font and the cross are made for
  HFONT font = nullptr;
  HBITMAP cross = nullptr;
  int cross_size = 16;  // its width and height, in pixels
  HBRUSH white = nullptr;
  bool registered = false;
  WaitForm form;  // the latest run's window; none before the first
};

Resources& State() {
  static Resources resources;
  return resources;
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&State), &module);
  return module;
}

// The layout is given at 96 dots per inch; `pixels` at `dpi`.
int Scaled(int pixels, int dpi) { return ::MulDiv(pixels, dpi, 96); }

// The dots per inch that `window` is drawn at: GetDpiForWindow's answer
// where user32 has it (looked up here, since older Windows lack it), else
// the screen's LOGPIXELSY; 96 when neither answers. Windows tells a program
// that declares no DPI awareness 96 and stretches its windows itself.
int WindowDpi(HWND window) {
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto dpi_for_window = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (dpi_for_window != nullptr) {
    const UINT dpi = dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  int dpi = 0;
  if (HDC screen = ::GetDC(nullptr)) {
    dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? dpi : 96;
}

// A `size` x `size` bitmap of 24-bit colour: a red diagonal cross on white,
// at 16 pixels two pixels thick from x = 3 to 12, and as much larger at a
// larger size.
HBITMAP MakeCrossBitmap(int size) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return bitmap;
  auto* pixels = static_cast<BYTE*>(bits);
  const int stride = (size * 3 + 3) & ~3;  // rows start on 4-byte boundaries
  const int thick = ::MulDiv(2, size, 16);
  const int first = ::MulDiv(3, size, 16);
  const int last = ::MulDiv(12, size, 16);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      BYTE* p = pixels + y * stride + x * 3;
      const int down = x - y;
      const int up = x + y - (size - 1);
      const bool on_cross =
          x >= first && x <= last && ((down >= 0 && down < thick) || (up >= 0 && up < thick));
      p[0] = on_cross ? 0x00 : 0xFF;  // blue
      p[1] = on_cross ? 0x00 : 0xFF;  // green
      p[2] = 0xFF;                    // red
    }
  return bitmap;
}

// The font and the cross for `dpi`, made anew when the DPI changed.
void MakeDrawingObjects(Resources& state, int dpi) {
  if (state.dpi != dpi) {
    if (state.font != nullptr) ::DeleteObject(state.font);
    if (state.cross != nullptr) ::DeleteObject(state.cross);
    state.font = nullptr;
    state.cross = nullptr;
    state.dpi = dpi;
  }
  if (state.font == nullptr)
    state.font = ::CreateFontA(-Scaled(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontName);
  state.cross_size = Scaled(16, dpi);
  if (state.cross == nullptr) state.cross = MakeCrossBitmap(state.cross_size);
  if (state.white == nullptr) state.white = ::CreateSolidBrush(RGB(255, 255, 255));
}

void DrawStopButton(const DRAWITEMSTRUCT& item) {
  RECT rect = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  ::DrawFrameControl(item.hDC, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  char caption[64] = {};
  ::GetWindowTextA(item.hwndItem, caption, sizeof caption);
  SIZE text{};
  ::SelectObject(item.hDC, State().font);
  ::GetTextExtentPoint32A(item.hDC, caption, lstrlenA(caption) - 1, &text);
  // The cross, a gap of a quarter of its size, then the caption.
  const int cross = State().cross_size;
  const int total = cross + cross / 4 + text.cx;
  const int left = rect.left + (rect.right - rect.left - total) / 2;
  const int top = rect.top + (rect.bottom - rect.top - cross) / 2;
  if (State().cross != nullptr) {
    HDC memory = ::CreateCompatibleDC(item.hDC);
    HGDIOBJ old = ::SelectObject(memory, State().cross);
    // White, the colour of the lower-left pixel, is drawn transparent.
    ::TransparentBlt(item.hDC, left, top, cross, cross, memory, 0, 0, cross, cross,
                     RGB(255, 255, 255));
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }
  RECT text_rect{left + cross + cross / 4, rect.top, rect.right, rect.bottom};
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::DrawTextA(item.hDC, caption, -1, &text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CALLBACK WaitFormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      ::SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(
                              reinterpret_cast<const CREATESTRUCTA*>(lparam)->lpCreateParams));
      break;
    case WM_COMMAND:
      if (LOWORD(wparam) == kStopButtonId && HIWORD(wparam) == BN_CLICKED) {
        // BtnStopClick: the stop request, then the window closes. The run's
        // stop request came with the window's creation.
        auto* stop_requested = reinterpret_cast<bool*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (stop_requested != nullptr) *stop_requested = true;
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_CLOSE:
      // FormClose: let pending messages run, then only hide the window.
      ProcessPendingMessages();
      ::ShowWindow(window, SW_HIDE);
      return 0;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      ::SetBkColor(dc, RGB(255, 255, 255));
      const bool is_counter = ::GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == 2;
      ::SetTextColor(dc, is_counter ? ::GetSysColor(COLOR_WINDOWTEXT) : RGB(0, 0, 128));
      return reinterpret_cast<LRESULT>(State().white);
    }
    case WM_DRAWITEM:
      if (wparam == kStopButtonId) {
        DrawStopButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
      }
      break;
    case WM_SYSCHAR:
      if (wparam == 'x' || wparam == 'X') {  // Alt+X presses the stop button
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(kStopButtonId, BN_CLICKED), 0);
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

bool RegisterFormClass() {
  bool& registered = State().registered;
  if (registered) return true;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  WNDCLASSEXA form_class{};
  form_class.cbSize = sizeof form_class;
  form_class.lpfnWndProc = WaitFormProc;
  form_class.hInstance = ThisModule();
  form_class.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  form_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  form_class.lpszClassName = kClassName;
  registered =
      ::RegisterClassExA(&form_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return registered;
}

HWND Child(HWND parent, const char* control_class, const char* text, DWORD style, int x, int y,
           int width, int height, int id) {
  HWND child = ::CreateWindowExA(0, control_class, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                 height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ThisModule(), nullptr);
  if (child != nullptr)
    ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(State().font), 0);
  return child;
}

// How wide `text` is in the window's font, in pixels.
int TextWidth(HWND window, const std::string& text) {
  SIZE extent{};
  if (HDC dc = ::GetDC(window)) {
    const HGDIOBJ old = ::SelectObject(dc, State().font);
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
  }
  return extent.cx;
}

// Every floating-point exception masked while it lives, on the x87 unit and
// on SSE; then the caller's control words exactly as they were, its pending
// exception flags cleared. The two units are saved each by itself: a host may
// unmask exceptions on the x87 unit only (control word 0x1332), and
// _controlfp, which reports both units as one, would give it back both
// masked.
class FloatingPointMasked {
 public:
  FloatingPointMasked() {
    asm volatile("fnstcw %0" : "=m"(x87_));
    const uint16_t all_masked = x87_ | 0x3F;
    asm volatile("fnclex\n\tfldcw %0" : : "m"(all_masked));
    if (kHasSse) {
      asm volatile("stmxcsr %0" : "=m"(sse_));
      const uint32_t all_masked_sse = sse_ | 0x1F80;
      asm volatile("ldmxcsr %0" : : "m"(all_masked_sse));
    }
  }
  ~FloatingPointMasked() {
    asm volatile("fnclex\n\tfldcw %0" : : "m"(x87_));
    if (kHasSse) {
      const uint32_t flags_cleared = sse_ & ~0x3Fu;
      asm volatile("ldmxcsr %0" : : "m"(flags_cleared));
    }
  }
  FloatingPointMasked(const FloatingPointMasked&) = delete;
  FloatingPointMasked& operator=(const FloatingPointMasked&) = delete;

 private:
  static inline const bool kHasSse =
      ::IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) != FALSE;
  uint16_t x87_ = 0;
  uint32_t sse_ = 0;
};

// Destroys the window, at once when it belongs to the calling thread. A window
// of another thread cannot be destroyed from here: it is handed the default
// window procedure (nothing of it points into this library any more) and
// asked to close, which the default procedure answers by destroying it when
// its own thread next processes messages.
void DestroyForm(HWND window) {
  if (window == nullptr || !::IsWindow(window)) return;
  if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
    ::DestroyWindow(window);
    return;
  }
  ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcA));
  ::PostMessageA(window, WM_CLOSE, 0, 0);
}

}  // namespace

bool CreateWaitForm(bool& stop_requested) {
  Resources& state = State();
  DestroyForm(state.form.window);
  state.form = WaitForm{};
  if (!RegisterFormClass()) return false;

  // A single fixed border, a caption bar without text or icons, always on
  // top. Made first, hidden, to learn the DPI it is drawn at; then sized and
  // centred on the screen.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_TOPMOST | WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
  HWND window = ::CreateWindowExA(ex_style, kClassName, "", style, 0, 0, 0, 0, nullptr, nullptr,
                                  ThisModule(), &stop_requested);
  if (window == nullptr) return false;
  const int dpi = WindowDpi(window);
  MakeDrawingObjects(state, dpi);
  // The layout below is in pixels at 96 DPI: a client area of 219 x 98.
  const auto at_dpi = [dpi](int pixels) { return Scaled(pixels, dpi); };
  RECT frame{0, 0, at_dpi(219), at_dpi(98)};
  ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(window, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);

  const auto scaled_child = [&](const char* control_class, const char* text, DWORD child_style,
                                int x, int y, int child_width, int child_height, int id) {
    return Child(window, control_class, text, child_style, at_dpi(x), at_dpi(y),
                 at_dpi(child_width), at_dpi(child_height), id);
  };
  WaitForm form;
  form.window = window;
  // The label holds its whole text, however wide the font draws it.
  const int label_width = std::max(at_dpi(109), TextWidth(window, kWaitCaption));
  Child(window, "STATIC", kWaitCaption, SS_LEFT, at_dpi(20), at_dpi(7), label_width, at_dpi(12), 3);
  form.bar = scaled_child(PROGRESS_CLASSA, "", WS_TABSTOP, 16, 24, 185, 25, 4);
  if (form.bar != nullptr) ::SendMessageA(form.bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  form.counter = scaled_child("STATIC", "-/-", SS_RIGHT, 183, 52, 18, 12, 2);
  form.stop = scaled_child("BUTTON", kStopCaption, BS_OWNERDRAW | WS_TABSTOP, 56, 64, 105, 25,
                           kStopButtonId);
  state.form = form;
  return true;
}

void ProcessPendingMessages() {
  // A message handler's floating-point failure must not end the run: mask
  // the exceptions meanwhile and give the caller its own settings back.
  const FloatingPointMasked masked;
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    const HWND form = State().form.window;
    if (form == nullptr || !::IsDialogMessageA(form, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

void ShowWaitForm() {
  const WaitForm& form = State().form;
  if (form.window == nullptr) return;
  ::ShowWindow(form.window, SW_SHOWNORMAL);
  ::SetForegroundWindow(form.window);
  ::SetActiveWindow(form.window);
  ::SetFocus(form.stop);
  ::UpdateWindow(form.window);
}

void SetWaitFormProgress(int current, int count) {
  const WaitForm& form = State().form;
  if (form.window == nullptr || count <= 0) return;
  const std::string text = std::to_string(current) + "/" + std::to_string(count);
  // The counter keeps its right edge and grows to the left to hold its
  // text, as a right-aligned label that sizes itself does.
  RECT place{};
  ::GetWindowRect(form.counter, &place);
  ::MapWindowPoints(nullptr, form.window, reinterpret_cast<POINT*>(&place), 2);
  const int width =
      std::max(TextWidth(form.counter, text), static_cast<int>(place.right - place.left));
  ::SetWindowPos(form.counter, nullptr, place.right - width, place.top, width,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowTextA(form.counter, text.c_str());
  const int percent = static_cast<int>(static_cast<long long>(current) * 100 / count);
  ::SendMessageA(form.bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  ::UpdateWindow(form.window);
}

void HideWaitForm() {
  if (State().form.window != nullptr) ::ShowWindow(State().form.window, SW_HIDE);
}

void ReleaseWaitForm() noexcept {
  Resources& state = State();
  const HWND window = state.form.window;
  DestroyForm(window);
  state.form = WaitForm{};
  if (state.registered && !::UnregisterClassA(kClassName, ThisModule()) && window != nullptr &&
      ::IsWindow(window))
    // Still alive on another thread: the class too forgets this library.
    ::SetClassLongPtrA(window, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcA));
  state.registered = false;
  if (state.font != nullptr) ::DeleteObject(state.font);
  if (state.cross != nullptr) ::DeleteObject(state.cross);
  if (state.white != nullptr) ::DeleteObject(state.white);
  state.font = nullptr;
  state.cross = nullptr;
  state.white = nullptr;
}

}  // namespace kanadeya::platform
