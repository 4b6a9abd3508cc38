-- A small scan ledger with the interface docs/ledger.md describes (its `events` and `reads`,
-- here as plain tables), for the osquery table test while no `scanbrook-cli record` can make
-- one. Synthetic events: none of this is real log data.
PRAGMA journal_mode = DELETE;
PRAGMA application_id = 0x5343424B;
PRAGMA user_version = 1;
CREATE TABLE events (
    instant_us INTEGER NOT NULL,
    event_key INTEGER NOT NULL,
    timestamp TEXT NOT NULL,
    time_utc TEXT NOT NULL,
    sender_path TEXT,
    scanner TEXT NOT NULL,
    message TEXT,
    outcome TEXT NOT NULL,
    status_code INTEGER,
    status_message TEXT,
    PRIMARY KEY (instant_us, event_key)
) WITHOUT ROWID;
CREATE TABLE reads (
    id INTEGER PRIMARY KEY,
    read_at_utc TEXT NOT NULL,
    read_at_us INTEGER NOT NULL,
    span TEXT NOT NULL,
    tool_status INTEGER NOT NULL,
    outcome TEXT NOT NULL,
    events_seen INTEGER NOT NULL,
    events_new INTEGER NOT NULL,
    oldest_utc TEXT,
    newest_utc TEXT
);
INSERT INTO events VALUES
    (1709628067123456, 11, '2024-03-05 09:41:07.123456+0100', '2024-03-05T08:41:07.123456Z',
     '/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/Resources/XProtectRemediatorPirrit',
     'Pirrit',
     '{"caller":{"alerts":[],"name":"XProtectRemediatorPirrit","version":"151"},"execution_duration":0.25,"status_code":0,"status_message":"NoThreatDetected"}',
     'clean', 0, 'NoThreatDetected'),
    (1709545267000001, 12, '2024-03-04 10:41:07.000001+0100', '2024-03-04T09:41:07.000001Z',
     '/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/Resources/XProtectRemediatorAdload',
     'Adload',
     '{"caller":{"alerts":[{"path":"/Users/jérôme/Library/LaunchAgents/com.updater.helper.plist","remediated":true,"type":"file"}],"name":"XProtectRemediatorAdload","version":"151"},"execution_duration":1.5,"status_code":30,"status_message":"ThreatRemediated"}',
     'warning', 30, 'ThreatRemediated'),
    (1709631000000000, 13, '2024-03-05 10:30:00.000000+0100', '2024-03-05T09:30:00.000000Z',
     NULL, 'Eicar', NULL, 'none', NULL, NULL);
INSERT INTO reads (read_at_utc, read_at_us, span, tool_status, outcome, events_seen, events_new,
                   oldest_utc, newest_utc) VALUES
    ('2024-03-05T09:31:00.000000Z', 1709631060000000, 'last 30d', 0, 'lines', 3, 3,
     '2024-03-04T09:41:07.000001Z', '2024-03-05T09:30:00.000000Z'),
    ('2024-03-05T15:31:00.000000Z', 1709652660000000, 'start @1709630998', 2, 'tool_failed', 0, 0,
     NULL, NULL);
