// scanbrook-cli: the scan-history check and the scan run of the window, for scripts and for
// administrators who look after many Macs.
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "platform/BuildInfo.h"

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace scanbrook;

/// The reason and where to read more, on standard error; the usage itself only when asked for.
int usageError(const std::string& reason) {
    cli::complain(reason);
    std::fprintf(stderr, "%.*s\n", static_cast<int>(cli::kTryHelpLine.size()),
                 cli::kTryHelpLine.data());
    return cli::kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (!arguments.empty() && arguments.front() == "agent") {
        return cli::agent(std::span(arguments).subspan(1), argv[0]);
    }
    const cli::ParsedArguments parsed = cli::parseArguments(arguments);
    if (const auto* error = std::get_if<cli::UsageError>(&parsed)) {
        return usageError(error->reason);
    }
    const cli::Request& request = std::get<cli::Request>(parsed);
    for (const std::string& note : request.notes) {
        cli::complain(note);
    }
    switch (request.command) {
    case cli::Command::Help:
        return cli::print(cli::usageText(), cli::kExitSuccess);
    case cli::Command::Version:
        return cli::print(std::string(cli::kProgramName) + " " + std::string(build::kVersion) +
                              "\n",
                          cli::kExitSuccess);
    case cli::Command::Check:
        return cli::check(request);
    case cli::Command::Summary:
        return cli::summary(request);
    case cli::Command::Record:
        return cli::record(request);
    case cli::Command::History:
        return cli::history(request);
    case cli::Command::Run:
        return cli::run(request);
    case cli::Command::Doctor:
        return cli::doctor(request);
    }
    return cli::kExitUsage;
}
