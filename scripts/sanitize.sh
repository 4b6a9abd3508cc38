#!/usr/bin/env bash
# Builds and runs the tests under the sanitizers; any report fails the run.
#  - asan-ubsan: the whole suite (the Qt window included) with AddressSanitizer, LeakSanitizer
#    and UndefinedBehaviorSanitizer;
#  - tsan: the concurrency tests of the Qt-free core (the work queue, the command run, the
#    window's check and run flows, the stress and fault tests) with ThreadSanitizer. Debian's Qt
#    is not built with it, so the window's own tests cannot run there.
#
#   scripts/sanitize.sh [asan-ubsan|tsan]...      (default: both)
#
# SCANBROOK_ASAN_BUILD_DIR and SCANBROOK_TSAN_BUILD_DIR choose the build folders (default
# build/asan-ubsan and build/tsan). Prints how long each preset took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

presets=("$@")
if ((${#presets[@]} == 0)); then
    presets=(asan-ubsan tsan)
fi

# What the tsan preset runs (its test filter names the same executables).
tsan_targets=(platform_basics_test platform_process_test window_test faults_test)

for preset in "${presets[@]}"; do
    case "$preset" in
        asan-ubsan) dir="${SCANBROOK_ASAN_BUILD_DIR:-build/asan-ubsan}" targets=(all) ;;
        tsan) dir="${SCANBROOK_TSAN_BUILD_DIR:-build/tsan}" targets=("${tsan_targets[@]}") ;;
        *)
            echo "unknown preset: $preset (asan-ubsan or tsan)" >&2
            exit 2
            ;;
    esac
    start=$SECONDS
    echo "== $preset: building in $dir"
    cmake --preset "$preset" -B "$dir" >/dev/null
    cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
    built=$SECONDS
    echo "== $preset: testing"
    ctest --preset "$preset" --test-dir "$dir" -j "$(nproc)" --timeout 900
    echo "== $preset: build $((built - start)) s, tests $((SECONDS - built)) s"
done
