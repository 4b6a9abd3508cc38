#!/usr/bin/env bash
# Source rules that the compiler cannot enforce:
#  - the core (window logic, reports, log-access checks, platform interfaces) and the command
#    line never include or link Qt;
#  - no string-based signal/slot connections (Qt 6.4 cannot reject context-less connections);
#  - clang-format clean.
# With --built DIR it also checks that the built command-line tool loads no Qt library.
set -euo pipefail
cd "$(dirname "$0")/.."
failed=0

qt_free=(src/window src/reports src/logaccess src/cli)
mapfile -t platform_core < <(find src/platform -maxdepth 1 -type f)
if grep -nE '^\s*#\s*include\s*[<"]Q[A-Za-z]*(/|>|\.h)' -r "${qt_free[@]}" "${platform_core[@]}"; then
    echo "error: Qt included by the Qt-free core" >&2
    failed=1
fi
if grep -nE 'Qt[0-9]?::' src/CMakeLists.txt src/platform/CMakeLists.txt src/cli/CMakeLists.txt \
        src/window/CMakeLists.txt src/reports/CMakeLists.txt src/logaccess/CMakeLists.txt; then
    echo "error: Qt linked by the Qt-free core" >&2
    failed=1
fi
if grep -nE '\b(SIGNAL|SLOT)\s*\(' -r src tests; then
    echo "error: string-based connection; connect member-function pointers with a context" >&2
    failed=1
fi

mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.h.in')
if ((${#sources[@]})) && ! clang-format --dry-run --Werror "${sources[@]}"; then
    echo "error: run clang-format -i on the files above" >&2
    failed=1
fi

if [[ "${1:-}" == "--built" ]]; then
    cli="$2/src/cli/scanbrook-cli"
    if [[ ! -x "$cli" ]]; then
        echo "error: $cli was not built" >&2
        failed=1
    elif ldd "$cli" | grep -i 'libQt'; then
        echo "error: scanbrook-cli loads Qt" >&2
        failed=1
    fi
fi
exit "$failed"
