#!/usr/bin/env bash
# Source rules that the compiler cannot enforce:
#  - the core (window logic, reports, log-access checks, platform interfaces) and the command
#    line never include or link Qt;
#  - no string-based signal/slot connections (Qt 6.4 cannot reject context-less connections);
#  - clang-format clean;
#  - the security rules of SECURITY.md that a search can hold: programs are started only by the
#    command run (no shell, no search of PATH), TLS verification is never turned off, and
#    printf-style formats are literals (the compiler checks that too, with -Wformat=2);
#  - what a Mac build compiles (src/, sim/, tests/) uses only calls that macOS 13 has: a
#    Linux-only call or path sits behind __linux__ (in the product, inside src/platform/ only,
#    and always with the SCANBROOK_PORTABLE_POSIX fallback), and there is no floating-point
#    to_chars/from_chars and no ostringstream::view();
#  - SQLite is reached only through src/platform/Sqlite.h, whose file writes are narrowed to
#    moving a damaged ledger aside;
#  - the test seam for tests (platform/TestSeam.h) stays out of the shipped programs.
# With --built DIR it also checks that the built command-line tool loads no Qt library and was
# linked without the test seam.
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
if grep -nE '\bwriteFile\s*\(' -r src | grep -vE '^src/platform/Files\.(h|cpp):|^src/window/(ViewController|HistoryController)\.cpp:'; then
    echo "error: files are written only by the save, where the user chose" >&2
    failed=1
fi
if grep -nE '\breplaceFile\s*\(' -r src |
    grep -vE '^src/platform/Files\.(h|cpp):|^src/cli/CliOutput\.cpp:|^src/agent/BackgroundAgent\.cpp:'; then
    echo "error: files are replaced only by scanbrook-cli's --output, where the admin chose," >&2
    echo "and by the background agent's property list, which the user asked for" >&2
    failed=1
fi
if grep -nE 'ofstream|fopen\s*\(|QSaveFile|WriteOnly|ReadWrite|::open\s*\(|\bcreat\s*\(|mkstemp|\brename\s*\(' -r src |
    grep -v '^src/platform/Files\.cpp:' |
    grep -vE '^src/platform/Sqlite\.cpp:[0-9]+:.*std::rename\((path|journal)\.c_str\(\)'; then
    echo "error: write files only with platform::writeFile or platform::replaceFile (the scan" \
        "ledger's wrapper may only move a damaged database aside)" >&2
    failed=1
fi
# The scan ledger is the one SQLite database, and only its wrapper talks to SQLite.
if grep -nE '#\s*include\s*<sqlite3\.h>|\bsqlite3_[a-z_0-9]+\s*\(' -r src | grep -v '^src/platform/Sqlite\.cpp:'; then
    echo "error: reach SQLite only through platform/Sqlite.h" >&2
    failed=1
fi
if ! grep -q -- '-Wformat=2' cmake/ScanbrookOptions.cmake; then
    echo "error: -Wformat=2 (with -Wformat-nonliteral) must stay on" >&2
    failed=1
fi

# Calls, constants and paths that Linux (or glibc) has and macOS 13 lacks. A search, so it knows
# names rather than types: extend it when another one turns up.
linux_only='(^|[^A-Za-z0-9_])(pipe2|dup3|accept4|memfd_create|getauxval|secure_getenv|strerrordesc_np|strerrorname_np|posix_spawn_file_actions_addclosefrom_np|close_range|epoll_[a-z_0-9]+|inotify_[a-z_0-9]+|signalfd|timerfd_[a-z]+|eventfd|prctl|copy_file_range|statx|renameat2|gettid|sched_getcpu|getrandom|posix_fadvise|fallocate|mremap|get_current_dir_name|canonicalize_file_name|euidaccess|sendfile64)[[:space:]]*\(|(^|[^A-Za-z0-9_])(MAP_HUGETLB|MAP_POPULATE|MADV_HUGEPAGE|MADV_NOHUGEPAGE|MADV_DONTDUMP|O_TMPFILE|O_PATH|SOCK_CLOEXEC|SOCK_NONBLOCK|MSG_NOSIGNAL|program_invocation_name|program_invocation_short_name)([^A-Za-z0-9_]|$)|/proc/|"/proc"|/dev/full'
mapfile -t mac_compiled < <(git ls-files 'src/*.cpp' 'src/*.h' 'src/*.h.in' 'sim/*.cpp' 'sim/*.h' \
    'tests/*.cpp' 'tests/*.h')
# Comments are left out; a line counts as guarded inside the true branch of an #if that names
# __linux__ (or the #else of one that rules it out).
# (Handed over in the environment, which, unlike awk -v, keeps the backslashes.)
unguarded=$(LINUX_ONLY="$linux_only" awk '
    function negated(c) {
        return c ~ /#[[:space:]]*ifndef[[:space:]]+__linux__/ ||
            c ~ /![[:space:]]*(defined[[:space:]]*\(?[[:space:]]*)?__linux__/ ||
            c ~ /#[[:space:]]*(el)?if[[:space:]]*![[:space:]]*\(/
    }
    function linux(c) { return c ~ /__linux__/ && !negated(c) }
    function guarded(   i) {
        for (i = 1; i <= depth; i++) {
            if (branch[i]) {
                return 1
            }
        }
        return 0
    }
    BEGIN { pattern = ENVIRON["LINUX_ONLY"] }
    FNR == 1 { depth = 0; comment = 0 }
    {
        rest = $0
        code = ""
        while (rest != "") {
            if (comment) {
                end = index(rest, "*/")
                if (end == 0) {
                    rest = ""
                } else {
                    rest = substr(rest, end + 2)
                    comment = 0
                }
                continue
            }
            block = index(rest, "/*")
            line = index(rest, "//")
            if (line > 0 && (block == 0 || line < block)) {
                code = code substr(rest, 1, line - 1)
                rest = ""
            } else if (block > 0) {
                code = code substr(rest, 1, block - 1)
                rest = substr(rest, block + 2)
                comment = 1
            } else {
                code = code rest
                rest = ""
            }
        }
        if (code ~ /^[[:space:]]*#[[:space:]]*if/) {
            depth++
            condition[depth] = code
            branch[depth] = linux(code)
        } else if (code ~ /^[[:space:]]*#[[:space:]]*elif/) {
            condition[depth] = code
            branch[depth] = linux(code)
        } else if (code ~ /^[[:space:]]*#[[:space:]]*else/) {
            branch[depth] = negated(condition[depth])
        } else if (code ~ /^[[:space:]]*#[[:space:]]*endif/) {
            depth--
        } else if (code ~ pattern) {
            where = FILENAME ":" FNR ": " $0
            if (!guarded()) {
                print where
            } else if (FILENAME ~ /^src\// && FILENAME !~ /^src\/platform\//) {
                print where "   (product code keeps it inside src/platform/)"
            }
        }
    }' "${mac_compiled[@]}")
if [[ -n "$unguarded" ]]; then
    echo "$unguarded"
    echo "error: a Linux-only call or path outside a __linux__ guard (macOS 13 lacks it): give it a" \
        "portable fallback in src/platform/, or in a test an Apple skip that says why" >&2
    failed=1
fi
if grep -nE '^[[:space:]]*#[[:space:]]*(el)?if.*__linux__' -r src sim | grep -v 'SCANBROOK_PORTABLE_POSIX'; then
    echo "error: a __linux__ branch must give way to its fallback under SCANBROOK_PORTABLE_POSIX" >&2
    failed=1
fi
# Floating-point to_chars/from_chars: missing from the Mac's C++ library at a macOS 13 target.
# A search knows no types: it finds the value argument's nearest declaration above the call and
# fails when that is a float or double, or when the value is written as one.
floating_chars=$(awk '
    FNR == 1 { delete seen }
    { seen[FNR] = $0 }
    match($0, /(to|from)_chars[[:space:]]*\([^;]*/) {
        call = substr($0, RSTART, RLENGTH)
        if (call ~ /[0-9]\.[0-9]|(float|double)[[:space:]]*>?[[:space:]]*\(/) {
            print FILENAME ":" FNR ": " $0
            next
        }
        split(call, arguments, ",")
        value = arguments[3]
        sub(/^[[:space:]]+/, "", value)
        sub(/[^A-Za-z0-9_.>-].*$/, "", value)
        sub(/^.*[.>]/, "", value)
        if (value !~ /^[A-Za-z_][A-Za-z0-9_]*$/) {
            seen[FNR] = $0
            next
        }
        declaration = "[A-Za-z0-9_:<>]+[[:space:]&]+" value "[[:space:]]*([=;{(,)]|$)"
        seen[FNR] = substr($0, 1, RSTART - 1)
        for (line = FNR; line > 0; line--) {
            if (seen[line] ~ declaration) {
                if (seen[line] ~ ("(float|double)>?[[:space:]&]+" value "([^A-Za-z0-9_]|$)")) {
                    print FILENAME ":" FNR ": " $0
                }
                break
            }
        }
        seen[FNR] = $0
    }' "${mac_compiled[@]}")
if [[ -n "$floating_chars" ]]; then
    echo "$floating_chars"
    echo "error: floating-point to_chars/from_chars is missing from the Mac's C++ library at a" \
        "macOS 13 target" >&2
    failed=1
fi
if grep -nE '(\.|->)view[[:space:]]*\([[:space:]]*\)' "${mac_compiled[@]}"; then
    echo "error: ostringstream::view() is missing from libc++ before 17; take str()" >&2
    failed=1
fi
if grep -rnE --include=CMakeLists.txt --include='*.cmake' 'TestSeamForTests|scanbrook_test_seam' src; then
    echo "error: the test seam for tests is for test programs only, never the shipped ones" >&2
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
    elif { ldd "$cli" 2>/dev/null || otool -L "$cli"; } | grep -i 'libQt\|QtCore'; then
        echo "error: scanbrook-cli loads Qt" >&2
        failed=1
    fi
    # The debug information names the objects a program was linked from. The tests' own copy
    # of the command line must show the test seam, or this check could not see it.
    for_tests="$2/tests/cli/for-tests/scanbrook-cli"
    for shipped in "$cli" "$2/src/app/scanbrook"; do
        if [[ -x "$shipped" ]] && grep -qa 'TestSeamForTests' "$shipped"; then
            echo "error: $shipped was linked with the test seam for tests" >&2
            failed=1
        fi
    done
    if [[ -x "$for_tests" ]] && ! grep -qa 'TestSeamForTests' "$for_tests"; then
        echo "error: cannot tell which test seam scanbrook-cli has (build with debug information)" >&2
        failed=1
    fi
fi
exit "$failed"
