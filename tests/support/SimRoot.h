#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
        pattern += "/scanbrook-simroot-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        }
        path_ = pattern;
        std::error_code error;
        fs::copy(source, path_, fs::copy_options::recursive | fs::copy_options::copy_symlinks,
                 error);
        if (error) {
            fs::remove_all(path_, error);
            throw std::system_error(error, "copying the simulated root to " + path_);
        }
    }
    ~TempSimRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempSimRoot(const TempSimRoot&) = delete;
    TempSimRoot& operator=(const TempSimRoot&) = delete;

    /// The root folder: absolute, without a trailing "/".
    const std::string& path() const { return path_; }

    /// Where the Mac's absolute path `macPath` (for instance "/usr/bin/log") lies in the copy.
    std::string pathOf(std::string_view macPath) const { return path_ + std::string(macPath); }

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
        const std::filesystem::path target = pathOf(relative);
        std::filesystem::create_directories(target.parent_path());
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        out.close();
        if (!out) {
            throw std::runtime_error("cannot write " + target.string());
        }
    }

    /// The whole content of the file at `relative`, or nullopt when it cannot be read.
    std::optional<std::string> readFile(std::string_view relative) const {
        std::ifstream in(pathOf(relative), std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), {});
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
    std::string path_;
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

} // namespace scanbrook::test
