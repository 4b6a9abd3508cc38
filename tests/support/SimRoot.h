#pragma once

#include "platform/Paths.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
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
        namespace fs = std::filesystem;
        const fs::path source = builtSimRoot();
        if (!fs::is_directory(source / "usr/bin")) {
            throw std::runtime_error("the simulated root is not built: " + source.string() +
                                     " (build the target scanbrook_simroot)");
        }
        std::error_code error;
        fs::copy(source, path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks,
                 error);
        if (error) {
            throw std::system_error(error, "copying the simulated root to " + path());
        }
    }

    /// The root folder: absolute, without a trailing "/".
    const std::string& path() const { return folder_.path(); }

    /// Where the Mac's absolute path `macPath` (for instance "/usr/bin/log") lies in the copy.
    std::string pathOf(std::string_view macPath) const { return path() + std::string(macPath); }

    /// Writes the control ROOT/sim/control/<name>, for instance setControl("log.status", "3").
    void setControl(std::string_view name, std::string_view contents) const {
        writeFile("/sim/control/" + std::string(name), contents);
    }
    void removeControl(std::string_view name) const {
        removeFile("/sim/control/" + std::string(name));
    }

    /// Replaces (or creates) the file at `relative` (a Mac path such as "/var/db/x") with
    /// `contents`; the folders on the way are created.
    void writeFile(std::string_view relative, std::string_view contents) const {
        test::writeFile(pathOf(relative), contents);
    }

    /// The whole content of the file at `relative`, or nullopt when it cannot be read.
    std::optional<std::string> readFile(std::string_view relative) const {
        return test::readFile(pathOf(relative));
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
/// Child processes started meanwhile inherit it (runCommand passes the environment on).
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            previous_ = old;
        }
        apply(value);
    }
    ~ScopedEnvironment() { apply(previous_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void apply(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }

    std::string name_;
    std::optional<std::string> previous_;
};

/// Points this process (and the children it starts) at the platform root `root` for the life of
/// the object; the platform paths are looked up afresh on the way in and out.
class UsingPlatformRoot {
public:
    explicit UsingPlatformRoot(const std::string& root)
        : environment_(std::in_place, platform::kPlatformRootVariable, root) {
        platform::reloadPlatformRoot();
    }
    ~UsingPlatformRoot() {
        environment_.reset();
        platform::reloadPlatformRoot();
    }
    UsingPlatformRoot(const UsingPlatformRoot&) = delete;
    UsingPlatformRoot& operator=(const UsingPlatformRoot&) = delete;

private:
    std::optional<ScopedEnvironment> environment_;
};

} // namespace scanbrook::test
