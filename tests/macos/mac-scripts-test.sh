#!/usr/bin/env bash
# The Mac's release scripts on Linux, with the Mac's tools replaced by ./stub on PATH: what they
# run, in which order and with which options, and that they fail when the Mac's tools would
# report a fault. CI runs it (scripts/ci/16-macos-scripts.sh). Prints one line per case.
# The cases' conditions are evaluated late, by check, so they are quoted as they are written.
# shellcheck disable=SC2016,SC2034
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$here/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for tool in codesign xcrun hdiutil plutil file otool vtool ditto pkgbuild productbuild \
    launchctl iconutil brew lsof; do
    ln -s "$here/stub" "$work/bin/$tool"
done
export PATH="$work/bin:$PATH" STUB_LOG="$work/log"
failures=0
check() { # NAME CONDITION...: one case's verdict
    local name=$1
    shift
    if "$@"; then
        echo "ok   $name"
    else
        echo "FAIL $name"
        failures=$((failures + 1))
    fi
}
fresh() { rm -rf "$STUB_LOG"* "$work/out"; }
signs() { grep '^codesign --force' "$STUB_LOG"; }

# A bundle as macdeployqt leaves it: frameworks, a plug-in, the two programs.
bundle() { # FOLDER CLI_MINOS
    local app="$1/Scanbrook.app" cli_minos=${2:-15.0}
    mkdir -p "$app/Contents/MacOS" "$app/Contents/Frameworks/QtCore.framework" \
        "$app/Contents/PlugIns/platforms"
    printf 'LSMinimumSystemVersion=15.0\nCFBundleShortVersionString=1.2.3\n' >"$app/Contents/Info.plist"
    printf '# macho\n# minos 14.0\n' >"$app/Contents/Frameworks/libicuuc.78.dylib"
    printf '# macho\n# minos 15.0\n' >"$app/Contents/PlugIns/platforms/libqcocoa.dylib"
    printf '#!/bin/sh\n# macho\n# minos 15.0\n# rpath @executable_path/../Frameworks\nexec sleep 30\n' \
        >"$app/Contents/MacOS/Scanbrook"
    printf '#!/bin/sh\n# macho\n# minos %s\n# lib @rpath/libicuuc.78.dylib\n%s\necho scanbrook-cli 1.2.3\n' \
        "$cli_minos" '[ -n "$DYLD_PRINT_LIBRARIES" ] && echo "dyld[7]: <1> ${FAKE_DYLD:-/usr/lib/libc++.1.dylib}" >&2' \
        >"$app/Contents/MacOS/scanbrook-cli"
    chmod +x "$app/Contents/MacOS/"*
}
bundle "$work/tree"
app="$work/tree/Scanbrook.app"

# --- macos-release.sh
release() { bash "$repo/scripts/macos-release.sh" "$@" >"$work/out" 2>&1; }
fresh
SCANBROOK_SIGN_IDENTITY="Developer ID Application: Test" release sign-app "$app"
check "release: inside out, the app last, then verified" \
    test "$(grep -o '[^ ]*$' "$STUB_LOG" | sed "s|$app||")" = "$(printf '%s\n' \
        /Contents/Frameworks/QtCore.framework /Contents/Frameworks/libicuuc.78.dylib \
        /Contents/PlugIns/platforms/libqcocoa.dylib /Contents/MacOS/scanbrook-cli "" "")"
check "release: hardened runtime and timestamp on every Mach-O" \
    test "$(signs | grep -c -- '--options runtime --timestamp --sign Developer ID Application: Test')" = 5
check "release: entitlements on the app only" \
    test "$(signs | grep -- --entitlements | grep -o '[^ ]*$')" = "$app"
fresh
release sign-app "$app"
check "release: ad hoc, with the hardened runtime too" \
    test "$(signs | grep -c -- '--options runtime --sign - ')" = 5
fresh
FAKE_NOTARY_JSON='{"id":"42-ab","message":"Processing complete","status":"Invalid"}' \
    FAKE_NOTARY_LOG="The signature of the binary is invalid." SCANBROOK_NOTARY_PROFILE=p \
    SCANBROOK_SIGN_IDENTITY=me release sign-dmg "$work/x.dmg"
ran=$?
check "release: an Invalid notarization fails with Apple's log" \
    eval '((ran != 0)) && grep -q "Invalid (submission 42-ab)" "$work/out" &&
          grep -q "log of 42-ab: The signature of the binary is invalid" "$work/out" &&
          ! grep -q stapler "$STUB_LOG"'
fresh
FAKE_NOTARY_JSON='{"id":"43-cd","message":"Processing complete","status":"Accepted"}' \
    SCANBROOK_NOTARY_PROFILE=p SCANBROOK_SIGN_IDENTITY=me release sign-dmg "$work/x.dmg"
ran=$?
check "release: an Accepted DMG is stapled" \
    eval '((ran == 0)) && grep -q -- "--output-format json" "$STUB_LOG" &&
          tail -1 "$STUB_LOG" | grep -qx "xcrun stapler staple $work/x.dmg"'

# --- macos-check-dmg.sh, on a copy of the bundle that each case spoils in one way
checked() { # CASE SPOIL_COMMAND: runs the check; prints its status
    rm -rf "$work/dmg" && mkdir "$work/dmg" && cp -R "$app" "$work/dmg/"
    (cd "$work/dmg/Scanbrook.app" && eval "$2")
    FAKE_APP_TREE="$work/dmg" SCANBROOK_CHECK_RUN_SECONDS=1 \
        bash "$repo/scripts/macos-check-dmg.sh" "$work/x.dmg" >"$work/out" 2>&1
}
expect_check() { # NAME STATUS MESSAGE SPOIL
    checked "$1" "$4"
    ran=$?
    check "check-dmg: $1" eval "((ran == $2)) && grep -q -- '$3' '$work/out'"
}
fresh
expect_check "a sound bundle passes" 0 "4 binaries in .*LSMinimumSystemVersion 15.0" ":"
expect_check "a binary newer than the bundle says" 1 "scanbrook-cli needs macOS 15.4, the bundle says 15.0" \
    "sed -i 's/# minos 15.0/# minos 15.4/' Contents/MacOS/scanbrook-cli"
expect_check "an older one is fine" 0 "4 binaries" \
    "sed -i 's/# minos 15.0/# minos 13.0/' Contents/MacOS/scanbrook-cli"
expect_check "a Homebrew library" 1 "libqcocoa.dylib loads a Homebrew library" \
    "echo '# lib /opt/homebrew/opt/icu4c@78/lib/libicuuc.78.dylib' >>Contents/PlugIns/platforms/libqcocoa.dylib"
expect_check "a run path outside the bundle" 1 "looks for libraries in /usr/local/lib" \
    "echo '# rpath /usr/local/lib' >>Contents/MacOS/Scanbrook"
expect_check "dyld loads from Homebrew" 1 "loads the Homebrew libraries above" \
    "sed -i 's|\${FAKE_DYLD:-/usr/lib/libc++.1.dylib}|/opt/homebrew/lib/libsimdjson.26.dylib|' Contents/MacOS/scanbrook-cli"
expect_check "the app ends at once" 1 "ended within seconds of its start (status 3)" \
    "sed -i 's/exec sleep 30/exit 3/' Contents/MacOS/Scanbrook"
expect_check "two ICUs" 1 "2 ICUs in" \
    "printf '# macho\\n# minos 14.0\\n' >Contents/Frameworks/libicuuc.77.dylib"
FAKE_LSOF=/opt/homebrew/lib/QtCore.framework/QtCore expect_check "the app maps Homebrew's Qt" 1 \
    "has loaded the Homebrew files above" ":"
FAKE_VERIFY_STATUS=1 expect_check "a broken signature" 1 "signature .* does not hold" ":"

# --- macos-hdiutil.sh: create tried again while busy, attach once
hdiutil_run() { SCANBROOK_HDIUTIL=hdiutil SCANBROOK_HDIUTIL_PAUSE=0 "$repo/scripts/macos-hdiutil.sh" "$@" 2>/dev/null; }
fresh
FAKE_CREATE_FAILURES=2 hdiutil_run create -ov x.dmg
ran=$?
check "hdiutil: a busy create is tried again" eval '((ran == 0)) && (($(grep -c "^hdiutil create" "$STUB_LOG") == 3))'
fresh
FAKE_CREATE_FAILURES=9 hdiutil_run create -ov x.dmg
ran=$?
check "hdiutil: gives up after five" eval '((ran == 1)) && (($(grep -c "^hdiutil create" "$STUB_LOG") == 5))'

# --- macos-pkg.sh: the payload, the scripts, signing
fresh
bash "$repo/scripts/macos-pkg.sh" "$app" "$work/Scanbrook.pkg" >"$work/out" 2>&1
check "pkg: what it installs, with which modes" test "$(cat "$STUB_LOG.payload")" = "$(printf '%s\n' \
    "644 ./Applications/Scanbrook.app/Contents/Frameworks/libicuuc.78.dylib" \
    "644 ./Applications/Scanbrook.app/Contents/Info.plist" \
    "644 ./Applications/Scanbrook.app/Contents/PlugIns/platforms/libqcocoa.dylib" \
    "644 ./Library/LaunchDaemons/org.scanbrook.Scanbrook.summary.plist" \
    "755 ./Applications/Scanbrook.app/Contents/MacOS/Scanbrook" \
    "755 ./Applications/Scanbrook.app/Contents/MacOS/scanbrook-cli" \
    "755 ./Library/Application Support/Scanbrook/scanbrook-summary-attribute.js" \
    "755 ./usr/local/bin/scanbrook-cli")"
check "pkg: the app stays in /Applications, versioned, unsigned without an identity" eval \
    'grep -q "^plutil -replace 0.BundleIsRelocatable -bool NO" "$STUB_LOG" &&
     grep -q "identifier org.scanbrook.Scanbrook.pkg --version 1.2.3 --install-location /" "$STUB_LOG" &&
     ! grep -q -- "--sign" "$STUB_LOG" && ! grep -q notarytool "$STUB_LOG" && test -f "$work/Scanbrook.pkg"'
check "pkg: loads no daemon unless told" test ! -e "$STUB_LOG.scripts/load-daemon"
fresh
FAKE_NOTARY_JSON='{"status":"Accepted","id":"1"}' SCANBROOK_NOTARY_PROFILE=p \
    SCANBROOK_INSTALLER_IDENTITY="Developer ID Installer: Test" \
    bash "$repo/scripts/macos-pkg.sh" --load-daemon "$app" "$work/Scanbrook.pkg" >"$work/out" 2>&1
check "pkg: signed, notarized and stapled with an identity" eval \
    'grep -q "^productbuild .* --sign Developer ID Installer: Test --timestamp $work/Scanbrook.pkg" "$STUB_LOG" &&
     grep -q "^xcrun notarytool submit $work/Scanbrook.pkg" "$STUB_LOG" &&
     grep -q "^xcrun stapler staple $work/Scanbrook.pkg" "$STUB_LOG" && test -e "$STUB_LOG.scripts/load-daemon"'

# The postinstall, as the installer runs it: package, location, volume.
postinstall() { # LOAD_DAEMON LOADED_STATUS VOLUME: prints the launchctl calls
    rm -rf "$work/scripts" "$STUB_LOG" && cp -R "$repo/packaging/macos/pkg-scripts" "$work/scripts"
    [[ $1 == 1 ]] && : >"$work/scripts/load-daemon"
    FAKE_LOADED_STATUS=$2 sh "$work/scripts/postinstall" x.pkg / "$3" / >/dev/null 2>&1
    grep -v '^launchctl print' "$STUB_LOG" 2>/dev/null | tr '\n' ';'
}
plist=//Library/LaunchDaemons/org.scanbrook.Scanbrook.summary.plist
check "postinstall: not told, not loaded: nothing" test "$(postinstall 0 113 /)" = ""
check "postinstall: told: loads it" test "$(postinstall 1 113 /)" = "launchctl bootstrap system $plist;"
check "postinstall: loaded: reloads it" test "$(postinstall 0 0 /)" = \
    "launchctl bootout system/org.scanbrook.Scanbrook.summary;launchctl bootstrap system $plist;"
check "postinstall: another volume: nothing" test "$(postinstall 1 0 /Volumes/Other)" = ""

# --- HomebrewIcu.cmake: the ICU that qtbase links, not the icu4c alias
icu() { cmake -DBREW="$work/bin/brew" -P "$repo/cmake/HomebrewIcu.cmake" 2>&1; }
check "icu: qtbase's versioned formula" test "$(icu)" = /opt/homebrew/opt/icu4c@78
check "icu: none when qtbase links none" test "$(FAKE_QT_ICU=icu4c-tools icu)" = ""

# --- RenderIcon.cmake's iconutil branch: the ten names iconutil reads, each at its size
mkdir "$work/icon"
cmake -DSVG="$repo/packaging/scanbrook.svg" -DOUT="$work/icon" -DRSVG="$(command -v rsvg-convert)" \
    -DICONUTIL="$work/bin/iconutil" -P "$repo/cmake/RenderIcon.cmake" >"$work/out" 2>&1
ran=$?
check "icon: iconutil gets the ten files at their sizes" eval '((ran == 0)) && test -f "$work/icon/Scanbrook.icns"'

echo "$failures failed"
((failures == 0))
