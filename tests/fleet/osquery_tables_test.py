"""Runs each osquery table's query of packaging/osquery/scanbrook.conf, exactly as written there,
with the sqlite3 command line on a read-only URI (as osquery opens the file) against a scan
ledger while another process holds a write transaction open on it, as a `record` in progress
does, and checks the rows: the columns the block names, text-friendly values, every committed
row and nothing uncommitted.

The ledger is recorded from the simulated Mac by `scanbrook-cli record` (twice: a first read and
an incremental one).

usage: osquery_tables_test.py SCANBROOK_CLI SIM_ROOT CONF
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

CLI, SIM_ROOT, CONF = sys.argv[1:4]
ROOT_LEDGER = "/Library/Application Support/Scanbrook/ledger.sqlite3"
USER_LEDGERS = "/Users/%/Library/Application Support/Scanbrook/ledger.sqlite3"
UTC = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z$")
# What the held transaction adds: a read that a reader must not see before it is committed.
HELD_WRITE = ("BEGIN IMMEDIATE;\nINSERT INTO reads (read_at_utc, read_at_us, span, tool_status, "
              "outcome, events_seen, events_new) VALUES ('2024-03-05T12:00:00.000000Z', "
              "1709640000000000, 'last 1d', 0, 'none_found', 0, 0);\n")


def sqlite(*arguments, stdin=None):
    return subprocess.run(["sqlite3", "-bail", *arguments], input=stdin, capture_output=True,
                          text=True, timeout=120)


def count(ledger, table):
    done = sqlite(ledger, f"SELECT count(*) FROM {table};")
    assert done.returncode == 0, done.stderr
    return int(done.stdout)


def make_ledger(folder):
    ledger = os.path.join(folder, ROOT_LEDGER.lstrip("/"))
    os.makedirs(os.path.dirname(ledger))
    root = os.path.join(folder, "root")
    shutil.copytree(SIM_ROOT, root, symlinks=True)
    # A clock that stands still for both reads, at the present: the ledger prunes by the real one.
    with open(os.path.join(root, "sim", "control", "now"), "w", encoding="ascii") as now:
        now.write(str(int(time.time())))
    for _ in range(2):
        done = subprocess.run([CLI, "record", "--ledger", ledger], capture_output=True, text=True,
                              env=dict(os.environ, SCANBROOK_PLATFORM_ROOT=root), timeout=300)
        assert done.returncode == 0, f"record exited {done.returncode}: {done.stderr}"
        print(done.stdout, end="")
    return ledger, "recorded by scanbrook-cli record"


def write_lock_held(ledger):
    """Whether some connection holds the ledger's write lock: no other can begin a write."""
    done = sqlite(ledger, "PRAGMA busy_timeout = 0; BEGIN IMMEDIATE; ROLLBACK;")
    return done.returncode != 0 and "locked" in done.stderr


def check_rows(name, block, rows, expected):
    columns = block["columns"]
    assert "path" not in columns, f"{name}: osquery adds the column path itself"
    assert len(rows) == expected, f"{name}: {len(rows)} rows, expected {expected}"
    for row in rows:
        assert list(row) == columns, f"{name}: columns {list(row)}, the block names {columns}"
        assert None not in row.values(), f"{name}: a NULL reads badly as text: {row}"
        if "time_utc" in row:
            assert UTC.match(row["time_utc"]), f"{name}: {row['time_utc']} is not UTC ISO 8601"
            assert row["outcome"] in ("clean", "warning", "none"), f"{name}: {row}"
            assert row["clean"] == (row["outcome"] == "clean"), f"{name}: clean is 0/1: {row}"
            assert row["status_code"] == "" or isinstance(row["status_code"], int), row
    order = "time_utc" if "time_utc" in columns else "read_at_utc"
    times = [row[order] for row in rows]
    assert times == sorted(times), f"{name}: rows not in the order of {order}"


def main():
    with open(CONF, encoding="utf-8") as conf:
        tables = json.load(conf)["auto_table_construction"]
    paths = {block["path"] for block in tables.values()}
    assert {ROOT_LEDGER, USER_LEDGERS} <= paths, f"tables over {paths}"
    assert tables["scanbrook_scans"]["path"] == ROOT_LEDGER
    folder = tempfile.mkdtemp(prefix="scanbrook-osquery-")
    writer = None
    try:
        ledger, how = make_ledger(folder)
        with open(ledger, "rb") as file:
            header = file.read(20)
        # The file format's read and write versions: 1 for a rollback journal, 2 for WAL, whose
        # readers need write access beside the file.
        assert header[18:20] == b"\x01\x01", "the ledger is not in rollback-journal mode"
        expected = {"events": count(ledger, "events"), "reads": count(ledger, "reads")}
        assert expected["events"] > 0 and expected["reads"] > 0, expected
        writer = subprocess.Popen(["sqlite3", "-bail", ledger], stdin=subprocess.PIPE,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        writer.stdin.write(".timeout 5000\n" + HELD_WRITE)
        writer.stdin.flush()
        deadline = time.monotonic() + 20
        while not write_lock_held(ledger):
            assert writer.poll() is None, "the writer ended: " + writer.stderr.read()
            assert time.monotonic() < deadline, "the writer never took the write lock"
            time.sleep(0.05)
        uri = "file:" + urllib.parse.quote(ledger) + "?mode=ro"
        for name, block in tables.items():
            assert block["platform"] == "darwin", name
            done = sqlite("-json", uri, block["query"])
            assert done.returncode == 0 and not done.stderr, f"{name}: {done.stderr}"
            rows = json.loads(done.stdout or "[]")
            table = re.search(r"\bFROM (\w+)", block["query"]).group(1)
            check_rows(name, block, rows, expected[table])
            print(f"{name}: {len(rows)} rows")
        assert writer.poll() is None and write_lock_held(ledger), "the write was not held open"
        writer.stdin.close()  # the writer ends without committing
        assert writer.wait(timeout=60) == 0, writer.stderr.read()
        assert count(ledger, "reads") == expected["reads"], "the held write was committed"
        print(f"ok: the ledger {how}, read while a write transaction was open")
    finally:
        if writer and writer.poll() is None:
            writer.kill()
            writer.wait()
        shutil.rmtree(folder)


if __name__ == "__main__":
    try:
        main()
    except AssertionError as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
