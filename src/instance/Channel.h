#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The lines that travel on a data folder's local channel. A command is one line: a verb, then
// its arguments separated by blanks, each argument percent-encoded so that any bytes (line
// ends, blanks, binary box-file bytes) pass. The answer is one line: "ok", or "error" and the
// percent-encoded UTF-8 message that the sender shows.
namespace channel {

struct Command {
    QByteArray verb;
    QList<QByteArray> arguments; // decoded
};

QByteArray CommandLine(const QByteArray& verb, const QList<QByteArray>& arguments = {});
// The command in a line (without its line end). An empty line gives an empty verb.
Command ParseCommand(const QByteArray& line);

// The answer lines, without their line end.
QByteArray OkAnswer();
QByteArray ErrorAnswer(const QString& message);

struct Answer {
    bool ok = false;
    QString error; // the message of an error answer
};
// Nothing for a line that is not an answer.
std::optional<Answer> ParseAnswer(const QByteArray& line);

} // namespace channel
