// The plug-in's identity, as funcGetInfo reports it to the host.
#pragma once

#include <cstdint>

namespace kanadeya {

// Copies each of the five identity texts into its buffer, cut to its first
// (size - 1) bytes (bytes, not characters) and followed by a zero byte. Only
// the low 16 bits of `size` count. A size of 0 writes nothing; a null buffer
// is passed over.
void WritePluginInfo(char* entry_name, char* display_name, char* author, char* version, char* fifth,
                     uint32_t size);

}  // namespace kanadeya
