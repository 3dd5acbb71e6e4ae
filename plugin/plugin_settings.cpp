#include "plugin/plugin_settings.h"

#include "platform/paths.h"
#include "platform/profile_text.h"
#include "plugin/system_texts.h"

namespace kanadeya {

namespace {

std::string_view SettingsFileFaultText(platform::SmallFileRead read) {
  switch (read) {
    case platform::SmallFileRead::kNotAFile:
      return kSettingsNotAFileMessage;
    case platform::SmallFileRead::kTooLarge:
      return kSettingsTooLargeMessage;
    default:
      return kSettingsUnreadableMessage;
  }
}

}  // namespace

std::string ReadPluginSettings(platform::FileReader& files, const std::string& folder,
                               std::string_view built_in_url, PluginSettings& settings) {
  settings = PluginSettings{};
  settings.site_base_url = std::string(built_in_url);
  std::string bytes;
  const platform::SmallFileRead read = files.ReadSmallFile(
      folder + std::string(kPluginSettingsFileName), kMaxSettingsFileBytes, bytes);
  if (read == platform::SmallFileRead::kMissing) return {};
  if (read != platform::SmallFileRead::kRead)
    return std::string(SettingsFileFaultText(read)) + "\r\n" +
           std::string(kSettingsNothingLookedUp);
  std::string text;
  if (!SettingsText(bytes, text))
    return std::string(kSettingsEncodingMessage) + "\r\n" + std::string(kSettingsNothingLookedUp);

  auto value = [&](std::string_view section, std::string_view key) {
    return std::string(platform::FindProfileValue(text, section, key).value_or(std::string_view()));
  };
  const std::string log = value(kLogSection, kLogFileKey);
  if (!log.empty()) settings.log_path = platform::IsAbsolutePath(log) ? log : folder + log;
  settings.show_window = value(kWindowSection, kShowKey) == "1";
  settings.show_report = value(kWindowSection, kReportKey) != "0";

  const std::string base = value(kSiteSection, kBaseUrlKey);
  if (base.empty()) return {};
  size_t at = 0;
  const BaseUrlFault fault = CheckBaseUrl(base, settings.site_base_url, &at);
  if (fault == BaseUrlFault::kNone) return {};
  // The run looks nothing up; its log names the address as it was written.
  settings.site_base_url = base;
  return BaseUrlFaultMessage(fault, base, at);
}

}  // namespace kanadeya
