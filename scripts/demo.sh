#!/usr/bin/env bash
# Installs what is missing, builds, and opens Scanbrook against the simulated Mac that the
# build lays out in build/release/simroot; on a Mac, against the Mac itself.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [[ "$(uname -s)" == Darwin ]]; then
    # The application built for a Mac reads the real system, whatever the environment says.
    bash scripts/build.sh macos
    exec build/macos/src/app/Scanbrook.app/Contents/MacOS/Scanbrook "$@"
fi
bash scripts/build.sh release
export SCANBROOK_PLATFORM_ROOT="$PWD/build/release/simroot"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && "${QT_QPA_PLATFORM:-}" != offscreen ]]; then
    echo "No display here, so the window cannot open. The same report through the command line:"
    echo
    status=0
    build/release/src/cli/scanbrook-cli check --days 7 || status=$?
    echo
    echo "(scanbrook-cli exited with $status: 0 all clear, 1 a warning marker, 2 the log failed)"
    exit 0
fi
exec build/release/src/app/scanbrook "$@"
