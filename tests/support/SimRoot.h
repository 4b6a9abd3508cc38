#pragma once

#include "platform/Paths.h"
#include "support/TempFolder.h"

#include <optional>
#include <utility>

/// Private copies of the simulated Mac for tests that change it (see sim/README.md).
namespace scanbrook::test {

/// The simulated root laid out by the build.
inline std::string builtSimRoot() {
    return SCANBROOK_SIM_ROOT_FOR_TESTS;
}

/// A fresh copy of the built simulated root in a new temporary folder, removed again by the
/// destructor. The copy's tools find the copy by themselves; the controls (ROOT/sim/control/)
/// and any file may be changed without disturbing tests that run at the same time.
class TempSimRoot {
public:
    TempSimRoot() {
        // Throws when the simulated root is not built (the target scanbrook_simroot).
        std::filesystem::copy(builtSimRoot(), path(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::copy_symlinks);
    }

    /// The root folder: absolute, without a trailing "/".
    const std::string& path() const { return folder_.path(); }
    /// Where the Mac's absolute path `macPath` (for instance "/usr/bin/log") lies in the copy.
    std::string pathOf(std::string_view macPath) const { return path() + std::string(macPath); }

    /// Writes the control ROOT/sim/control/<name>, for instance setControl("log.status", "3").
    void setControl(std::string_view name, std::string_view contents) const {
        writeFile("/sim/control/" + std::string(name), contents);
    }
    /// Replaces (or creates) the file at the Mac path `relative`, and the folders on the way.
    void writeFile(std::string_view relative, std::string_view contents) const {
        test::writeFile(pathOf(relative), contents);
    }
    /// Removes the file or folder (with everything in it) at `relative`; nothing when absent.
    void removeFile(std::string_view relative) const {
        std::filesystem::remove_all(pathOf(relative));
    }
    /// Empties the folder at `relative`, keeping the folder itself.
    void emptyFolder(std::string_view relative) const {
        for (const auto& entry : std::filesystem::directory_iterator(pathOf(relative))) {
            std::filesystem::remove_all(entry.path());
        }
    }

private:
    TempFolder folder_{"scanbrook-simroot"};
};

/// Sets an environment variable for the life of the object and restores it afterwards.
/// Child processes started meanwhile inherit it (runCommand passes the environment on); the
/// platform paths are looked up afresh when the variable is the platform root's.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            previous_ = old;
        }
        ::setenv(name_.c_str(), value.c_str(), 1);
        changed();
    }
    ~ScopedEnvironment() {
        previous_ ? ::setenv(name_.c_str(), previous_->c_str(), 1) : ::unsetenv(name_.c_str());
        changed();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void changed() const {
        if (name_ == platform::kPlatformRootVariable) {
            platform::reloadPlatformRoot();
        }
    }

    std::string name_;
    std::optional<std::string> previous_;
};

/// Points this process (and the children it starts) at the platform root `root`.
struct UsingPlatformRoot : ScopedEnvironment {
    explicit UsingPlatformRoot(const std::string& root)
        : ScopedEnvironment(platform::kPlatformRootVariable, root) {}
};

} // namespace scanbrook::test
