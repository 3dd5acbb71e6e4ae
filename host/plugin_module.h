// Loading the plug-in library into the stand-in host program.
#pragma once

#include <string>

namespace hakobune {

// The plug-in's file name on this platform: "libkanadeya.so" or "kanadeya.dll".
const char* PluginFileName();

// The folder of the running program, with a trailing separator.
std::string ProgramDirectory();

// Loads the library at `path`; null on failure, with `error` saying why.
void* LoadPluginModule(const std::string& path, std::string& error);

// The exported function `name`, or null.
void* PluginSymbol(void* module, const char* name);

void UnloadPluginModule(void* module);

}  // namespace hakobune
