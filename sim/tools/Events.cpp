#include "Events.h"

#include "Common.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace scanbrook::sim {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int64_t kSecondsPerDay = 86400;

// Written when a writer finds no store; the build lays out the store with a longer header.
constexpr std::string_view kStoreHeader =
    "# Synthetic XProtect Remediator events of the simulated Mac (not real log data).\n"
    "# One event a line: microseconds since 1970 UTC, scanner, message type, process ID,\n"
    "# event message; separated by tabs.\n";

std::string durationText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

std::string oneLine(std::string_view text) {
    std::string result(text);
    for (auto& c : result) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return result;
}

} // namespace

std::string scanMessage(std::string_view scanner, Outcome outcome, double durationSeconds,
                        bool withForeignPath) {
    std::string message = "{\"caller\":{\"alerts\":[";
    if (outcome == Outcome::Remediated) {
        message += "{\"path\":\"/Users/jérôme/Library/LaunchAgents/com.updater.helper.plist\","
                   "\"remediated\":true,\"type\":\"file\"}";
    }
    message.append("],\"name\":\"").append(scanner).append("\",\"version\":\"");
    message.append(kRemediatorVersion).append("\"},");
    if (outcome == Outcome::NotRemoved) {
        message +=
            "\"caused_by\":[\"/Library/LaunchDaemons/com.sample.updater.plist\","
            "\"/Users/Shared/.updater/updater\"],"
            "\"error_description\":\"Could not remove \\\"/Users/Shared/.updater/updater\\\": "
            "Operation not permitted\",";
    }
    if (outcome == Outcome::Failed) {
        message += "\"error_description\":\"Could not open \\\"/private/var/db/xprotect/"
                   "scan.state\\\": Operation not permitted\",";
    }
    message.append("\"execution_duration\":").append(durationText(durationSeconds)).append(",");
    if (withForeignPath) {
        message += "\"last_examined_path\":\"/Users/Shared/Résumé 日本語.pdf\",";
    }
    switch (outcome) {
    case Outcome::Clean:
        message += "\"status_code\":0,\"status_message\":\"NoThreatDetected\"}";
        break;
    case Outcome::NotApplicable:
        message += "\"status_code\":20,\"status_message\":\"ScanNotApplicable\"}";
        break;
    case Outcome::Failed:
    case Outcome::NotRemoved:
        message += "\"status_code\":1,\"status_message\":\"ScanFailed\"}";
        break;
    case Outcome::Remediated:
        message += "\"status_code\":30,\"status_message\":\"ThreatRemediated\"}";
        break;
    }
    return message;
}

std::vector<ScanEvent> historyOfDay(std::int64_t day) {
    Random random(mix(static_cast<std::uint64_t>(day) * 0x100000001b3ULL + 0x5ca4b400ULL));
    std::vector<ScanEvent> events;
    const auto runs = random.between(3, 4);
    // One run in each equal slot of the day, so that every stretch of 24 hours holds at least
    // one run.
    const auto slotSeconds = kSecondsPerDay / runs;
    events.reserve(static_cast<std::size_t>(runs) * kScanners.size());
    for (std::int64_t run = 0; run < runs; ++run) {
        auto micros = (day * kSecondsPerDay + run * slotSeconds) * kMicrosPerSecond +
                      random.between(0, (slotSeconds - 3600) * kMicrosPerSecond);
        const auto firstProcessID = static_cast<std::uint32_t>(random.between(400, 60000));
        for (std::size_t index = 0; index < kScanners.size(); ++index) {
            const auto spread = random.unit();
            const double duration = 0.04 + spread * spread * spread * 6.0;
            micros += static_cast<std::int64_t>(duration * 1e6) + random.between(2000, 400000);
            const auto draw = random.unit();
            auto outcome = draw < 0.04    ? Outcome::NotApplicable
                           : draw < 0.042 ? Outcome::Failed
                           : draw < 0.043 ? Outcome::Remediated
                                          : Outcome::Clean;
            const bool info = random.unit() < 0.2;
            bool foreign = false;
            // Some days always carry the rarer cases, so that any month of history shows them.
            const auto scannerIndex = static_cast<std::int64_t>(index);
            // Now and then a threat that a scan found and could not remove.
            if (run == 1 && day % 17 == 5 && scannerIndex == (day + 7) % 23) {
                outcome = Outcome::NotRemoved;
            }
            if (run == 0) {
                if (day % 9 == 0 && scannerIndex == day % 23) {
                    outcome = day % 2 == 0 ? Outcome::Failed : Outcome::Remediated;
                } else if (day % 4 == 0 && scannerIndex == (day + 5) % 23) {
                    outcome = Outcome::NotApplicable;
                } else if (day % 5 == 0 && scannerIndex == (day + 11) % 23) {
                    outcome = Outcome::Clean;
                    foreign = true;
                }
            }
            ScanEvent event;
            event.micros = micros;
            event.scanner = kScanners[index];
            event.info = info;
            event.processID = firstProcessID + static_cast<std::uint32_t>(index) * 3;
            event.message = scanMessage(kScanners[index], outcome, duration, foreign);
            events.push_back(std::move(event));
        }
    }
    return events;
}

std::vector<ScanEvent> readStore(const std::string& root) {
    std::vector<ScanEvent> events;
    std::ifstream in(root + std::string(kStoreFile), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        // A line still being written has no line feed yet and ends the file: skip it.
        if (in.eof() || line.empty() || line.front() == '#') {
            continue;
        }
        std::string_view rest = line;
        std::string_view fields[4];
        bool complete = true;
        for (auto& field : fields) {
            const auto tab = rest.find('\t');
            if (tab == std::string_view::npos) {
                complete = false;
                break;
            }
            field = rest.substr(0, tab);
            rest.remove_prefix(tab + 1);
        }
        if (!complete) {
            continue;
        }
        ScanEvent event;
        try {
            event.micros = std::stoll(std::string(fields[0]));
            event.processID = static_cast<std::uint32_t>(std::stoul(std::string(fields[3])));
        } catch (const std::exception&) {
            continue;
        }
        event.scanner = fields[1];
        event.info = fields[2] == "Info";
        event.message = rest;
        events.push_back(std::move(event));
    }
    return events;
}

bool appendToStore(const std::string& root, const ScanEvent& event) {
    const auto path = root + std::string(kStoreFile);
    // Only the writer that creates the store writes the header (appending too, so that it
    // never overwrites a line that another writer got in first).
    const int created =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (created >= 0) {
        const auto written = ::write(created, kStoreHeader.data(), kStoreHeader.size());
        ::close(created);
        if (written != static_cast<ssize_t>(kStoreHeader.size())) {
            return false;
        }
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::string line = std::to_string(event.micros);
    line.append("\t").append(oneLine(event.scanner)).append("\t");
    line.append(event.info ? "Info" : "Default").append("\t");
    line.append(std::to_string(event.processID)).append("\t");
    line.append(oneLine(event.message)).append("\n");
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    const auto written = ::write(fd, line.data(), line.size());
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return written == static_cast<ssize_t>(line.size());
}

LogRecord recordOf(const ScanEvent& event, std::string& senderPathStorage) {
    senderPathStorage.assign(kResourcesFolder).append(event.scanner);
    LogRecord record;
    record.micros = event.micros;
    record.subsystem = kPluginSubsystem;
    record.category = kPluginCategory;
    record.messageType = event.info ? "Info" : "Default";
    record.processImagePath = senderPathStorage;
    record.senderImagePath = senderPathStorage;
    record.eventMessage = event.message;
    record.processID = event.processID;
    record.seed = event.processID;
    return record;
}

} // namespace scanbrook::sim
