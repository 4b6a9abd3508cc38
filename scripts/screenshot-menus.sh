#!/usr/bin/env bash
# Retakes docs/menus.png (the Help menu open) and docs/about-box.png (About Scanbrook):
# Scanbrook under Xvfb with a window manager, on the simulated Mac.
# Usage: bash scripts/screenshot-menus.sh [build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"

bash scripts/install-deps.sh xvfb xauth openbox xdotool x11-apps x11-utils imagemagick

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Scanbrook"
printf '[General]\ntimePeriod=2\nnoUpdateCheck=true\n' >"$work/config/Scanbrook/Scanbrook.conf"

cat >"$work/shoot.sh" <<'SHOOT'
#!/bin/sh
openbox --sm-disable 2>/dev/null &
sleep 1
"$APP" &
pid=$!
win=$(xdotool search --sync --name '^Scanbrook : ' | head -n 1)
xdotool windowmove --sync "$win" 30 30
xdotool windowactivate --sync "$win"
sleep 1
xdotool key alt+h
sleep 3
# import, not xwd: xwd leaves the new popup and dialog black.
import -window root "$OUT/menus.png"
xdotool key a
sleep 3
import -window root "$OUT/about.png"
kill $pid
SHOOT
chmod +x "$work/shoot.sh"

SCANBROOK_PLATFORM_ROOT="$PWD/$build/simroot" XDG_CONFIG_HOME="$work/config" \
    APP="$PWD/$build/src/app/scanbrook" OUT="$work" \
    xvfb-run -a -s "-screen 0 1100x720x24" "$work/shoot.sh"
/usr/bin/convert "$work/menus.png" -crop 640x280+30+10 +repage -strip docs/menus.png
/usr/bin/convert "$work/about.png" -crop 962x622+30+10 +repage -strip docs/about-box.png
echo "docs/menus.png docs/about-box.png"
