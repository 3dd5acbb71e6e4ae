#include "host/utf8.h"

namespace hakobune {

std::string DisplayPath(std::string_view path) { return ToUtf8(path); }

std::string ArgumentToAnsi(std::string_view argument) { return std::string(argument); }

}  // namespace hakobune
