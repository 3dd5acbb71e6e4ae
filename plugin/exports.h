// The plug-in's C interface, as the host program calls it.
//
// Conventions, for both functions:
// - Every text is a zero-terminated byte string in code page 932.
// - The host owns every buffer and every text it passes; the plug-in keeps no
//   pointer to them after it returns.
// - On 32-bit Windows both are stdcall (the callee removes the arguments) and
//   exported undecorated; elsewhere they use the C calling convention.
// - Neither returns a value, and no C++ exception leaves either of them.
#pragma once

#include <cstdint>

#include "platform/calling_convention.h"

#if defined(_WIN32)
#define KANADEYA_EXPORT extern "C"
#else
#define KANADEYA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Writes the five identity texts, each cut to (size - 1) bytes plus a zero
// byte: the entry point's name, the display name, the author credit, the
// version and the fifth text. Only the low 16 bits of `size` count; with a
// size of 0 nothing is written. `unused` is ignored.
KANADEYA_EXPORT void KANADEYA_STDCALL funcGetInfo(int32_t unused, char* entry_name,
                                                  char* display_name, char* author, char* version,
                                                  char* fifth, int32_t size);

// Looks up every code of `codes` (one per line) and writes the books found to
// `output_file`. `data_dir` ends with a path separator. `codes` may be null.
KANADEYA_EXPORT void KANADEYA_STDCALL DownlaodFunc(const char* data_dir, const char* output_file,
                                                   const char* codes);
