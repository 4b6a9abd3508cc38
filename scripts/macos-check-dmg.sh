#!/usr/bin/env bash
# Checks the application in a DMG the way another Mac will see it (macOS only; CPack runs it on
# every DMG it makes, before the DMG is signed):
#  - no bundled binary loads a library from Homebrew (/opt/homebrew, /usr/local), or looks for
#    libraries (LC_RPATH) anywhere but inside the bundle;
#  - the bundle carries one ICU;
#  - no bundled binary needs a newer macOS than the bundle's LSMinimumSystemVersion;
#  - the signature holds (codesign --verify --deep --strict);
#  - the bundled scanbrook-cli runs (--version) and dyld loads nothing from Homebrew for it;
#  - the application starts (offscreen), has loaded Qt from the bundle and nothing from Homebrew
#    (lsof: a hardened runtime may have dyld ignore DYLD_PRINT_LIBRARIES), and is still running
#    a few seconds later.
# Usage: bash scripts/macos-check-dmg.sh Scanbrook.dmg
set -euo pipefail
dmg="$1"
mount=$(mktemp -d)
hdiutil attach -nobrowse -readonly -mountpoint "$mount" "$dmg" >/dev/null
trap 'hdiutil detach -quiet "$mount"' EXIT
app="$mount/Scanbrook.app"
minimum=$(plutil -extract LSMinimumSystemVersion raw "$app/Contents/Info.plist")
homebrew='/opt/homebrew|/usr/local'
failed=0
fail() {
    echo "error: $*" >&2
    failed=1
}
[[ -x "$app/Contents/MacOS/Scanbrook" && -x "$app/Contents/MacOS/scanbrook-cli" ]] ||
    fail "$app lacks Contents/MacOS/Scanbrook or scanbrook-cli"

# "13.4" -> 13004000, so that versions compare as numbers.
number() { awk -F. '{ printf "%d\n", $1 * 1000000 + $2 * 1000 + $3 }' <<<"$1"; }

binaries=0
while IFS= read -r -d '' file; do
    file -b "$file" | grep -q '^Mach-O' || continue
    binaries=$((binaries + 1))
    if otool -L "$file" | tail -n +2 | grep -E "$homebrew"; then
        fail "$file loads a Homebrew library"
    fi
    # Each LC_RPATH's path is two lines after the command's name.
    while read -r rpath; do
        [[ "$rpath" == @* ]] || fail "$file looks for libraries in $rpath, outside the bundle"
    done < <(otool -l "$file" | awk '$2 == "LC_RPATH" { getline; getline; print $2 }')
    # LC_BUILD_VERSION says "minos", the older LC_VERSION_MIN_MACOSX "version" (a linker's
    # "version" follows in LC_BUILD_VERSION too, so the command is tracked).
    while read -r needed; do
        if (($(number "$needed") > $(number "$minimum"))); then
            fail "$file needs macOS $needed, the bundle says $minimum"
        fi
    done < <(vtool -show-build "$file" | awk '$1 == "cmd" { cmd = $2 }
        (cmd == "LC_BUILD_VERSION" && $1 == "minos") ||
        (cmd == "LC_VERSION_MIN_MACOSX" && $1 == "version") { print $2 }')
done < <(find "$app" -type f -print0)
echo "$binaries binaries in $app; LSMinimumSystemVersion $minimum"
# One ICU: the one Qt links. A second one comes of building against another ICU formula.
icus=$(find "$app/Contents/Frameworks" -name 'libicuuc.*.dylib' 2>/dev/null | wc -l)
((icus <= 1)) || fail "$((icus)) ICUs in $app/Contents/Frameworks; build against the one Qt links"
((binaries >= 2)) || fail "fewer than two Mach-O binaries in $app"

codesign --verify --deep --strict "$app" || fail "the signature of $app does not hold"

# dyld names every library it loads on standard error.
if ! loaded=$(DYLD_PRINT_LIBRARIES=1 "$app/Contents/MacOS/scanbrook-cli" --version 2>&1); then
    fail "the bundled scanbrook-cli --version failed: $loaded"
elif grep -E "$homebrew" <<<"$loaded"; then
    fail "the bundled scanbrook-cli loads the Homebrew libraries above"
elif ! grep -q '^dyld\[' <<<"$loaded"; then
    echo "note: dyld named no libraries for scanbrook-cli (DYLD_PRINT_LIBRARIES ignored)"
fi

# The application, offscreen, must still be running a few seconds after its start: a library
# that cannot be loaded, or a plug-in that Qt cannot find, ends it at once.
QT_QPA_PLATFORM=offscreen "$app/Contents/MacOS/Scanbrook" >/dev/null 2>&1 &
started=$!
sleep "${SCANBROOK_CHECK_RUN_SECONDS:-5}"
if kill -0 "$started" 2>/dev/null; then
    mapped=$(lsof -p "$started" -Fn 2>/dev/null || true)
    if grep -E "^n($homebrew)" <<<"$mapped"; then
        fail "Scanbrook.app has loaded the Homebrew files above"
    fi
    grep -q '/Scanbrook.app/Contents/Frameworks/' <<<"$mapped" ||
        fail "Scanbrook.app has loaded nothing from its Frameworks"
    kill "$started"
    wait "$started" 2>/dev/null || true
else
    wait "$started" && status=0 || status=$?
    fail "Scanbrook.app ended within seconds of its start (status $status)"
fi
exit "$failed"
