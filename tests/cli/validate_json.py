"""Runs the built scanbrook-cli with --json on a copy of the simulated Mac, in the cases fleet
tools meet, and validates each document against its schema in docs/schema/: the check's and
the summary's, and the same read back from the scan ledger (history, summary --recorded).

usage: validate_json.py SCANBROOK_CLI SIM_ROOT SCHEMA_DIR
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

import jsonschema

CLI, SIM_ROOT, SCHEMAS = sys.argv[1:4]
ENTRY = ('{"timestamp":"2024-03-05 09:41:07.123456+0000","senderImagePath":'
         '"\\/Library\\/Apple\\/XProtect.app\\/Contents\\/MacOS\\/XProtectRemediator%s",'
         '"eventMessage":"%s"}')

# name, controls, (check outcome, exit), (summary verdict, exit)
CASES = [
    ("history of the simulated Mac", {"now": "1709631667"}, ("lines", 0), ("clean", 0)),
    ("tool fails", {"log.status": "1"}, ("tool_failed", 2), ("log_failed", 2)),
    ("no log tool", {"-usr/bin/log": ""}, ("tool_failed", 2), ("log_failed", 2)),
    ("no events", {"log.query.output": "[]"}, ("none_found", 0), ("no_scans", 4)),
    ("not an array", {"log.query.output": "{}"}, ("not_an_array", 2), ("log_failed", 2)),
    ("warnings from two scanners",
     {"log.query.output": "[%s,%s,7]" % (ENTRY % ("Eicar", '{\\"status_code\\":1}'),
                                         ENTRY % ("Pirrit", "\\u0000 \\\\ \\ud83d\\ude00 \\t"))},
     ("lines", 1), ("warnings", 1)),
    ("messages not JSON",
     {"log.query.output": "[%s]" % (ENTRY % ("Adload", "plain NoThreatDetected"))},
     ("lines", 0), ("clean", 0)),
]


def run(root, *arguments):
    env = dict(os.environ, SCANBROOK_PLATFORM_ROOT=root)
    done = subprocess.run([CLI, *arguments, "--json"], env=env, capture_output=True, timeout=120)
    text = done.stdout.decode("utf-8")  # fails on anything but UTF-8
    if not text.endswith("}\n"):
        raise AssertionError("not one document and a line feed: %r" % text[-80:])
    return done.returncode, json.loads(text)


def main():
    validators = {}
    for kind in ("check", "summary"):
        with open(os.path.join(SCHEMAS, kind + ".schema.json"), encoding="utf-8") as file:
            schema = json.load(file)
        jsonschema.Draft202012Validator.check_schema(schema)
        validators[kind] = jsonschema.Draft202012Validator(schema)
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, controls, check, summary in CASES:
            root = os.path.join(folder, "root")
            shutil.rmtree(root, ignore_errors=True)
            shutil.copytree(SIM_ROOT, root, symlinks=True)
            for control, value in controls.items():
                if control.startswith("-"):
                    os.remove(os.path.join(root, control[1:]))
                    continue
                with open(os.path.join(root, "sim/control", control), "w") as file:
                    file.write(value)
            for kind, member, (expected, status) in (("check", "outcome", check),
                                                      ("summary", "verdict", summary)):
                code, document = run(root, kind, "--days", "2")
                errors = [e.message for e in validators[kind].iter_errors(document)]
                if document.get(member) != expected or code != status:
                    errors.append("%s %r, exit %d; expected %r, exit %d"
                                  % (member, document.get(member), code, expected, status))
                for error in errors:
                    failures += 1
                    print("FAIL %s, %s: %s" % (name, kind, error))
                if not errors:
                    print("ok   %s, %s" % (name, kind))
            # What the check and summary above recorded, read back from the scan ledger.
            for kind, arguments in (("check", ("history",)), ("summary", ("summary", "--recorded"))):
                code, document = run(root, *arguments, "--days", "400")
                errors = [e.message for e in validators[kind].iter_errors(document)]
                if document.get("source") != "ledger" or "recorded_since" not in document:
                    errors.append("no source \"ledger\" with recorded_since")
                for error in errors:
                    failures += 1
                    print("FAIL %s, %s: %s" % (name, " ".join(arguments), error))
                if not errors:
                    print("ok   %s, %s" % (name, " ".join(arguments)))
    return 1 if failures else 0


sys.exit(main())
