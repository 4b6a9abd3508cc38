#!/usr/bin/env bash
# What can be checked here of the Mac build that only a Mac runs: the GitHub workflow is
# well-formed (the workflow validator from npm, on this machine's node), and the oldest macOS
# reaches the deployment target from its one cache variable.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh
if ! command -v npx >/dev/null; then
    bash scripts/install-deps.sh nodejs npm
fi
npx --yes @action-validator/cli@0.6.0 .github/workflows/macos.yml

# Configured with another oldest macOS (without tests, window or benchmarks, so that it takes
# seconds), the deployment target follows it; a malformed one is refused.
probe=build/macos-minimum-probe
rm -rf "$probe"
quick=(-DSCANBROOK_BUILD_TESTS=OFF -DSCANBROOK_BUILD_GUI=OFF -DSCANBROOK_BUILD_BENCHMARKS=OFF)
cmake -S . -B "$probe" "${quick[@]}" -DSCANBROOK_MACOS_MINIMUM=14.2 >/dev/null
if ! grep -qx 'CMAKE_OSX_DEPLOYMENT_TARGET:STRING=14.2' "$probe/CMakeCache.txt"; then
    echo "error: CMAKE_OSX_DEPLOYMENT_TARGET does not follow SCANBROOK_MACOS_MINIMUM" >&2
    exit 1
fi
rm -rf "$probe"
if cmake -S . -B "$probe" "${quick[@]}" -DSCANBROOK_MACOS_MINIMUM=13 >/dev/null 2>&1; then
    echo "error: SCANBROOK_MACOS_MINIMUM=13 was accepted" >&2
    exit 1
fi
rm -rf "$probe"
