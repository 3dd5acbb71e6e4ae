// The commands of the hakobune program. Each takes the arguments that follow
// its name and returns the program's exit status: 0 done, 1 failed (one line
// on standard error says why), 2 a usage error (with the usage message).
#pragma once

#include <string>

namespace hakobune {

// hakobune info [--size N]: the five texts funcGetInfo gives, in UTF-8.
int InfoCommand(int argc, char** argv);

// hakobune lookup ...: one DownlaodFunc run with this program as the host.
int LookupCommand(int argc, char** argv);

// hakobune show FILE: an import file's lines, column by column, in UTF-8.
int ShowCommand(int argc, char** argv);

// Prints "hakobune: " + why and the usage message on standard error; 2.
int UsageError(const std::string& why);

// The usage message.
extern const char* const kUsage;

}  // namespace hakobune
