#pragma once

#include "cli/Arguments.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class SingleInstance;

// The program's entry for command lines: what runs without a window, and how a start reaches
// the program that already runs in the data folder (the current directory).
namespace cli {

// The arguments after the program name; command-line text is UTF-8.
QStringList ArgumentList(int argc, char** argv);

// What the toolkit is given of the command line: the program name and the toolkit's options
// that came before the command word (Arguments::toolkit), pointing into `argv`.
std::vector<char*> ToolkitArguments(int argc, char** argv, const Arguments& arguments);

// True when the command does its work without a window (or only prints): --new with text,
// --hide, --export, --import, --help, --version and a wrong command line. For --new without
// TEXT, piped standard input becomes the text here, so call this before anything else reads it;
// input that cannot be read sets `failure`, and the command then stores nothing.
bool RunsWithoutWindow(Arguments& arguments);

// Runs such a command with a core application only, so that no display is needed, and returns
// the exit status: 0 done, 1 failed (the reason on standard error), 2 wrong command line.
int RunWithoutWindow(int argc, char** argv, const Arguments& arguments);

// The channel command of a command line that needs the window ("show", "toggle", "search TEXT",
// "new BOX"); empty for a start without a command.
QByteArray ChannelCommand(const Arguments& arguments);
// What a program that has just started runs of that command: "toggle" shows the wall, since a
// new program has not hidden it.
QByteArray FirstRunCommand(const QByteArray& command);

// How a start went with the folder's lock.
struct Start {
    enum Status {
        Acquired,   // this process holds the lock (and the channel, when asked for)
        Unguarded,  // the folder cannot be locked: `message` says why
        HandedOver, // the running program carried out the command
        Refused,    // the running program answered with an error, or the command was not sent
                    // (the channel is not this user's alone, the answer made no sense): `message`
        NoAnswer,   // a program holds the lock but did not answer in time
    } status = Acquired;
    QString message;
};
// Takes the folder's lock, or hands `command` to the program holding it. A lock held by a short
// job without a channel is waited for. `withChannel`: the lock comes with the channel (a
// program with a window) or alone (a job without one).
Start TakeFolderOrHandOver(SingleInstance& instance, const QByteArray& command, bool withChannel,
                           int timeoutMs = 10000);

} // namespace cli
