// The Japanese text mappings as the system calls under the user's locale.
// Lengths are passed explicitly, so zero bytes inside a text are mapped like
// any other character. When a call fails, the text comes back unchanged.
#include <windows.h>

#include <climits>

#include "platform/text_mapping.h"

namespace kanadeya::platform {

namespace {

// Texts longer than this are not handed to the system (its lengths are int).
constexpr size_t kMaxLength = INT_MAX / 4;

}  // namespace

// The text with its zero byte, mapped into a buffer of the size that the
// first call asks for, so that nothing is cut whatever the length.
std::string AnsiHalfWidth(std::string_view text) {
  const std::string source(text.substr(0, text.find('\0')));
  if (source.size() > kMaxLength) return source;
  const LCID locale = ::GetUserDefaultLCID();
  const int source_length = static_cast<int>(source.size()) + 1;
  const int needed =
      ::LCMapStringA(locale, LCMAP_HALFWIDTH, source.c_str(), source_length, nullptr, 0);
  if (needed <= 0) return source;
  std::string mapped(static_cast<size_t>(needed), '\0');
  if (::LCMapStringA(locale, LCMAP_HALFWIDTH, source.c_str(), source_length, mapped.data(),
                     needed) <= 0)
    return source;
  if (const size_t end = mapped.find('\0'); end != std::string::npos) mapped.resize(end);
  return mapped;
}

std::string AnsiUpperCase(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out.size() <= kMaxLength)
    ::CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

std::u16string AnsiToWide(std::string_view text) {
  if (text.empty() || text.size() > kMaxLength) return {};
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::u16string out(static_cast<size_t>(needed), u'\0');
  const int got = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length,
                                        reinterpret_cast<wchar_t*>(out.data()), needed);
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  if (text.empty() || text.size() > kMaxLength) return {};
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = ::WideCharToMultiByte(CP_ACP, 0, source, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<size_t>(needed), '\0');
  const int got =
      ::WideCharToMultiByte(CP_ACP, 0, source, length, out.data(), needed, nullptr, nullptr);
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}

std::optional<std::string> WideToAnsiExactly(std::u16string_view text) {
  if (text.empty()) return std::string();
  if (text.size() > kMaxLength) return std::nullopt;
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  BOOL used_default = FALSE;
  const int needed = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, source, length, nullptr, 0,
                                           nullptr, &used_default);
  if (needed <= 0 || used_default) return std::nullopt;
  std::string out(static_cast<size_t>(needed), '\0');
  const int got = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, source, length, out.data(),
                                        needed, nullptr, &used_default);
  if (got != needed || used_default || AnsiToWide(out) != text) return std::nullopt;
  return out;
}

// The text with its terminating zero, so the first call gives the result's
// length with that zero; the result leaves it out.
std::u16string MapWideText(std::u16string_view text, uint32_t flags) {
  if (text.size() > kMaxLength) return std::u16string(text);
  const std::u16string source(text);
  const auto* from = reinterpret_cast<const wchar_t*>(source.c_str());
  const int source_length = static_cast<int>(source.size()) + 1;
  const int needed = ::LCMapStringW(LOCALE_USER_DEFAULT, flags, from, source_length, nullptr, 0);
  if (needed <= 0) return source;
  std::u16string mapped(static_cast<size_t>(needed), u'\0');
  const int got = ::LCMapStringW(LOCALE_USER_DEFAULT, flags, from, source_length,
                                 reinterpret_cast<wchar_t*>(mapped.data()), needed);
  if (got <= 0) return source;
  mapped.resize(static_cast<size_t>(got) - 1);
  return mapped;
}

int CompareAnsiIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() <= kMaxLength && b.size() <= kMaxLength) {
    switch (::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                             static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()))) {
      case CSTR_LESS_THAN:
        return -1;
      case CSTR_EQUAL:
        return 0;
      case CSTR_GREATER_THAN:
        return 1;
      default:
        break;
    }
  }
  // The call failed: the bytes decide, which is at least a consistent order.
  const int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace kanadeya::platform
