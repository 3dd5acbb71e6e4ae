// The calling convention of the functions that the host program and the
// plug-in call across each other: stdcall on 32-bit Windows (the callee
// removes the arguments), the platform's own elsewhere.
#pragma once

#if defined(_WIN32)
#define KANADEYA_STDCALL __stdcall
#else
#define KANADEYA_STDCALL
#endif
