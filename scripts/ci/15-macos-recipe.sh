#!/usr/bin/env bash
# What can be checked here of the Mac build that only a Mac runs: the GitHub workflow is
# well-formed (the workflow validator from npm, on this machine's node); the oldest macOS
# reaches the deployment target from its one cache variable, and on a Mac with Homebrew follows
# the host's (the rule run as a script with a Mac's answers faked); the schema test is left out,
# saying so, without a Python that has jsonschema 4.
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

# The rule for the oldest macOS: requested, host's macOS, Homebrew's prefix -> decided ("fail":
# refused). A Mac with Homebrew cannot go below its own major version.
while IFS=: read -r requested host homebrew expected; do
    if decided=$(cmake -DREQUESTED="$requested" -DHOST="$host" -DHOMEBREW="$homebrew" \
        -P cmake/MacosMinimum.cmake 2>&1); then :; else decided=fail; fi
    if [[ "$decided" != "$expected" ]]; then
        echo "error: oldest macOS for '$requested' on '$host' with '$homebrew': $decided, not $expected" >&2
        exit 1
    fi
done <<'ROWS'
:::14.0
13.5:::13.5
:15.3.1::14.0
:15.3.1:/opt/homebrew:15.0
:26.0:/opt/homebrew:26.0
15.2:15.3.1:/opt/homebrew:15.2
14.0:15.3.1:/opt/homebrew:fail
13:::fail
ROWS

# A Python whose jsonschema predates draft 2020-12 (a stand-in module in front of Debian's).
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
echo '__version__ = "3.2.0"' >"$fake/jsonschema.py"
printf '#!/bin/sh\nPYTHONPATH=%s exec /usr/bin/python3 -S "$@"\n' "$fake" >"$fake/python3"
chmod +x "$fake/python3"
with_tests=(-DSCANBROOK_BUILD_GUI=OFF -DSCANBROOK_BUILD_BENCHMARKS=OFF)
for python in "$fake/python3" /usr/bin/python3; do
    configured=$(cmake -S . -B "$probe" "${with_tests[@]}" -DPython3_EXECUTABLE="$python")
    listed=$(ctest --test-dir "$probe" -N | grep -c 'cli_json_schemas$' || true)
    said=$(grep -c 'cli_json_schemas left out: no Python 3 with jsonschema 4' <<<"$configured" || true)
    if [[ "$python/$listed/$said" != "$fake/python3/0/1" && "$python/$listed/$said" != /usr/bin/python3/1/0 ]]; then
        echo "error: with $python the schema test is listed $listed times, left out $said times" >&2
        exit 1
    fi
done
rm -rf "$probe"
