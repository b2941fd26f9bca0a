#include "instance/Channel.h"

namespace channel {

QByteArray CommandLine(const QByteArray& verb, const QList<QByteArray>& arguments) {
    QByteArray line = verb;
    for (const QByteArray& argument : arguments)
        line += ' ' + argument.toPercentEncoding();
    return line;
}

Command ParseCommand(const QByteArray& line) {
    Command command;
    const QList<QByteArray> parts = line.split(' ');
    command.verb = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i)
        command.arguments << QByteArray::fromPercentEncoding(parts[i]);
    return command;
}

QByteArray OkAnswer() {
    return QByteArrayLiteral("ok");
}

QByteArray ErrorAnswer(const QString& message) {
    return "error " + message.toUtf8().toPercentEncoding();
}

std::optional<Answer> ParseAnswer(const QByteArray& line) {
    if (line == OkAnswer())
        return Answer{true, {}};
    if (line.startsWith("error "))
        return Answer{false, QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(6)))};
    return std::nullopt;
}

} // namespace channel
