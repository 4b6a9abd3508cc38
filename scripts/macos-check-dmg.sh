#!/usr/bin/env bash
# Checks the application in a DMG the way another Mac will see it (macOS only; the macOS
# workflow runs it after cpack):
#  - no bundled binary still loads a library from Homebrew (/opt/homebrew, /usr/local);
#  - no bundled binary needs a newer macOS than the bundle's LSMinimumSystemVersion.
# Usage: bash scripts/macos-check-dmg.sh Scanbrook.dmg
set -euo pipefail
dmg="$1"
mount=$(mktemp -d)
hdiutil attach -nobrowse -readonly -mountpoint "$mount" "$dmg" >/dev/null
trap 'hdiutil detach -quiet "$mount"' EXIT
app="$mount/Scanbrook.app"
minimum=$(plutil -extract LSMinimumSystemVersion raw "$app/Contents/Info.plist")
[[ -x "$app/Contents/MacOS/Scanbrook" && -x "$app/Contents/MacOS/scanbrook-cli" ]]

# "13.4" -> 13004000, so that versions compare as numbers.
number() { awk -F. '{ printf "%d\n", $1 * 1000000 + $2 * 1000 + $3 }' <<<"$1"; }

failed=0 binaries=0
while IFS= read -r -d '' file; do
    file -b "$file" | grep -q '^Mach-O' || continue
    binaries=$((binaries + 1))
    if otool -L "$file" | tail -n +2 | grep -E '/opt/homebrew|/usr/local'; then
        echo "error: $file loads a Homebrew library" >&2
        failed=1
    fi
    # LC_BUILD_VERSION says "minos", the older LC_VERSION_MIN_MACOSX "version" (a linker's
    # "version" follows in LC_BUILD_VERSION too, so the command is tracked).
    while read -r needed; do
        if (($(number "$needed") > $(number "$minimum"))); then
            echo "error: $file needs macOS $needed, the bundle says $minimum" >&2
            failed=1
        fi
    done < <(vtool -show-build "$file" | awk '$1 == "cmd" { cmd = $2 }
        (cmd == "LC_BUILD_VERSION" && $1 == "minos") ||
        (cmd == "LC_VERSION_MIN_MACOSX" && $1 == "version") { print $2 }')
done < <(find "$app" -type f -print0)
echo "$binaries binaries in $app; LSMinimumSystemVersion $minimum"
((binaries >= 2)) || failed=1
exit "$failed"
