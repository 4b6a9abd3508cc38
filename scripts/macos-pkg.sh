#!/usr/bin/env bash
# The installer package that fleets deploy (macOS only), from a signed Scanbrook.app (the one in
# the DMG, or the staged one CPack signed):
#   macos-pkg.sh [--load-daemon] Scanbrook.app Scanbrook.pkg
# It installs
#   /Applications/Scanbrook.app
#   /usr/local/bin/scanbrook-cli                        the wrapper that starts the bundle's
#   /Library/LaunchDaemons/org.scanbrook.Scanbrook.summary.plist
#   /Library/Application Support/Scanbrook/scanbrook-summary-attribute.js
# and its postinstall loads the daemon at once only when built with --load-daemon (launchd
# loads it at the next boot anyway; one already loaded is reloaded). docs/fleet.md describes it.
# From the environment:
#   SCANBROOK_INSTALLER_IDENTITY  Developer ID Installer identity: the package is signed, then
#                                 notarized and stapled (SCANBROOK_NOTARY_PROFILE, as for the
#                                 DMG); unset: an unsigned package, for testing
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
fleet="$here/../packaging/macos"
load_daemon=0
if [[ "${1:-}" == --load-daemon ]]; then
    load_daemon=1
    shift
fi
if (($# != 2)); then
    echo "usage: $0 [--load-daemon] Scanbrook.app OUT.pkg" >&2
    exit 2
fi
app="$1" out="$2"
version=$(plutil -extract CFBundleShortVersionString raw "$app/Contents/Info.plist")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root" scripts="$work/scripts"
mkdir -p "$root/Applications" "$root/usr/local/bin" "$root/Library/LaunchDaemons" \
    "$root/Library/Application Support/Scanbrook" "$scripts"
# ditto keeps the signature's extended attributes and the frameworks' symbolic links.
ditto "$app" "$root/Applications/Scanbrook.app"
install -m 755 "$fleet/scanbrook-cli" "$root/usr/local/bin/scanbrook-cli"
install -m 644 "$fleet/org.scanbrook.Scanbrook.summary.plist" "$root/Library/LaunchDaemons/"
install -m 755 "$fleet/scanbrook-summary-attribute.js" \
    "$root/Library/Application Support/Scanbrook/"
install -m 755 "$fleet/pkg-scripts/postinstall" "$scripts/postinstall"
if ((load_daemon)); then
    : >"$scripts/load-daemon"
fi

# The installer would otherwise look for a Scanbrook.app anywhere on the disk and update that
# one in place: the app goes to /Applications and nowhere else.
pkgbuild --analyze --root "$root" "$work/components.plist" >/dev/null
plutil -replace 0.BundleIsRelocatable -bool NO "$work/components.plist"
pkgbuild --root "$root" --component-plist "$work/components.plist" --scripts "$scripts" \
    --identifier org.scanbrook.Scanbrook.pkg --version "$version" --install-location / \
    "$work/Scanbrook-component.pkg"

signing=()
if [[ -n "${SCANBROOK_INSTALLER_IDENTITY:-}" ]]; then
    signing=(--sign "$SCANBROOK_INSTALLER_IDENTITY" --timestamp)
fi
# (The form of the expansion is for the Mac's bash 3.2, where an empty array is unset.)
productbuild --package "$work/Scanbrook-component.pkg" ${signing[@]+"${signing[@]}"} "$out"
if ((${#signing[@]} > 0)); then
    bash "$here/macos-release.sh" notarize "$out"
else
    echo "SCANBROOK_INSTALLER_IDENTITY unset: $out is unsigned and not notarized"
fi
