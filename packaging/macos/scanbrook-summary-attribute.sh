#!/bin/sh
# Extension attribute: the verdict line of the last daily Scanbrook summary and its age, in the
# <result> form that inventory tools read. It only reads the file the LaunchDaemon
# org.scanbrook.Scanbrook.summary writes; it never queries the log itself.
summary=/Library/Logs/Scanbrook/summary.json

if [ ! -r "$summary" ]; then
    echo "<result>No Scanbrook summary yet</result>"
    exit 0
fi
line=$(/usr/bin/plutil -extract verdict_line raw -o - "$summary" 2>/dev/null) ||
    line="Scanbrook summary unreadable"
age=$(($(/bin/date +%s) - $(/usr/bin/stat -f %m "$summary")))
if [ "$age" -lt 7200 ]; then
    ago="$((age / 60)) minutes ago"
elif [ "$age" -lt 172800 ]; then
    ago="$((age / 3600)) hours ago"
else
    # The daemon runs daily: a summary this old means it has stopped.
    ago="$((age / 86400)) days ago, stale"
fi
echo "<result>$line ($ago)</result>"
