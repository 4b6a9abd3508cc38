#!/bin/sh
# The control of the simulated Mac's two copies of XProtect's data: gives one of them another
# version (and a new modification time), or removes it. Acts on the root it lies in
# (ROOT/sim/data-copy.sh), so run it in a copy of the root.
# usage: sh ROOT/sim/data-copy.sh active|legacy VERSION|remove
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
active) bundle="$root/var/protected/xprotect/XProtect.bundle" ;;
legacy) bundle="$root/Library/Apple/System/Library/CoreServices/XProtect.bundle" ;;
*)
    echo "usage: sh $0 active|legacy VERSION|remove" >&2
    exit 64
    ;;
esac
version="${2:-}"
if [ "$version" = remove ]; then
    rm -rf "$bundle"
    exit 0
fi
case "$version" in
'' | *[!0-9.]*)
    echo "data-copy.sh: the version must be digits and dots, or 'remove'" >&2
    exit 64
    ;;
esac
mkdir -p "$bundle/Contents"
cat >"$bundle/Contents/Info.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<!-- Synthetic: written by the simulated Mac's data-copy.sh. -->
<plist version="1.0">
<dict>
	<key>CFBundleIdentifier</key>
	<string>com.apple.XProtect</string>
	<key>CFBundleShortVersionString</key>
	<string>$version</string>
	<key>CFBundleVersion</key>
	<string>$version</string>
</dict>
</plist>
PLIST
touch "$bundle"
