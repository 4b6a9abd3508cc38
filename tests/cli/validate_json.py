"""Runs the built scanbrook-cli with --json on a copy of the simulated Mac, in the cases fleet
tools meet, and validates each document against its schema in docs/schema/: check and summary
in CASES, the same read back from the scan ledger (history, summary --recorded), and doctor in
DOCTOR_CASES.

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

FOUND = '{\\"caused_by\\":[\\"\\/Users\\/Shared\\/x\\",{\\"path\\":\\"\\/tmp\\/\\u00e9\\"}]}'

# name, controls, (check outcome, exit), (summary verdict, status, exit), what else the
# summary must say: member path -> value. "-PATH" removes a file of the root, "!active" and
# "!legacy" run the data copies' control with the value.
CASES = [
    # The history ends in March 2024: long stale, whatever it holds.
    ("history of the simulated Mac", {"now": "1709631667"}, ("lines", 0),
     ("clean", "stale", 1), {"protection.data_versions_differ": False, "notes": []}),
    ("tool fails", {"log.status": "1"}, ("tool_failed", 2), ("log_failed", "log_failed", 2), {}),
    ("no log tool", {"-usr/bin/log": ""}, ("tool_failed", 2), ("log_failed", "log_failed", 2),
     {}),
    ("no events", {"log.query.output": "[]"}, ("none_found", 0), ("no_scans", "no_scans", 4),
     {}),
    ("not an array", {"log.query.output": "{}"}, ("not_an_array", 2),
     ("log_failed", "log_failed", 2), {}),
    ("a threat found and a failure",
     {"log.query.output": "[%s,%s,%s,7]" % (ENTRY % ("Eicar", '{\\"status_code\\":1}'),
                                            ENTRY % ("Pirrit", FOUND),
                                            ENTRY % ("Pirrit", "\\u0000 \\\\ \\ud83d\\ude00 \\t"))},
     ("lines", 1), ("warnings", "threat_found", 5),
     {"counts.threat_found": 1, "counts.scan_problem": 2, "findings.1.path": "/tmp/\u00e9"}),
    ("messages not JSON",
     {"log.query.output": "[%s,%s]" % (
         ENTRY % ("Adload", "plain NoThreatDetected"),
         ENTRY % ("Eicar", '{\\"status_code\\":0,\\"status_message\\":\\"NoThreatDetected\\"}'))},
     ("lines", 0), ("clean", "stale", 1), {"scanners.0.last_class": "clean"}),
    ("data copies differ, scans disabled",
     {"now": "1709631667", "!active": "5301", "xprotect-tool.launch-scans": "disabled",
      "xprotect-tool.background-scans": "disabled"},
     ("lines", 0), ("clean", "stale", 1),
     {"protection.data_versions_differ": True, "protection.launch_scans": "disabled",
      "notes.0.code": "background_scans_disabled", "notes.1.code": "launch_scans_disabled",
      "notes.2.code": "data_versions_differ"}),
    ("legacy copy and xprotect tool missing",
     {"now": "1709631667", "!legacy": "remove", "-usr/bin/xprotect": ""}, ("lines", 0),
     ("clean", "stale", 1),
     {"protection.data.legacy": None, "protection.data_versions_differ": None,
      "protection.background_scans": "unknown", "notes": []}),
    ("xprotect tool fails",
     {"now": "1709631667", "xprotect-tool.status": "3"}, ("lines", 0), ("clean", "stale", 1),
     {"protection.launch_scans": "unknown",
      "protection.scans_unknown_because": "xprotect status exited with status 3"}),
]

# What the documents say besides their types: each event's "clean", each scanner's "last_status".
CONTENT = {
    "a threat found and a failure": ([False, False, False], {"Eicar": None, "Pirrit": None}),
    "messages not JSON": ([True, True], {"Adload": None, "Eicar": "NoThreatDetected"}),
}


def content_errors(name, kind, document):
    """Where the document's content differs from what CONTENT expects of the case."""
    errors = []
    if kind == "check":
        for event in document["events"]:
            # The report's own time: the timestamp's first 23 characters, to the millisecond.
            stamp = event["timestamp"]
            if stamp is not None and (len(event["time"]) != 23 or event["time"] != stamp[:23]):
                errors.append("time %r of timestamp %r" % (event["time"], event["timestamp"]))
    if name not in CONTENT:
        return errors
    clean, statuses = CONTENT[name]
    if kind == "check" and [e["clean"] for e in document["events"]] != clean:
        errors.append("clean %r, expected %r" % ([e["clean"] for e in document["events"]], clean))
    found = {s["name"]: s["last_status"] for s in document.get("scanners", [])}
    if kind == "summary" and found != statuses:
        errors.append("last_status %r, expected %r" % (found, statuses))
    return errors


def member(document, path):
    for part in path.split("."):
        document = document[int(part)] if isinstance(document, list) else document[part]
    return document


# name, controls, ((all_passed, scanner installed), exit)
DOCTOR_CASES = [
    ("all checks pass", {}, ((True, True), 0)),
    ("not admin, 12-hour log", {"id.groups": "20 12", "log.json.output": "[]"},
     ((False, True), 1)),
    ("no scanner bundle", {"-Library/Apple/System/Library/CoreServices/XProtect.app/Contents/"
                           "Info.plist": ""}, ((True, True), 0)),
    ("no scanner", {"-Library/Apple/System/Library/CoreServices/XProtect.app/Contents/MacOS/"
                    "XProtect": ""}, ((True, False), 0)),
]


def doctor_outcome(document):
    return (document.get("all_passed"),
            document.get("xprotect_remediator", {}).get("installed"))


def prepare(folder, controls):
    root = os.path.join(folder, "root")
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(SIM_ROOT, root, symlinks=True)
    for control, value in controls.items():
        if control.startswith("-"):
            os.remove(os.path.join(root, control[1:]))
            continue
        with open(os.path.join(root, "sim/control", control), "w") as file:
            file.write(value)
    return root


def run(root, *arguments):
    env = dict(os.environ, SCANBROOK_PLATFORM_ROOT=root)
    done = subprocess.run([CLI, *arguments, "--json"], env=env, capture_output=True, timeout=120)
    text = done.stdout.decode("utf-8")  # fails on anything but UTF-8
    if not text.endswith("}\n"):
        raise AssertionError("not one document and a line feed: %r" % text[-80:])
    return done.returncode, json.loads(text)


def main():
    validators = {}
    for kind in ("check", "summary", "doctor"):
        with open(os.path.join(SCHEMAS, kind + ".schema.json"), encoding="utf-8") as file:
            schema = json.load(file)
        jsonschema.Draft202012Validator.check_schema(schema)
        validators[kind] = jsonschema.Draft202012Validator(schema)
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, controls, check, summary, members in CASES:
            root = os.path.join(folder, "root")
            shutil.rmtree(root, ignore_errors=True)
            shutil.copytree(SIM_ROOT, root, symlinks=True)
            for control, value in controls.items():
                if control.startswith("!"):
                    subprocess.run(["sh", os.path.join(root, "sim/data-copy.sh"), control[1:],
                                    value], check=True)
                    continue
                if control.startswith("-"):
                    os.remove(os.path.join(root, control[1:]))
                    continue
                with open(os.path.join(root, "sim/control", control), "w") as file:
                    file.write(value)
            verdict, summary_status, summary_exit = summary
            expectations = {"summary": dict(members, verdict=verdict, status=summary_status),
                            "check": {"outcome": check[0]}}
            for kind, status in (("check", check[1]), ("summary", summary_exit)):
                code, document = run(root, kind, "--days", "2")
                errors = [e.message for e in validators[kind].iter_errors(document)]
                errors += content_errors(name, kind, document)
                if code != status:
                    errors.append("exit %d; expected %d" % (code, status))
                for path, expected in expectations[kind].items():
                    try:
                        found = member(document, path)
                    except (KeyError, IndexError) as missing:
                        found = "missing %s" % missing
                    if found != expected:
                        errors.append("%s is %r; expected %r" % (path, found, expected))
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
        for name, controls, (expected, status) in DOCTOR_CASES:
            root = prepare(folder, controls)
            code, document = run(root, "doctor")
            errors = [e.message for e in validators["doctor"].iter_errors(document)]
            if doctor_outcome(document) != expected or code != status:
                errors.append("outcome %r, exit %d; expected %r, exit %d"
                              % (doctor_outcome(document), code, expected, status))
            for error in errors:
                failures += 1
                print("FAIL %s, doctor: %s" % (name, error))
            if not errors:
                print("ok   %s, doctor" % name)
    return 1 if failures else 0


sys.exit(main())
