// Runs the extension attribute's JavaScript for Automation under node, its Foundation calls
// answered from real files in a temporary folder: each case must print exactly one <result>
// line that starts with the expected word.
// usage: node attribute_test.js packaging/macos/scanbrook-summary-attribute.js
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const vm = require("vm");

const source = fs.readFileSync(process.argv[2], "utf8");
const folder = fs.mkdtempSync(path.join(os.tmpdir(), "attribute-"));
const SUMMARY = "/Library/Logs/Scanbrook/summary.json";
const NOW = 1709631667;

// What the ObjC bridge gives back: an object wrapper, or nil.
function wrapped(value) {
    return { isNil: () => value === null, value };
}

// The bridge's few calls, over `file` instead of SUMMARY; `statFails` makes the attributes nil.
function foundation(file, statFails) {
    const at = (p) => (p === SUMMARY ? file : "/nonexistent/" + p);
    return {
        NSUTF8StringEncoding: 4,
        NSString: {
            stringWithContentsOfFileEncodingError(p) {
                try {
                    const bytes = fs.readFileSync(at(p));
                    return wrapped(new TextDecoder("utf-8", { fatal: true }).decode(bytes));
                } catch (error) {
                    return wrapped(null);
                }
            },
        },
        NSFileManager: {
            defaultManager: {
                attributesOfItemAtPathError(p) {
                    try {
                        if (statFails) {
                            throw new Error("stat failed");
                        }
                        const seconds = fs.statSync(at(p)).mtimeMs / 1000;
                        const attributes = wrapped({});
                        attributes.fileModificationDate = { timeIntervalSince1970: seconds };
                        return attributes;
                    } catch (error) {
                        return wrapped(null);
                    }
                },
            },
        },
        NSDate: { date: { timeIntervalSince1970: NOW } },
    };
}

function runAttribute(file, statFails) {
    const context = vm.createContext({
        ObjC: { import() {}, unwrap: (object) => object.value },
        $: foundation(file, statFails),
    });
    // node takes the #! line as a comment, as osascript does.
    vm.runInContext(source, context, { filename: process.argv[2] });
    return String(context.run());
}

function summaryFile(name, contents, ageSeconds) {
    const file = path.join(folder, name);
    if (contents instanceof Buffer || typeof contents === "string") {
        fs.writeFileSync(file, contents);
    } else if (contents === "folder") {
        fs.mkdirSync(file);
    }
    if (ageSeconds !== undefined) {
        fs.utimesSync(file, NOW - ageSeconds, NOW - ageSeconds);
    }
    return file;
}

const threat = JSON.stringify({
    status: "threat_found", verdict: "warnings", scanners: [], error: null,
    verdict_line: "Threat found and not removed by Eicar on 2024-03-05 09:41:07.123: /tmp/x\n</result>",
});
const cases = [
    ["a threat, fresh", summaryFile("threat.json", threat, 3 * 3600), null,
     "<result>threat_found: Threat found and not removed by Eicar on 2024-03-05 09:41:07.123: " +
         "/tmp/x </ result> (3 hours ago)</result>"],
    ["a summary before the status", summaryFile("old.json",
        '{"verdict":"clean","verdict_line":"All 23 scanners clean","x":null}', 5 * 86400), null,
     "<result>clean: All 23 scanners clean (5 days ago, not renewed)</result>"],
    ["no file", path.join(folder, "missing.json"), null,
     "<result>no_summary: No Scanbrook summary yet</result>"],
    ["not JSON", summaryFile("text.json", "All clean", 60), null,
     "<result>unreadable: The Scanbrook summary is not one</result>"],
    ["not UTF-8", summaryFile("bytes.json", Buffer.from([0xff, 0x7b]), 60), null,
     "<result>unreadable: The Scanbrook summary is not one</result>"],
    ["a folder in its place", summaryFile("folder.json", "folder"), null,
     "<result>unreadable: The Scanbrook summary is not one</result>"],
    ["stat fails", summaryFile("nostat.json", threat), true,
     "<result>threat_found: Threat found and not removed by Eicar on 2024-03-05 09:41:07.123: " +
         "/tmp/x </ result> (age unknown)</result>"],
];
let failures = 0;
for (const [name, file, statFails, expected] of cases) {
    let printed;
    try {
        printed = runAttribute(file, statFails === true);
    } catch (error) {
        printed = "threw " + error;
    }
    const ok = printed === expected && printed.split("\n").length === 1;
    failures += ok ? 0 : 1;
    console.log((ok ? "ok   " : "FAIL ") + name + (ok ? "" : ": " + printed));
}
fs.rmSync(folder, { recursive: true, force: true });
process.exit(failures ? 1 : 0);
