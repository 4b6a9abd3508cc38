#!/usr/bin/env bash
# The Mac's release scripts (signing, notarization, the DMG check, hdiutil's retries, the
# installer package and its postinstall, the icon's iconutil branch) with the Mac's tools
# replaced by stand-ins on PATH (tests/macos/).
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh
shellcheck tests/macos/stub tests/macos/mac-scripts-test.sh packaging/macos/scanbrook-cli \
    packaging/macos/pkg-scripts/postinstall
bash tests/macos/mac-scripts-test.sh
