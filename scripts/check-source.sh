#!/usr/bin/env bash
# Source rules that the compiler cannot enforce:
#  - the core (window logic, reports, log-access checks, platform interfaces) and the command
#    line never include or link Qt;
#  - no string-based signal/slot connections (Qt 6.4 cannot reject context-less connections);
#  - clang-format clean;
#  - the security rules of SECURITY.md that a search can hold: programs are started only by the
#    command run (no shell, no search of PATH), TLS verification is never turned off, and
#    printf-style formats are literals (the compiler checks that too, with -Wformat=2).
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

if grep -nE '\b(system|popen|execl|execle|execlp|execv|execvp|execvpe|posix_spawnp|fork|vfork)\s*\(|/bin/(ba|da)?sh\b|QProcess' -r src; then
    echo "error: start programs only with platform::runCommand (an argument vector, no shell)" >&2
    failed=1
fi
if grep -nE 'ignoreSslErrors|setPeerVerifyMode|VerifyNone|QSslConfiguration|SSL_VERIFY' -r src; then
    echo "error: TLS verification must never be changed or turned off" >&2
    failed=1
fi
if grep -nE '\b(printf|vprintf)\s*\(\s*[^"[:space:]]|\b(fprintf|vfprintf|dprintf|sprintf|vsprintf|asprintf|vasprintf|syslog)\s*\(\s*[^,]+,\s*[^"[:space:]]|\b(snprintf|vsnprintf)\s*\(\s*[^,]+,\s*[^,]+,\s*[^"[:space:]]' -r src; then
    echo "error: a printf-style format must be a string literal" >&2
    failed=1
fi
if grep -nE '\bwriteFile\s*\(' -r src | grep -vE '^src/platform/Files\.(h|cpp):|^src/window/ViewController\.cpp:'; then
    echo "error: files are written only by the save, where the user chose" >&2
    failed=1
fi
if grep -nE '\breplaceFile\s*\(' -r src | grep -vE '^src/platform/Files\.(h|cpp):|^src/cli/main\.cpp:'; then
    echo "error: files are replaced only by scanbrook-cli's --output, where the admin chose" >&2
    failed=1
fi
if grep -nE 'ofstream|fopen\s*\(|QSaveFile|WriteOnly|ReadWrite|::open\s*\(|\bcreat\s*\(|mkstemp|\brename\s*\(' -r src |
    grep -v '^src/platform/Files\.cpp:'; then
    echo "error: write files only with platform::writeFile or platform::replaceFile" >&2
    failed=1
fi
if ! grep -q -- '-Wformat=2' cmake/ScanbrookOptions.cmake; then
    echo "error: -Wformat=2 (with -Wformat-nonliteral) must stay on" >&2
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
