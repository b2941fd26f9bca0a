#pragma once

#include "util/IniFile.h"

#include <QString>
#include <functional>

// The settings file name. Readers open it in the program folder, writers by this bare name in
// the current directory.
inline const QString kSettingsFileName = QStringLiteral("TabukoExc.ini");

// The program's settings file, which every window reads and writes through. A file that cannot
// be read at start-up is reported once then; for the rest of the run every key reads as its
// default and the file is never written, so that what the user has in it is kept.
class Settings {
public:
    // Reads the file in `programFolder` at start-up. A failure is reported (once, here) and
    // gives an empty IniFile.
    IniFile ReadAtStart(const QString& programFolder);
    // The file as readers open it: the program folder + kSettingsFileName.
    QString Path() const { return path_; }
    // The settings as readers see them; empty when the file could not be read at start-up.
    IniFile Read() const;
    // Reads the file by its bare name, lets `change` set keys and writes it back whole; does
    // nothing when the file could not be read at start-up.
    void Write(const std::function<void(IniFile&)>& change) const;
    bool Unreadable() const { return unreadable_; }

private:
    QString path_;
    bool unreadable_ = false;
};
