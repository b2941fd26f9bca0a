#pragma once

#include <QString>

// Daily backups of the box files in folder/backup/<day>/, day as "YYYY-MM-DD". The caller
// passes the day: the store does not read the clock.

inline constexpr int kBackupDays = 14;

// Before the first write of `fileName` (bare name, in `folder`) on `day`: copies the existing
// file to folder/backup/<day>/<fileName> unless that backup exists already, creating folders as
// needed. The copy goes to a temporary file in the day folder that replaces nothing until it is
// complete, so a crash never leaves a half backup that would stand for the day's real one.
// Then keeps the kBackupDays newest day folders up to `day` (by name; only folders named like
// dates are counted or removed, and `day` itself is always kept); folders dated after `day`
// (the clock was put back) are kept and not counted. Returns false if the copy could not be
// made or `day` is not a date; true when there is nothing to copy. Never throws: the write
// itself goes on either way.
bool BackupBeforeWrite(const QString& folder, const QString& fileName, const QString& day);

// Moves folder/<fileName> (for example a merged conflict copy) into folder/backup/<day>/,
// keeping its name or, if that is taken, adding " (2)", " (3)", ... before the extension; then
// prunes the day folders as above. Returns the new path, or an empty string on failure.
QString MoveIntoBackup(const QString& folder, const QString& fileName, const QString& day);
