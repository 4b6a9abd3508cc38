#!/usr/bin/env bash
# The build a Mac makes, as far as Debian can make it: clang with libc++ (GoogleTest built from
# Debian's sources, benchmarks off) and every portable POSIX fallback instead of the Linux-only
# calls, without the Qt window. Builds, checks that the programs call none of the Linux-only
# functions, and runs the tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh
bash scripts/install-deps.sh clang libc++-dev libc++abi-dev googletest

cmake --preset libcxx >/dev/null
cmake --build --preset libcxx -j "$(getconf _NPROCESSORS_ONLN)"

# The fallbacks must have replaced every Linux-only call that src/platform/ and sim/ make.
linux_only='^(pipe2|posix_spawn_file_actions_addclosefrom_np|strerrordesc_np|madvise)(@|$)'
for program in build/libcxx/src/cli/scanbrook-cli build/libcxx/sim/tools/log/log; do
    if nm -D --undefined-only --format=just-symbols "$program" | grep -E "$linux_only"; then
        echo "error: $program calls the Linux-only functions above" >&2
        exit 1
    fi
done

ctest --preset libcxx -j "$(getconf _NPROCESSORS_ONLN)" --timeout 300
