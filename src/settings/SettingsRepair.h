#pragma once

class QSettings;

// Brings a damaged or incomplete settings file back to a working state:
// every key the file lacks gets its default text, and every key it has keeps
// its value, whatever that is. An empty, truncated or unreadable file would
// otherwise read as empty values, which switch the alert off and leave the
// dashboard without a name.
//
// The settings library drops every line it cannot parse when it next writes
// the file, so before the first write into a file that holds anything, the
// file is copied to OxaSettings.ini.bak beside it (replacing an older copy).
// Nothing is written when no key is missing. Returns the number of keys added.
int fillMissingSettings(QSettings &store);
