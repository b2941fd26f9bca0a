#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its files. A portable folder holds the program beside its skins
// (skin/), settings and memos, and the program is started in it. An installed program
// (/usr/bin/tabuko with its shipped data in /usr/share/tabuko) keeps the user's files in
// $XDG_DATA_HOME/tabuko and works there; skins come from both places.
namespace datafolder {

struct Environment {
    QString xdgDataHome; // $XDG_DATA_HOME as set (empty when unset)
    QString home;        // $HOME
};

struct Layout {
    bool installed = false;
    // The folder of the user's files (installed), or the executable's folder (portable).
    QString dataFolder;
    // The shipped skins and phrase files: <prefix>/share/tabuko when installed.
    QString sharedFolder;
};

// The process's environment and the folder of the running executable.
Environment CurrentEnvironment();
QString ExecutableFolder();

// Portable when the executable's folder holds skin/; installed when <executable>/../share/tabuko
// holds skin/; otherwise portable, as a program without any layout always was.
Layout Choose(const QString& executableFolder, const Environment& environment);

// Creates an installed layout's data folder on first use (owner-only, with the shipped phrase
// files), checks that an existing one is a folder of this user's, and makes it the current
// folder. Returns an error message, or an empty string when the folder is ready.
QString Enter(const Layout& layout);

// The layout the program runs with (portable until set).
const Layout& Current();
void SetCurrent(const Layout& layout);

// The program's folder as the windows use it: the data folder when installed, else the
// executable's folder.
QString ProgramFolder(const QString& executableFolder);
// The folders that hold skins, the user's first.
QStringList SkinRoots(const QString& programFolder);
// A file below the program's folder by its native relative path ("/skin/default"): the
// user's, or else the shipped one when installed; the user's path when neither exists.
QString Locate(const QString& programFolder, const QString& relative);
// A folder in the form the settings keep it: relative to whichever of the two folders holds it.
QString Relative(const QString& folder, const QString& programFolder);

// One line for --help: which folder is in use and why.
QString Description(const Layout& layout, const QString& currentFolder);

} // namespace datafolder
