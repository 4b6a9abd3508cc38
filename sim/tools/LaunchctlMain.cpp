// The simulated Mac's service manager tool, ROOT/bin/launchctl: bootstrap, bootout and print of
// per-user agents, with the loaded services kept under ROOT/sim/store/launchd/ (see
// ../README.md). It checks what it is handed more strictly than launchd, so that a mistake in a
// property list shows in a test instead of on a Mac.

#include "Common.h"
#include "platform/PlistApi.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace scanbrook::sim;
namespace fs = std::filesystem;

constexpr int kUsage = 64;
constexpr int kIoError = 5;       // launchd's answer to a list it will not load, or a second load
constexpr int kNoSuchProcess = 3; // bootout of a service that is not loaded
constexpr int kNotPermitted = 1;
constexpr int kServiceNotFound = 113;

void say(std::string_view text) {
    [[maybe_unused]] const auto ignored = ::write(STDERR_FILENO, text.data(), text.size());
}

int usage() {
    say("usage: launchctl bootstrap gui/<uid> <plist>\n"
        "       launchctl bootout gui/<uid>/<label>\n"
        "       launchctl print gui/<uid>/<label>\n"
        "(the simulated launchctl answers only these)\n");
    return kUsage;
}

unsigned callerId() {
    if (const char* value = std::getenv("SCANBROOK_USER_ID");
        value && *value >= '0' && *value <= '9') {
        return static_cast<unsigned>(std::strtoul(value, nullptr, 10));
    }
    return static_cast<unsigned>(::geteuid());
}

/// The user ID of "gui/<uid>", when `domain` is one the caller may use.
std::optional<unsigned> guiDomain(std::string_view domain) {
    if (!domain.starts_with("gui/") || domain.size() == 4 || domain.size() > 14) {
        return std::nullopt;
    }
    unsigned uid = 0;
    for (char c : domain.substr(4)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        uid = uid * 10 + static_cast<unsigned>(c - '0');
    }
    return uid;
}

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};

std::string textOf(plist_t node) {
    char* text = nullptr;
    plist_get_string_val(node, &text);
    std::string value = text != nullptr ? text : "";
    std::free(text);
    return value;
}

/// What is wrong with the property list in `bytes`, or nothing; `label` and `arguments` are
/// filled in from a sound one.
std::optional<std::string> validate(const std::string& bytes, std::string& label,
                                    std::vector<std::string>& arguments, std::int64_t& interval) {
    const std::unique_ptr<void, PlistDeleter> root(scanbrook::platform::plist_api::fromMemory(
        bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
        return "not a property list with a dictionary at its root";
    }
    const std::set<std::string, std::less<>> known{
        "Label",           "Program",          "ProgramArguments", "StartInterval",
        "RunAtLoad",       "ProcessType",      "LowPriorityIO",    "StandardErrorPath",
        "StandardOutPath", "WorkingDirectory", "KeepAlive",        "Nice"};
    const std::set<std::string, std::less<>> processTypes{"Background", "Standard", "Adaptive",
                                                          "Interactive"};
    plist_dict_iter rawIterator = nullptr;
    plist_dict_new_iter(root.get(), &rawIterator);
    const std::unique_ptr<void, decltype(&std::free)> iterator(rawIterator, &std::free);
    for (;;) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root.get(), iterator.get(), &rawKey, &value);
        const std::unique_ptr<char, decltype(&std::free)> key(rawKey, &std::free);
        if (value == nullptr) {
            break;
        }
        const std::string name = key ? key.get() : "";
        const plist_type type = plist_get_node_type(value);
        const auto expect = [&](bool sound, std::string_view what) -> std::optional<std::string> {
            if (sound) {
                return std::nullopt;
            }
            return name + " must be " + std::string(what);
        };
        std::optional<std::string> wrong;
        if (!known.contains(name)) {
            wrong = "unknown key " + name;
        } else if (name == "Label") {
            label = type == PLIST_STRING ? textOf(value) : "";
            wrong = expect(!label.empty(), "a text that is not empty");
        } else if (name == "ProgramArguments") {
            const std::uint32_t count = type == PLIST_ARRAY ? plist_array_get_size(value) : 0;
            for (std::uint32_t i = 0; i < count; ++i) {
                const plist_t item = plist_array_get_item(value, i);
                if (plist_get_node_type(item) != PLIST_STRING) {
                    arguments.clear();
                    break;
                }
                arguments.push_back(textOf(item));
            }
            wrong = expect(!arguments.empty() && arguments.front().starts_with('/'),
                           "an array of texts whose first is an absolute path");
        } else if (name == "StartInterval" || name == "Nice") {
            std::uint64_t number = 0;
            if (type == PLIST_UINT) {
                plist_get_uint_val(value, &number);
            }
            if (name == "StartInterval") {
                interval = static_cast<std::int64_t>(number);
            }
            wrong =
                expect(type == PLIST_UINT && (name == "Nice" || number > 0), "a positive integer");
        } else if (name == "RunAtLoad" || name == "LowPriorityIO" || name == "KeepAlive") {
            wrong = expect(type == PLIST_BOOLEAN, "a boolean");
        } else if (name == "ProcessType") {
            wrong = expect(type == PLIST_STRING && processTypes.contains(textOf(value)),
                           "Background, Standard, Adaptive or Interactive");
        } else {
            wrong =
                expect(type == PLIST_STRING && textOf(value).starts_with('/'), "an absolute path");
        }
        if (wrong) {
            return wrong;
        }
    }
    if (label.empty()) {
        return "no Label";
    }
    if (arguments.empty()) {
        return "no ProgramArguments";
    }
    return std::nullopt;
}

std::optional<std::string> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class Services {
public:
    Services(const std::string& root, unsigned uid)
        : folder_(root + "/sim/store/launchd/gui-" + std::to_string(uid)) {}

    std::string listOf(std::string_view label) const {
        return folder_ + "/" + std::string(label) + ".plist";
    }
    std::string pathOf(std::string_view label) const {
        return folder_ + "/" + std::string(label) + ".path";
    }
    bool loaded(std::string_view label) const { return fs::exists(listOf(label)); }

    void load(std::string_view label, const std::string& bytes, const std::string& from) const {
        fs::create_directories(folder_);
        std::ofstream(listOf(label), std::ios::binary) << bytes;
        std::ofstream(pathOf(label), std::ios::binary) << from;
    }
    void unload(std::string_view label) const {
        fs::remove(listOf(label));
        fs::remove(pathOf(label));
    }

private:
    std::string folder_;
};

int bootstrap(const Services& services, const std::string& plistPath) {
    struct stat status {};
    if (plistPath.empty() || plistPath.front() != '/' || ::stat(plistPath.c_str(), &status) != 0) {
        say("Bootstrap failed: 2: No such file or directory\n");
        return 2;
    }
    // launchd will not load a per-user agent that others may change.
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        say("Bootstrap failed: 5: Input/output error\n(the property list is writable by others)\n");
        return kIoError;
    }
    const std::optional<std::string> bytes = readWhole(plistPath);
    std::string label;
    std::vector<std::string> arguments;
    std::int64_t interval = 0;
    const std::optional<std::string> wrong =
        bytes ? validate(*bytes, label, arguments, interval) : std::string("unreadable");
    if (wrong) {
        say("Bootstrap failed: 5: Input/output error\n(" + *wrong + ")\n");
        return kIoError;
    }
    if (services.loaded(label)) {
        say("Bootstrap failed: 5: Input/output error\n(" + label + " is already loaded)\n");
        return kIoError;
    }
    services.load(label, *bytes, plistPath);
    return 0;
}

int print(const Services& services, std::string_view target, std::string_view label) {
    if (!services.loaded(label)) {
        say("Could not find service \"" + std::string(label) + "\" in domain for user gui: " +
            std::string(target.substr(4, target.find('/', 4) - 4)) + "\n");
        return kServiceNotFound;
    }
    const std::string bytes = readWhole(services.listOf(label)).value_or("");
    std::string ignored;
    std::vector<std::string> arguments;
    std::int64_t interval = 0;
    validate(bytes, ignored, arguments, interval);
    std::string out =
        std::string(target) +
        " = {\n\tactive count = 0\n\tpath = " + readWhole(services.pathOf(label)).value_or("") +
        "\n\ttype = LaunchAgent\n\tstate = not running\n\n\tprogram = " + arguments.front() +
        "\n\targuments = {\n";
    for (const std::string& argument : arguments) {
        out += "\t\t" + argument + "\n";
    }
    out += "\t}\n\n";
    if (interval > 0) {
        out += "\trun interval = " + std::to_string(interval) + " seconds\n";
    }
    out += "}\n";
    Output output(std::nullopt);
    output.write(out);
    output.finish();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (arguments.size() != 2 && arguments.size() != 3) {
        return usage();
    }
    const std::string_view verb = arguments[0];
    const bool takesPlist = verb == "bootstrap";
    if ((verb != "bootstrap" && verb != "bootout" && verb != "print") ||
        arguments.size() != (takesPlist ? 3U : 2U)) {
        return usage();
    }
    const std::string_view target = arguments[1];
    const std::string_view domain = takesPlist ? target : target.substr(0, target.find('/', 4));
    const std::string_view label = takesPlist || domain.size() >= target.size()
                                       ? std::string_view()
                                       : target.substr(domain.size() + 1);
    const std::optional<unsigned> uid = guiDomain(domain);
    if (!uid || (!takesPlist && label.empty())) {
        say("Unrecognized target specifier.\n");
        return usage();
    }
    const Controls controls("launchctl", findRoot("launchctl", "/bin/launchctl", argv[0]));
    const std::string specific = "launchctl." + std::string(verb) + ".status";
    if (const auto status =
            controls.integer(specific).value_or(controls.integer("launchctl.status").value_or(0))) {
        say(std::string(verb) + " failed: " + std::to_string(status) +
            ": (set by a control of the simulated Mac)\n");
        return static_cast<int>(status);
    }
    const unsigned caller = callerId();
    if (caller != 0 && caller != *uid) {
        say(std::string(verb) + " failed: 1: Operation not permitted\n");
        return kNotPermitted;
    }
    const Services services(controls.root(), *uid);
    if (verb == "bootstrap") {
        return bootstrap(services, std::string(arguments[2]));
    }
    if (verb == "print") {
        return print(services, target, label);
    }
    if (!services.loaded(label)) {
        say("Boot-out failed: 3: No such process\n");
        return kNoSuchProcess;
    }
    services.unload(label);
    return 0;
}
