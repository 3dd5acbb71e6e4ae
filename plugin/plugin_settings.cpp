#include "plugin/plugin_settings.h"

#include "platform/files.h"
#include "platform/message.h"
#include "platform/profile.h"
#include "plugin/system_texts.h"

namespace kanadeya {

namespace {

constexpr size_t kMaxBaseUrlBytes = 200;

bool AllowedInBaseUrl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b > 0x20 && b < 0x7F && c != '"' && c != '\'';
}

}  // namespace

BaseUrlFault CheckBaseUrl(std::string_view value, std::string& url) {
  size_t scheme = 0;
  for (std::string_view prefix : {std::string_view("http://"), std::string_view("https://")})
    if (value.substr(0, prefix.size()) == prefix) scheme = prefix.size();
  if (scheme == 0) return BaseUrlFault::kScheme;
  if (value.size() > kMaxBaseUrlBytes) return BaseUrlFault::kTooLong;
  for (char c : value)
    if (!AllowedInBaseUrl(c)) return BaseUrlFault::kCharacter;
  const size_t host_end = value.find_first_of("/:?#", scheme);
  if (host_end == scheme || scheme == value.size()) return BaseUrlFault::kNoHost;
  if (value.back() == '/') value.remove_suffix(1);
  url = std::string(value);
  return BaseUrlFault::kNone;
}

bool ReadPluginSettings(const std::string& folder, std::string_view built_in_url,
                        PluginSettings& settings) {
  const std::string path = folder + std::string(kPluginSettingsFileName);
  settings.site_base_url = std::string(built_in_url);
  settings.log_path.clear();
  if (!platform::FileExists(path)) return true;

  const platform::ProfileReader profile(path);
  const std::string base = profile.Read(kSiteSection, kBaseUrlKey, "");
  if (!base.empty()) {
    std::string_view said;
    switch (CheckBaseUrl(base, settings.site_base_url)) {
      case BaseUrlFault::kNone:
        break;
      case BaseUrlFault::kScheme:
        said = kBaseUrlSchemeMessage;
        break;
      case BaseUrlFault::kTooLong:
        said = kBaseUrlTooLongMessage;
        break;
      case BaseUrlFault::kCharacter:
        said = kBaseUrlCharacterMessage;
        break;
      case BaseUrlFault::kNoHost:
        said = kBaseUrlNoHostMessage;
        break;
    }
    if (!said.empty()) {
      platform::ShowErrorMessageWithPath(
          path, std::string(said) + "\r\n" + std::string(kBaseUrlNothingLookedUp));
      return false;
    }
  }
  const std::string log = profile.Read(kLogSection, kLogFileKey, "");
  if (!log.empty()) settings.log_path = platform::IsAbsolutePath(log) ? log : folder + log;
  return true;
}

}  // namespace kanadeya
