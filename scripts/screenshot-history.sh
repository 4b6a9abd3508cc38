#!/usr/bin/env bash
# Takes docs/history-window.png (the History window while history is kept only while Scanbrook
# checks) and docs/history-window-kept.png (with the background agent installed): Scanbrook
# under Xvfb with a window manager, on a copy of the simulated Mac whose ledger a record filled.
# Usage: bash scripts/screenshot-history.sh [build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"

bash scripts/install-deps.sh xvfb xauth openbox xdotool x11-apps x11-utils imagemagick

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Scanbrook"
printf '[General]\ntimePeriod=2\nhistoryPeriod=7\nnoUpdateCheck=true\n' \
    >"$work/config/Scanbrook/Scanbrook.conf"
cp -a "$build/simroot" "$work/root"
rm -rf "$work/root/sim/store/launchd"
cli="$PWD/$build/src/cli/scanbrook-cli"
export SCANBROOK_PLATFORM_ROOT="$work/root" HOME=/Users/demo SCANBROOK_USER_ID=501
"$cli" record

cat >"$work/shoot.sh" <<'SHOOT'
#!/bin/sh
openbox --sm-disable 2>/dev/null &
sleep 1
"$APP" &
pid=$!
main=$(xdotool search --sync --name '^Scanbrook : ' | head -n 1)
xdotool windowmove --sync "$main" 10 10
xdotool windowactivate --sync "$main"
sleep 2
xdotool key ctrl+y
win=$(xdotool search --sync --name '^History$' | head -n 1)
xdotool windowmove --sync "$win" 60 60
xdotool windowactivate --sync "$win"
sleep 4
frame=$(xwininfo -id "$win" -tree | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')
# import, not xwd: xwd leaves a second top-level window black.
import -window "$frame" "$OUT"
kill $pid
SHOOT
chmod +x "$work/shoot.sh"

shoot() { # picture
    XDG_CONFIG_HOME="$work/config" APP="$PWD/$build/src/app/scanbrook" OUT="$work/shot.png" \
        xvfb-run -a -s "-screen 0 1280x760x24" "$work/shoot.sh"
    /usr/bin/convert "$work/shot.png" -strip "$1"
    echo "$1"
}
shoot docs/history-window.png
"$cli" agent install
shoot docs/history-window-kept.png
"$cli" agent remove
