#!/usr/bin/env bash
# The fleet files under packaging/macos: the LaunchDaemon's property list must parse (plistutil
# reports failure only on standard error, so its output is checked too) and keep what
# docs/fleet.md relies on; the extension attribute (JavaScript for Automation) must print one
# <result> line in every case, run under node with its Foundation calls answered from files.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh libplist-utils nodejs

plist=packaging/macos/org.scanbrook.Scanbrook.summary.plist
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Through the binary form and back: only a list that parsed comes out again.
plistutil -i "$plist" -f bin -o "$work/summary.bplist" >"$work/errors" 2>&1 || true
if [[ -s "$work/summary.bplist" ]]; then
    plistutil -i "$work/summary.bplist" -f xml -o "$work/summary.xml" >>"$work/errors" 2>&1 || true
fi
if [[ -s "$work/errors" || ! -s "$work/summary.xml" ]]; then
    echo "error: $plist is not a valid property list" >&2
    cat "$work/errors" >&2
    exit 1
fi
for expected in '<string>org.scanbrook.Scanbrook.summary</string>' \
    'scanbrook-cli summary --json --output /Library/Logs/Scanbrook/summary.json' \
    'mkdir -p -m 755 /Library/Logs/Scanbrook' '<key>StartInterval</key>' '<integer>172800</integer>'; do
    if ! grep -qF -- "$expected" "$work/summary.xml"; then
        echo "error: $plist lost: $expected" >&2
        exit 1
    fi
done

node tests/fleet/attribute_test.js packaging/macos/scanbrook-summary-attribute.js
echo "fleet files ok"
