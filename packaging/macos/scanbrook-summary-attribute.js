#!/usr/bin/osascript -l JavaScript
// Extension attribute: the status and verdict line of the last Scanbrook summary and its age, as
// the one <result> line that inventory tools read. It only reads the file that the LaunchDaemon
// org.scanbrook.Scanbrook.summary writes, never the log. JavaScript for Automation, so that a
// stock Mac (macOS 13 and later) runs it with nothing installed: the summary is JSON, which
// neither plutil nor the shell reads reliably.
//
// The line always starts with one word a smart group can match: the summary's status
// (clean, threat_found, threat_remediated, no_scans, stale, scan_problems, log_failed), or
// no_summary when there is no file, or unreadable when it is no summary.

var SUMMARY = "/Library/Logs/Scanbrook/summary.json";
// The daemon runs every two days; a summary older than this means it has stopped.
var RENEWED_WITHIN_SECONDS = 3 * 86400;

// The <result> line for a summary file's text (null: it could not be read), its modification
// time and the present, both in seconds since 1970 (null: unknown).
function resultLine(text, modifiedSeconds, nowSeconds) {
    if (text === null) {
        return "<result>no_summary: No Scanbrook summary yet</result>";
    }
    var summary;
    try {
        summary = JSON.parse(text);
    } catch (error) {
        summary = null;
    }
    if (summary === null || typeof summary !== "object" || typeof summary.verdict_line !== "string") {
        return "<result>unreadable: The Scanbrook summary is not one</result>";
    }
    // Summaries written before the status was added have only the verdict.
    var status = typeof summary.status === "string" ? summary.status : String(summary.verdict);
    return "<result>" + oneLine(status) + ": " + oneLine(summary.verdict_line) + " (" +
           ageWords(modifiedSeconds, nowSeconds) + ")</result>";
}

function ageWords(modifiedSeconds, nowSeconds) {
    if (modifiedSeconds === null || nowSeconds === null) {
        return "age unknown";
    }
    var age = Math.max(0, Math.floor(nowSeconds - modifiedSeconds));
    var words;
    if (age < 7200) {
        words = Math.floor(age / 60) + " minutes ago";
    } else if (age < 172800) {
        words = Math.floor(age / 3600) + " hours ago";
    } else {
        words = Math.floor(age / 86400) + " days ago";
    }
    return age > RENEWED_WITHIN_SECONDS ? words + ", not renewed" : words;
}

// No line breaks inside the result, and nothing that closes it early.
function oneLine(text) {
    return String(text).replace(/[\r\n]+/g, " ").replace(/<\/result>/g, "</ result>");
}

// The entry point of osascript: what it returns is printed.
function run() {
    ObjC.import("Foundation");
    var text = $.NSString.stringWithContentsOfFileEncodingError(SUMMARY, $.NSUTF8StringEncoding,
                                                                null);
    var attributes = $.NSFileManager.defaultManager.attributesOfItemAtPathError(SUMMARY, null);
    var modified = null;
    if (!attributes.isNil()) {
        modified = attributes.fileModificationDate.timeIntervalSince1970;
    }
    var contents = null;
    if (!text.isNil()) {
        contents = ObjC.unwrap(text);
    } else if (!attributes.isNil()) {
        // There, but not readable as UTF-8 text: no summary.
        contents = "";
    }
    return resultLine(contents, modified, $.NSDate.date.timeIntervalSince1970);
}
