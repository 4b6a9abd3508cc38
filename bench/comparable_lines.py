#!/usr/bin/env python3
"""The report's three fields with Python's own json module, for the benchmark's comparison.

Reads a file of log tool output (a JSON array of entries) and prints, for each entry, the
first 23 characters of "timestamp", two spaces, the last "/"-separated piece of
"senderImagePath", two spaces and "eventMessage": the same lines as the jq command in
bench/run.sh (without the report's sender padding and outcome marker).
"""

import json
import sys


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: comparable_lines.py FILE", file=sys.stderr)
        return 64
    with open(sys.argv[1], "rb") as file:
        entries = json.load(file)
    lines = [
        f'{entry["timestamp"][:23]}  {entry["senderImagePath"].split("/")[-1]}  '
        f'{entry["eventMessage"]}\n'
        for entry in entries
    ]
    sys.stdout.buffer.write("".join(lines).encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
