#!/usr/bin/env bash
# The size of the test suite against the code it tests: lines of .cpp/.h/.hpp/.cc files that are
# neither blank nor begin (after leading white space) with "//", in tests/ against src/ and sim/.
# Prints both counts and the ratio; exits 1 when the ratio is above the limit (0.40).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=0.40
count() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) -print0 \
        | xargs -0 cat | grep -cvE '^[[:space:]]*$|^[[:space:]]*//' || true
}
tests=$(count tests)
code=$(count src sim)
ratio=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", (c > 0 ? t / c : 0) }')
echo "tests: $tests lines; src + sim: $code lines; ratio $ratio (at most $limit)"
awk -v t="$tests" -v c="$code" -v l="$limit" 'BEGIN { exit (c > 0 && t / c <= l) ? 0 : 1 }'
