// The plug-in library's entry point. Only unloading by FreeLibrary does
// anything: the wait window and its class go, since both would keep a
// window procedure that points into the unloaded library. At process exit
// (`reserved` not null) the system takes everything down itself, and other
// threads are already gone, so nothing is touched. Built into kanadeya.dll
// only.
#include <windows.h>

#include "platform/wait_window.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) kanadeya::platform::ReleaseWaitForm();
  return TRUE;
}
