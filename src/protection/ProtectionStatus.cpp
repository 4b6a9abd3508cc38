#include "protection/ProtectionStatus.h"

#include "platform/Bundle.h"
#include "platform/DateFormat.h"
#include "platform/MacPaths.h"
#include "platform/Paths.h"

#include <cctype>
#include <cerrno>

namespace scanbrook::protection {

namespace {

constexpr std::string_view kVersionKey = "CFBundleShortVersionString";
constexpr std::string_view kLaunchLabel = "launch scans:";
constexpr std::string_view kBackgroundLabel = "background scans:";

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<ScanSetting> settingOf(std::string_view value) {
    if (value == "enabled") {
        return ScanSetting::Enabled;
    }
    if (value == "disabled") {
        return ScanSetting::Disabled;
    }
    return std::nullopt;
}

std::optional<DataCopy> readDataCopy(std::string_view macPath) {
    const std::string path = platform::platformPath(macPath);
    const auto modified = platform::bundleModificationTime(path);
    if (!modified) {
        return std::nullopt;
    }
    DataCopy copy;
    copy.modified = modified;
    if (const auto info = platform::bundleInfoDictionary(path)) {
        if (const auto version = info->find(kVersionKey); version != info->end()) {
            copy.version = version->second;
        }
    }
    return copy;
}

std::string copyWords(const std::optional<DataCopy>& copy) {
    if (!copy) {
        return "absent";
    }
    std::string words = copy->version.value_or("no version");
    if (copy->modified) {
        words += ", modified " + platform::formatDate(*copy->modified, "yyyy-MM-dd'T'HH:mm:ss'Z'",
                                                      "en_US_POSIX", "GMT");
    }
    return words;
}

} // namespace

std::optional<bool> dataVersionsDiffer(const ProtectionStatus& status) {
    if (!status.active || !status.legacy || !status.active->version || !status.legacy->version) {
        return std::nullopt;
    }
    return *status.active->version != *status.legacy->version;
}

std::string_view settingName(ScanSetting setting) {
    switch (setting) {
    case ScanSetting::Enabled:
        return "enabled";
    case ScanSetting::Disabled:
        return "disabled";
    case ScanSetting::Unknown:
        break;
    }
    return "unknown";
}

std::vector<Note> protectionNotes(const ProtectionStatus& status) {
    std::vector<Note> notes;
    if (status.scans.backgroundScans == ScanSetting::Disabled) {
        notes.push_back({"background_scans_disabled",
                         "XProtect's background scans are disabled: nothing looks for malware "
                         "that is already on this Mac"});
    }
    if (status.scans.launchScans == ScanSetting::Disabled) {
        notes.push_back({"launch_scans_disabled",
                         "XProtect's launch scans are disabled: apps are not checked for "
                         "malware when they open"});
    }
    if (dataVersionsDiffer(status).value_or(false)) {
        notes.push_back({"data_versions_differ",
                         "XProtect's data copies differ: version " + *status.active->version +
                             " in use, " + *status.legacy->version +
                             " from Software Update (checks that read only the older location "
                             "see the latter)"});
    }
    return notes;
}

ScanSettings parseXProtectStatus(const platform::CommandResult& result) {
    ScanSettings settings;
    if (!result.started()) {
        settings.unknownBecause = result.startError == ENOENT
                                      ? "there is no xprotect tool (macOS 14 and earlier have none)"
                                      : result.startFailureText();
        return settings;
    }
    if (result.timedOut) {
        settings.unknownBecause = "xprotect status did not answer within " +
                                  std::to_string(kXProtectToolLimit.count() / 1000) + " seconds";
        return settings;
    }
    if (result.ending == platform::CommandResult::Ending::Signalled) {
        settings.unknownBecause =
            "xprotect status was ended by signal " + std::to_string(result.status);
        return settings;
    }
    if (result.status != 0) {
        settings.unknownBecause =
            "xprotect status exited with status " + std::to_string(result.status);
        return settings;
    }
    std::string_view rest = result.output;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string line = lowered(trimmed(rest.substr(0, end)));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        for (const auto& [label, setting] :
             {std::pair{kLaunchLabel, &settings.launchScans},
              std::pair{kBackgroundLabel, &settings.backgroundScans}}) {
            if (line.starts_with(label)) {
                if (const auto value =
                        settingOf(trimmed(std::string_view(line).substr(label.size())))) {
                    *setting = *value;
                }
            }
        }
    }
    if (settings.launchScans == ScanSetting::Unknown ||
        settings.backgroundScans == ScanSetting::Unknown) {
        settings.unknownBecause = "xprotect status did not say it in the expected form";
    }
    return settings;
}

std::optional<std::string> installedRemediatorVersion() {
    const auto info = platform::bundleInfoDictionary(platform::platformPath(mac::kXProtectBundle));
    if (!info) {
        return std::nullopt;
    }
    const auto version = info->find(kVersionKey);
    return version != info->end() ? std::optional<std::string>(version->second) : std::nullopt;
}

ProtectionStatus readProtectionStatus() {
    ProtectionStatus status;
    status.remediatorVersion = installedRemediatorVersion();
    status.active = readDataCopy(mac::kXProtectActiveData);
    status.legacy = readDataCopy(mac::kXProtectLegacyData);
    status.scans = parseXProtectStatus(platform::runCommandWithin(
        platform::platformPath(mac::kXProtectTool), {"status"}, kXProtectToolLimit));
    return status;
}

std::vector<std::string> protectionLines(const ProtectionStatus& status) {
    std::vector<std::string> lines;
    lines.push_back("XProtect data in use: " + copyWords(status.active));
    lines.push_back("XProtect data from Software Update: " + copyWords(status.legacy));
    std::string scans =
        "Launch scans: " + std::string(settingName(status.scans.launchScans)) +
        "; background scans: " + std::string(settingName(status.scans.backgroundScans));
    if (!status.scans.unknownBecause.empty()) {
        scans += " (" + status.scans.unknownBecause + ")";
    }
    lines.push_back(std::move(scans));
    for (const Note& note : protectionNotes(status)) {
        lines.push_back("Note: " + note.text);
    }
    return lines;
}

} // namespace scanbrook::protection
