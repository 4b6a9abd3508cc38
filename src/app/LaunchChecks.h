#pragma once

#include "logaccess/deDysfunction.h"

#include <memory>
#include <string>

namespace scanbrook {

/// The log-access checks as the launch sequence runs them, so that tests can replace them.
class LaunchChecks {
public:
    virtual ~LaunchChecks() = default;
    virtual bool checkAdmin() = 0;
    virtual bool checkPersist() = 0;
    virtual bool checkTimesync() = 0;
    virtual bool checkLogEntries() = 0;
    virtual bool checkLogTimeFormat() = 0;
};

/// The real checks.
class SystemLaunchChecks final : public LaunchChecks {
public:
    bool checkAdmin() override { return checks_.checkAdmin(); }
    bool checkPersist() override { return checks_.checkPersist(); }
    bool checkTimesync() override { return checks_.checkTimesync(); }
    bool checkLogEntries() override { return checks_.checkLogEntries(); }
    bool checkLogTimeFormat() override { return checks_.checkLogTimeFormat(); }

private:
    deDysfunction checks_;
};

} // namespace scanbrook
