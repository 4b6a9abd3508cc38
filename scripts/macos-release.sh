#!/usr/bin/env bash
# Signs Scanbrook for release on a Mac; CPack runs it (cpack -G DragNDrop in the build folder).
#   macos-release.sh sign-app Scanbrook.app   the staged bundle, before the DMG is made
#   macos-release.sh sign-dmg Scanbrook.dmg   the DMG: signed, notarized, the ticket stapled
# From the environment:
#   SCANBROOK_SIGN_IDENTITY    Developer ID Application identity; unset: ad-hoc signature, which
#                              runs on the Mac that built it, and no notarization
#   SCANBROOK_NOTARY_PROFILE   notarytool keychain profile (xcrun notarytool store-credentials)
set -euo pipefail
shopt -s nullglob
here="$(cd "$(dirname "$0")" && pwd)"
entitlements="$here/../packaging/entitlements.plist"
identity="${SCANBROOK_SIGN_IDENTITY:--}"

sign() {
    if [[ "$identity" == "-" ]]; then
        codesign --force --sign - "$@"
    else
        codesign --force --options runtime --timestamp --sign "$identity" "$@"
    fi
}

sign_app() {
    local app="$1" item
    # Inside out: a seal covers what is nested, so the nested code is signed first.
    for item in "$app"/Contents/Frameworks/*.framework "$app"/Contents/Frameworks/*.dylib; do
        sign "$item"
    done
    while IFS= read -r -d '' item; do
        sign "$item"
    done < <(find "$app/Contents/PlugIns" -type f -name '*.dylib' -print0 2>/dev/null)
    sign "$app/Contents/MacOS/scanbrook-cli"
    sign --entitlements "$entitlements" "$app"
    codesign --verify --deep --strict "$app"
}

sign_dmg() {
    local dmg="$1"
    if [[ "$identity" == "-" ]]; then
        echo "SCANBROOK_SIGN_IDENTITY unset: $dmg stays unsigned and is not notarized"
        return
    fi
    : "${SCANBROOK_NOTARY_PROFILE:?names the notarytool keychain profile}"
    codesign --force --timestamp --sign "$identity" "$dmg"
    xcrun notarytool submit "$dmg" --keychain-profile "$SCANBROOK_NOTARY_PROFILE" --wait
    xcrun stapler staple "$dmg"
}

case "${1:-}" in
sign-app) sign_app "$2" ;;
sign-dmg) sign_dmg "$2" ;;
*)
    echo "usage: $0 sign-app BUNDLE | sign-dmg DMG" >&2
    exit 2
    ;;
esac
