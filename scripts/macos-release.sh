#!/usr/bin/env bash
# Signs Scanbrook for release on a Mac; CPack runs it (cpack -G DragNDrop in the build folder),
# and scripts/macos-pkg.sh for the installer package.
#   macos-release.sh sign-app Scanbrook.app   the staged bundle, before the DMG is made
#   macos-release.sh sign-dmg Scanbrook.dmg   the DMG: signed, notarized, the ticket stapled
#   macos-release.sh notarize FILE            notarized (Accepted, or the script fails with
#                                             Apple's log) and the ticket stapled
# Every Mach-O is signed with the hardened runtime, an ad-hoc signature too, so that what CI
# signs ad hoc runs under the same rules as a release; the entitlements go on the app only.
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
        codesign --force --options runtime --sign - "$@"
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

# A string field of notarytool's one-line JSON answer.
json_field() { sed -n 's/.*"'"$1"'"[[:space:]]*:[[:space:]]*"\([^"]*\)".*/\1/p' <<<"$2"; }

# notarytool's exit status says only whether the submission went through: "Invalid" and
# "Rejected" verdicts exit 0 too. So the verdict is read from its JSON and anything but
# "Accepted" fails, with Apple's log of the reasons.
notarize() {
    local file="$1" answer status id
    : "${SCANBROOK_NOTARY_PROFILE:?names the notarytool keychain profile}"
    answer=$(xcrun notarytool submit "$file" --keychain-profile "$SCANBROOK_NOTARY_PROFILE" \
        --wait --output-format json)
    status=$(json_field status "$answer")
    id=$(json_field id "$answer")
    if [[ "$status" != Accepted ]]; then
        echo "error: notarization of $file: ${status:-no verdict} (submission ${id:-unknown})" >&2
        if [[ -n "$id" ]]; then
            xcrun notarytool log "$id" --keychain-profile "$SCANBROOK_NOTARY_PROFILE" >&2 || true
        else
            echo "$answer" >&2
        fi
        return 1
    fi
    xcrun stapler staple "$file"
}

sign_dmg() {
    local dmg="$1"
    if [[ "$identity" == "-" ]]; then
        echo "SCANBROOK_SIGN_IDENTITY unset: $dmg stays unsigned and is not notarized"
        return
    fi
    codesign --force --timestamp --sign "$identity" "$dmg"
    notarize "$dmg"
}

case "${1:-}" in
sign-app) sign_app "$2" ;;
sign-dmg) sign_dmg "$2" ;;
notarize) notarize "$2" ;;
*)
    echo "usage: $0 sign-app BUNDLE | sign-dmg DMG | notarize FILE" >&2
    exit 2
    ;;
esac
