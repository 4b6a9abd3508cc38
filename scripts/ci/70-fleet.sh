#!/usr/bin/env bash
# The fleet files under packaging/: the LaunchDaemon's property list must parse (plistutil
# reports failure only on standard error, so its output is checked too) and keep what
# docs/fleet.md relies on; the extension attribute (JavaScript for Automation) must print one
# <result> line in every case, run under node with its Foundation calls answered from files; the
# osquery tables must be JSON that docs/fleet.md shows as it is. (The tables' queries run against
# a ledger being written in the test suite: fleet_osquery_tables.)
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
    'scanbrook-cli summary --recorded --days 2 --json --output /Library/Logs/Scanbrook/summary.json' \
    'mkdir -p -m 755 /Library/Logs/Scanbrook' '<key>StartCalendarInterval</key>'; do
    if ! grep -qF -- "$expected" "$work/summary.xml"; then
        echo "error: $plist lost: $expected" >&2
        exit 1
    fi
done

node tests/fleet/attribute_test.js packaging/macos/scanbrook-summary-attribute.js

# Every table, byte for byte, in the agent options that docs/fleet.md shows.
python3 - packaging/osquery/scanbrook.conf docs/fleet.md <<'EOF'
import json
import sys

with open(sys.argv[1], encoding="utf-8") as conf:
    tables = json.load(conf)["auto_table_construction"]
with open(sys.argv[2], encoding="utf-8") as doc:
    shown = doc.read()
for name, block in tables.items():
    lines = [f"{name}:", f'  query: "{block["query"]}"', f'  path: "{block["path"]}"', "  columns:"]
    lines += [f'    - "{column}"' for column in block["columns"]]
    lines += [f'  platform: "{block["platform"]}"']
    if "".join(f"\n          {line}" for line in lines) + "\n" not in shown:
        sys.exit(f"error: {sys.argv[2]} does not show the table {name} as {sys.argv[1]} has it")
EOF
echo "fleet files ok"
