#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program's command line. Without a command the program starts as it always did. The
// options of the window toolkit ("-platform", "-session" and the like) are left to it when they
// come before the command word; after it every word with a single dash is text or a file name.
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
    // Where the toolkit's options and their values are among the arguments (0 = the first after
    // the program name), in order: the toolkit is given these and no others.
    QList<qsizetype> toolkit;
    // The command cannot be carried out (its piped input could not be read): why, for standard
    // error; it ends with status 1.
    QString failure;
};

// Parses the arguments after the program name.
Arguments ParseArguments(const QStringList& arguments);

// The usage text of --help (and of a wrong command line, on standard error).
QString Usage();

} // namespace cli
