#!/usr/bin/env bash
# hdiutil for CPack (CPACK_COMMAND_HDIUTIL): "hdiutil create" and "detach" fail now and then
# with "Resource busy" while Spotlight or an antivirus still holds the new image, most often on
# hosted runners; those two are tried up to five times, a few seconds apart. Everything else
# runs once, as hdiutil itself.
set -uo pipefail
hdiutil=${SCANBROOK_HDIUTIL:-/usr/bin/hdiutil}
case "${1:-}" in
create | detach) tries=5 ;;
*) exec "$hdiutil" "$@" ;;
esac
for ((try = 1; ; try++)); do
    "$hdiutil" "$@" && exit 0
    status=$?
    if ((try >= tries)); then
        echo "hdiutil $1 failed $tries times" >&2
        exit "$status"
    fi
    echo "hdiutil $1 failed (status $status); trying again" >&2
    sleep "${SCANBROOK_HDIUTIL_PAUSE:-3}"
done
