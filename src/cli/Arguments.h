#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program's command line. Without a command the program starts as it always did; the
// options of the window toolkit ("-platform", "-session" and the like) are left to it.
namespace cli {

enum class Command { None, New, Show, Hide, Toggle, Search, Export, Import, Help, Version, Error };

struct Arguments {
    Command command = Command::None;
    int box = 1; // --box N (--new, --import)
    bool boxGiven = false;
    // --new and --search: the words after the command, joined by blanks; nothing when none
    // were given.
    std::optional<QString> text;
    QString folder;    // --export DIR
    QStringList files; // --import FILE...
    QString error;     // Command::Error: what is wrong, for standard error
};

// Parses the arguments after the program name.
Arguments ParseArguments(const QStringList& arguments);

// The usage text of --help (and of a wrong command line, on standard error).
QString Usage();

} // namespace cli
