#!/usr/bin/env bash
# Retakes docs/scanbrook-window.png: Scanbrook under Xvfb with a window manager, on the
# simulated Mac, after a press of Check XProtect for the last 2 days; and
# docs/scanbrook-progress.png: the same press while a slow log tool is still being read;
# docs/scanbrook-summary.png: a check of 30 days, whose history holds a threat found and not
# removed, with XProtect's data copies apart; then docs/menus.png (the Help menu open),
# docs/about-box.png (About Scanbrook) and docs/menus-file-view-window.png (the File, View and
# Window menus side by side).
# Usage: bash scripts/screenshot.sh [build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"

bash scripts/install-deps.sh xvfb xauth openbox xdotool x11-apps x11-utils imagemagick

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Scanbrook"
printf '[General]\ntimePeriod=2\nnoUpdateCheck=true\n' >"$work/config/Scanbrook/Scanbrook.conf"
mkdir -p "$work/month/Scanbrook"
printf '[General]\ntimePeriod=30\nnoUpdateCheck=true\n' >"$work/month/Scanbrook/Scanbrook.conf"

# MODE check: the window a few seconds after a press of Check XProtect, into $OUT;
# MODE menus: the File, View and Window menus, the Help menu open and the About box, into
# $OUT/menu-f.png, menu-v.png, menu-w.png, menus.png and about.png.
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
if [ "$MODE" = check ]; then
    # The Check XProtect button, inside the window.
    xdotool mousemove --window "$win" 220 44 click 1
    sleep "$WAIT"
    xdotool mousemove 5 5
    sleep 1
    frame=$(xwininfo -id "$win" -tree | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')
    xwd -silent -id "$frame" >"$OUT"
else
    for menu in f v w; do
        xdotool key alt+$menu
        sleep 2
        import -window root "$OUT/menu-$menu.png"
        xdotool key Escape
        sleep 1
    done
    xdotool key alt+h
    sleep 3
    # import, not xwd: xwd leaves the new popup and dialog black.
    import -window root "$OUT/menus.png"
    xdotool key a
    sleep 3
    import -window root "$OUT/about.png"
fi
kill $pid
SHOOT
chmod +x "$work/shoot.sh"

shoot() { # root, seconds after the press, picture[, settings folder]
    SCANBROOK_PLATFORM_ROOT="$1" XDG_CONFIG_HOME="${4:-$work/config}" MODE=check WAIT="$2" \
        APP="$PWD/$build/src/app/scanbrook" OUT="$work/shot.xwd" \
        xvfb-run -a -s "-screen 0 1280x760x24" "$work/shoot.sh"
    /usr/bin/convert "$work/shot.xwd" -strip "$3"
    echo "$3"
}
shoot "$PWD/$build/simroot" 4 docs/scanbrook-window.png
# A log tool that hands over an entry every 50 ms, as a long period's query does on a Mac.
cp -a "$build/simroot" "$work/slowroot"
echo 0.05 >"$work/slowroot/sim/control/log.pace"
shoot "$work/slowroot" 3 docs/scanbrook-progress.png
cp -a "$build/simroot" "$work/monthroot"
sh "$work/monthroot/sim/data-copy.sh" active 5301
shoot "$work/monthroot" 6 docs/scanbrook-summary.png "$work/month"

SCANBROOK_PLATFORM_ROOT="$PWD/$build/simroot" XDG_CONFIG_HOME="$work/config" MODE=menus \
    APP="$PWD/$build/src/app/scanbrook" OUT="$work" \
    xvfb-run -a -s "-screen 0 1280x760x24" "$work/shoot.sh"
/usr/bin/convert "$work/menus.png" -crop 640x280+30+10 +repage -strip docs/menus.png
/usr/bin/convert "$work/about.png" -crop 1182x662+30+10 +repage -strip docs/about-box.png
for menu in f v w; do
    /usr/bin/convert "$work/menu-$menu.png" -crop 420x160+30+10 +repage "$work/menu-$menu.png"
done
/usr/bin/convert "$work/menu-f.png" "$work/menu-v.png" "$work/menu-w.png" +append -strip \
    docs/menus-file-view-window.png
echo "docs/menus.png docs/about-box.png docs/menus-file-view-window.png"
