#!/usr/bin/env bash
# Every translation unit of the debug build (the one 20-test.sh makes), the Qt window's and the
# tests' included, through clang 19 with libc++ 19 (what Xcode 16's Apple clang is built from)
# with the project's own flags and -Werror, syntax only: the one check that covers the Qt layer
# under clang and libc++, as a Mac compiles it. Then every __APPLE__ branch, compiled against
# stand-ins for the Apple calls it makes (tests/apple/, see its README).
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh
bash scripts/install-deps.sh clang-19 libc++-19-dev libc++abi-19-dev
# The generated sources (moc, rcc, BuildInfo.h) must be there; a built tree does nothing here.
bash scripts/build.sh debug

python3 - build/debug/compile_commands.json <<'PY'
import concurrent.futures, json, os, shlex, subprocess, sys

units = json.load(open(sys.argv[1]))
def check(unit):
    words = shlex.split(unit["command"])
    # The build's own compiler and output go; every flag, define and include stays.
    flags = []
    skip = False
    for word in words[1:]:
        if skip:
            skip = False
        elif word == "-o":
            skip = True
        elif word != "-c" and word != unit["file"]:
            flags.append(word)
    command = ["clang++-19", "-stdlib=libc++", "-fsyntax-only", *flags, unit["file"]]
    done = subprocess.run(command, cwd=unit["directory"], capture_output=True, text=True)
    return unit["file"], done.returncode, done.stderr

seen, failed = set(), 0
unique = [u for u in units if not (u["command"] in seen or seen.add(u["command"]))]
with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
    for file, status, errors in pool.map(check, unique):
        if status != 0:
            failed += 1
            print(f"error: {file} does not compile under clang 19 with libc++\n{errors}")
print(f"clang 19 + libc++: {len(unique) - failed} of {len(unique)} translation units compile")
sys.exit(1 if failed or not unique else 0)
PY

python3 tests/apple/compile-apple-branches.py build/debug/compile_commands.json
