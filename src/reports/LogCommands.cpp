#include "reports/LogCommands.h"

namespace scanbrook::reports {

std::vector<std::string> checkQueryArguments(std::string_view periodArgument) {
    return {"show",   "--predicate", std::string(kCheckPredicate), "--style", "json",
            "--info", "--last",      std::string(periodArgument)};
}

std::vector<std::string> recordQueryArguments(std::string_view startArgument) {
    return {"show",   "--predicate", std::string(kCheckPredicate), "--style", "json",
            "--info", "--start",     std::string(startArgument)};
}

std::vector<std::string> logEntriesArguments() {
    return {"show", "--last", "2"};
}

std::vector<std::string> logTimeFormatArguments() {
    return {"show", "--style", "json", "--last", "2"};
}

} // namespace scanbrook::reports
