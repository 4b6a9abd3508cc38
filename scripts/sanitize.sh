#!/usr/bin/env bash
# Builds and runs the tests under the sanitizers; any report fails the run.
#  - asan-ubsan: the whole suite (the Qt window included) with AddressSanitizer, LeakSanitizer
#    and UndefinedBehaviorSanitizer;
#  - tsan: the Qt-free suite (the work queue and the command run from several threads, the
#    window's controller and the fault tests among it) with ThreadSanitizer. Debian's Qt
#    is not built with it, so the preset builds without the window and its tests.
#
#   scripts/sanitize.sh [asan-ubsan|tsan]...      (default: both)
#
# Builds in build/<preset>. Prints how long each preset took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# On a Mac: Homebrew's libraries, and LeakSanitizer left out (its test preset of its own).
test_suffix=
if [[ "$(uname -s)" == Darwin ]]; then
    export CMAKE_PREFIX_PATH="${CMAKE_PREFIX_PATH:-$(brew --prefix)}"
    export ICU_ROOT="${ICU_ROOT:-$(brew --prefix icu4c)}"
fi

presets=("$@")
if ((${#presets[@]} == 0)); then
    presets=(asan-ubsan tsan)
fi

for preset in "${presets[@]}"; do
    case "$preset" in
        asan-ubsan | tsan) ;;
        *)
            echo "unknown preset: $preset (asan-ubsan or tsan)" >&2
            exit 2
            ;;
    esac
    if [[ "$(uname -s)" == Darwin && "$preset" == asan-ubsan ]]; then
        test_suffix=-macos
    else
        test_suffix=
    fi
    start=$SECONDS
    echo "== $preset: building in build/$preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(getconf _NPROCESSORS_ONLN)"
    built=$SECONDS
    echo "== $preset: testing"
    ctest --preset "$preset$test_suffix" -j "$(getconf _NPROCESSORS_ONLN)" --timeout 900
    echo "== $preset: build $((built - start)) s, tests $((SECONDS - built)) s"
done
