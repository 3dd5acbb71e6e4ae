#include "plugin/plugin_settings.h"

#include "platform/paths.h"
#include "platform/profile_text.h"
#include "plugin/system_texts.h"

namespace kanadeya {

SettingsFault ReadPluginSettings(platform::FileReader& files, const std::string& folder,
                                 std::string_view built_in_url, PluginSettings& settings) {
  settings = PluginSettings{};
  settings.site_base_url = std::string(built_in_url);
  std::string bytes;
  switch (files.ReadSmallFile(folder + std::string(kPluginSettingsFileName), kMaxSettingsFileBytes,
                              bytes)) {
    case platform::SmallFileRead::kRead:
      break;
    case platform::SmallFileRead::kMissing:
      return {};
    case platform::SmallFileRead::kNotAFile:
      return {SettingsFault::kNotAFile};
    case platform::SmallFileRead::kTooLarge:
      return {SettingsFault::kTooLarge};
    case platform::SmallFileRead::kUnreadable:
      return {SettingsFault::kUnreadable};
  }
  std::string text;
  if (!SettingsText(bytes, text)) return {SettingsFault::kEncoding};

  auto value = [&](std::string_view section, std::string_view key) {
    return std::string(platform::FindProfileValue(text, section, key).value_or(std::string_view()));
  };
  const std::string log = value(kLogSection, kLogFileKey);
  if (!log.empty()) settings.log_path = platform::IsAbsolutePath(log) ? log : folder + log;
  settings.show_window = value(kWindowSection, kShowKey) == "1";
  settings.show_report = value(kWindowSection, kReportKey) != "0";

  const std::string base = value(kSiteSection, kBaseUrlKey);
  if (base.empty()) return {};
  SettingsFault fault{SettingsFault::kBaseUrl};
  fault.base_url = CheckBaseUrl(base, settings.site_base_url, &fault.at);
  if (fault.base_url == BaseUrlFault::kNone) return {};
  // The run looks nothing up; its log names the address as it was written.
  settings.site_base_url = base;
  return fault;
}

namespace {

// What is wrong with the file: for all but BaseUrl.
std::string_view FileFaultText(SettingsFault::Kind kind) {
  switch (kind) {
    case SettingsFault::kNotAFile:
      return kSettingsNotAFileMessage;
    case SettingsFault::kTooLarge:
      return kSettingsTooLargeMessage;
    case SettingsFault::kEncoding:
      return kSettingsEncodingMessage;
    default:
      return kSettingsUnreadableMessage;
  }
}

}  // namespace

std::string SettingsFaultMessage(const SettingsFault& fault, const PluginSettings& settings) {
  if (fault.kind == SettingsFault::kNone) return {};
  if (fault.kind == SettingsFault::kBaseUrl)
    return BaseUrlFaultMessage(fault.base_url, settings.site_base_url, fault.at);
  return std::string(FileFaultText(fault.kind)) + "\r\n" + std::string(kSettingsNothingLookedUp);
}

std::string SettingsFaultLogText(const SettingsFault& fault, const PluginSettings& settings) {
  if (fault.kind == SettingsFault::kNone) return {};
  if (fault.kind == SettingsFault::kBaseUrl)
    return BaseUrlFaultLine(fault.base_url, settings.site_base_url, fault.at);
  return std::string(FileFaultText(fault.kind));
}

}  // namespace kanadeya
