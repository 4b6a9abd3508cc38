#!/usr/bin/env python3
"""Compiles every Mac branch of src/ and sim/ on Linux, against the stand-ins beside this file
(README.md says how). Usage: compile-apple-branches.py BUILD/compile_commands.json"""
import concurrent.futures
import json
import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
TREES = ("src", "sim")
APPLE = re.compile(r"\b__APPLE__\b")
LINUX = re.compile(r"\b__linux__\b")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def mirror(into):
    """src/ and sim/ under `into`, with the Mac's predefined macros swapped for our own."""
    for tree in TREES:
        for path in (ROOT / tree).rglob("*"):
            if path.suffix not in (".cpp", ".h", ".hpp", ".in") or not path.is_file():
                continue
            text = path.read_text()
            target = into / path.relative_to(ROOT)
            target.parent.mkdir(parents=True, exist_ok=True)
            text = APPLE.sub("SCANBROOK_STUB_APPLE", text)
            target.write_text(LINUX.sub("SCANBROOK_STUB_NOT_LINUX", text))


def has_mac_branch(path):
    """Whether `path`, or a header of ours it includes directly, has a Mac branch."""
    text = path.read_text()
    if APPLE.search(text) or path.name.endswith("Mac.cpp"):
        return True
    for name in INCLUDE.findall(text):
        for base in (path.parent, ROOT / "src", ROOT / "sim"):
            header = base / name
            if header.is_file() and APPLE.search(header.read_text()):
                return True
    return False


def main():
    units = json.load(open(sys.argv[1]))
    by_file = {pathlib.Path(u["file"]).resolve(): u for u in units}
    sources = sorted(p for tree in TREES for p in (ROOT / tree).rglob("*.cpp") if has_mac_branch(p))
    work = pathlib.Path(tempfile.mkdtemp())
    try:
        mirror(work)
        jobs = []
        for source in sources:
            # A Mac-only source is not in a Linux build: it takes the flags of its folder.
            unit = by_file.get(source) or next(
                (u for f, u in by_file.items() if f.parent == source.parent), None)
            if unit is None:
                print(f"error: no compile command for {source} or its folder")
                return 1
            flags, skip = [], False
            for word in shlex.split(unit["command"])[1:]:
                if skip:
                    skip = False
                elif word == "-o":
                    skip = True
                elif word not in ("-c", unit["file"]):
                    for tree in TREES:
                        word = word.replace(f"-I{ROOT / tree}", f"-I{work / tree}")
                    flags.append(word)
            copy = work / source.relative_to(ROOT)
            jobs.append((source, unit["directory"], [
                "clang++-19", "-stdlib=libc++", "-fsyntax-only", "-DSCANBROOK_STUB_APPLE",
                f"-I{HERE / 'include'}", "-include", str(HERE / "AppleStubs.h"), *flags,
                str(copy)]))

        def run(job):
            source, directory, command = job
            done = subprocess.run(command, cwd=directory, capture_output=True, text=True)
            return source, done.returncode, done.stderr

        failed = 0
        with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
            for source, status, errors in pool.map(run, jobs):
                print(f"{'ok   ' if status == 0 else 'error'} {source.relative_to(ROOT)}")
                if status != 0:
                    failed += 1
                    print(errors)
        print(f"Mac branches: {len(jobs) - failed} of {len(jobs)} files compile")
        return 1 if failed or not jobs else 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
