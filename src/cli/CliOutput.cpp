#include "cli/CliOutput.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace scanbrook::cli {

int print(std::string_view text, int status) {
    errno = 0;
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        complain(std::string("could not write to standard output: ") +
                 (error != 0 ? std::strerror(error) : "write error"));
        return kExitOutput;
    }
    return status;
}

int deliver(std::string_view text, const std::optional<std::string>& path, int status) {
    if (!path || *path == "-") {
        return print(text, status);
    }
    if (const auto failure = platform::replaceFile(*path, text)) {
        complain(*failure);
        return kExitOutput;
    }
    return status;
}

std::string oneLine(std::string_view text) {
    std::string line;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view piece = text.substr(0, end);
        if (!piece.empty()) {
            line += line.empty() ? "" : " ";
            line += piece;
        }
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return line;
}

void complain(std::string_view reason) {
    std::fprintf(stderr, "%s: %.*s\n", kProgramName.data(), static_cast<int>(reason.size()),
                 reason.data());
}

} // namespace scanbrook::cli
