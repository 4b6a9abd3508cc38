#!/usr/bin/env bash
# The Mac application as far as Debian can check it, on the debug build of 20-test.sh: the
# generated Info.plist and the entitlements parse and carry their keys, the icon was rendered,
# the release script is shellcheck-clean; then the install tree, in a temporary prefix, runs
# scanbrook-cli against the simulated Mac.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh
build=build/debug
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(getconf _NPROCESSORS_ONLN)" \
    --target scanbrook scanbrook-cli scanbrook_icon scanbrook_simroot
failed=0
fail() {
    echo "error: $*" >&2
    failed=1
}

# plistutil 2.2 reports a parse error but exits 0 and writes what it understood, so each file
# goes to binary and back, and the keys are read from what came back.
parsed() {
    local bin
    bin=$(mktemp)
    if plistutil -i "$1" -o "$bin" -f bin 2>&1 | grep . >&2; then
        echo "error: $1 does not parse" >&2
    fi
    plistutil -i "$bin" -o - -f xml 2>/dev/null || true
    rm -f "$bin"
}
# The value of a top-level key as plistutil writes it: the line after the key.
value() {
    grep -A1 -x "	<key>$2</key>" <<<"$1" | sed -n '2s/^	<\(string\)>\(.*\)<\/string>$/\2/p;2s/^	<\(true\)\/>$/true/p' || true
}
expect() {
    local got
    got=$(value "$1" "$2")
    [[ "$got" == "$3" ]] || fail "Info.plist: $2 is '$got', not '$3'"
}

cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cache CMAKE_PROJECT_VERSION)
info=$(parsed "$build/src/platform/generated/Info.plist")
expect "$info" CFBundleIdentifier org.scanbrook.Scanbrook
expect "$info" CFBundleName Scanbrook
expect "$info" CFBundleDisplayName Scanbrook
expect "$info" CFBundleExecutable Scanbrook
expect "$info" CFBundlePackageType APPL
expect "$info" CFBundleShortVersionString "$version"
expect "$info" CFBundleVersion "$version"
expect "$info" LSMinimumSystemVersion "$(cache CMAKE_OSX_DEPLOYMENT_TARGET)"
expect "$info" NSPrincipalClass NSApplication
expect "$info" NSHighResolutionCapable true
expect "$info" LSApplicationCategoryType public.app-category.utilities
expect "$info" CFBundleIconFile Scanbrook.icns
# The clock settings open by their address, without Apple events: neither the entitlement nor
# the reason shown with its prompt may come back.
[[ -z "$(value "$info" NSAppleEventsUsageDescription)" ]] ||
    fail "Info.plist: NSAppleEventsUsageDescription, though nothing sends Apple events"
entitlements=$(parsed packaging/entitlements.plist)
grep -q '<dict/>' <<<"$entitlements" || fail "the entitlements are not the empty set: $entitlements"

# Every size the .icns has a slot for, up to 1024 pixels.
icon="$build/src/app/icon"
for element in is32 il32 it32 ic08 ic09 ic10; do
    icns2png -l "$icon/Scanbrook.icns" | grep -q "'$element'" || fail "the .icns lacks $element"
done

shellcheck scripts/*.sh scripts/ci/*.sh || fail "shellcheck"

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/scanbrook bin/scanbrook-cli share/applications/scanbrook.desktop \
    share/icons/hicolor/scalable/apps/scanbrook.svg share/icons/hicolor/256x256/apps/scanbrook.png; do
    [[ -f "$prefix/$file" ]] || fail "the install tree lacks $file"
done
if ldd "$prefix/bin/scanbrook" | grep 'not found'; then
    fail "the installed scanbrook misses libraries"
fi
[[ "$("$prefix/bin/scanbrook-cli" --version)" == "scanbrook-cli $version" ]] ||
    fail "the installed scanbrook-cli --version"
SCANBROOK_PLATFORM_ROOT="$PWD/$build/simroot" "$prefix/bin/scanbrook-cli" doctor ||
    fail "the installed scanbrook-cli doctor on the simulated Mac"
exit "$failed"
