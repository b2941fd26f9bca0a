#include "cli/CommandLine.h"

#include "cli/Offline.h"
#include "cli/Transfer.h"
#include "instance/Channel.h"
#include "instance/SingleInstance.h"
#include "platform/DataFolder.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/StandardInput.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"
#include "util/DateTime.h"
#include "util/Exception.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <functional>

#ifndef TABUKO_VERSION
#define TABUKO_VERSION "0"
#endif

namespace cli {
namespace {

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

void Fail(const QString& message) {
    Print(stderr, QStringLiteral("tabuko: ") + message + QLatin1Char('\n'));
}

// What box n's file holds, as far as it can be read; nothing when it cannot.
TMemoList BoxOnDisk(int n) {
    TMemoList list;
    QFile file(BoxFileName(n));
    if (file.open(QIODevice::ReadOnly))
        ParseBoxFile(platform::ReadRest(file), list);
    return list;
}

QString Today(TDateTime now) {
    return datetime::ToQDateTime(now).date().toString(Qt::ISODate);
}

// Hands `command` to the running program, or, when none runs, does `offline` with the folder's
// lock held. Returns the exit status.
int Deliver(const QByteArray& command, const std::function<void(QStringList&)>& offline) {
    SingleInstance instance(QDir::currentPath());
    const Start start = TakeFolderOrHandOver(instance, command, false);
    switch (start.status) {
    case Start::HandedOver:
        return 0;
    case Start::Refused:
    case Start::NoAnswer:
    case Start::Unguarded:
        Fail(start.message);
        return 1;
    case Start::Acquired:
        if (!instance.LockWarning().isEmpty())
            Fail(instance.LockWarning());
        break;
    }
    const TDateTime now = platform::Current().Now();
    BoxFiles().Today = [now] {
        return Today(now);
    };
    QStringList notes;
    try {
        offline(notes);
    } catch (const Exception& e) {
        for (const QString& note : notes)
            Fail(note);
        Fail(e.Message());
        return 1;
    }
    for (const QString& note : notes)
        Fail(note);
    return 0;
}

} // namespace

QStringList ArgumentList(int argc, char** argv) {
    QStringList out;
    for (int i = 1; i < argc; ++i)
        out << QString::fromUtf8(argv[i]);
    return out;
}

std::vector<char*> ToolkitArguments(int argc, char** argv, const Arguments& arguments) {
    std::vector<char*> out;
    if (argc > 0)
        out.push_back(argv[0]);
    for (const qsizetype i : arguments.toolkit)
        if (i + 1 < argc)
            out.push_back(argv[i + 1]);
    return out;
}

bool RunsWithoutWindow(Arguments& arguments) {
    switch (arguments.command) {
    case Command::New:
        if (!arguments.text) {
            std::optional<QByteArray> piped;
            try {
                piped = platform::ReadPipedStandardInput();
            } catch (const Exception& e) {
                arguments.failure = e.Message();
                return true;
            }
            if (piped) {
                if (piped->startsWith("\xEF\xBB\xBF"))
                    piped->remove(0, 3);
                arguments.text = QString::fromUtf8(*piped);
            }
        }
        // Empty text is no text: the editor opens, as with a hot key whose input is empty.
        if (arguments.text && arguments.text->isEmpty())
            arguments.text.reset();
        return arguments.text.has_value();
    case Command::Hide:
    case Command::Export:
    case Command::Import:
    case Command::Help:
    case Command::Version:
    case Command::Error:
        return true;
    default:
        return false;
    }
}

int RunWithoutWindow(int argc, char** argv, const Arguments& arguments) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tabuko"));
    if (!arguments.failure.isEmpty()) {
        Fail(arguments.failure);
        return 1;
    }
    switch (arguments.command) {
    case Command::Help:
        Print(stdout, Usage() + QStringLiteral("\n") +
                          datafolder::Description(datafolder::Current(), QDir::currentPath()));
        return 0;
    case Command::Version:
        Print(stdout, QStringLiteral("Tabuko %1\n").arg(QStringLiteral(TABUKO_VERSION)));
        return 0;
    case Command::Hide:
        // Without a running program there is no window to hide.
        return Deliver(channel::CommandLine("hide"), [](QStringList&) {});
    case Command::New: {
        const QString text = arguments.text.value_or(QString());
        // Refused here already, so that nothing is sent that cannot be stored.
        try {
            MemoLines(text);
        } catch (const Exception& e) {
            Fail(e.Message());
            return 1;
        }
        return Deliver(
            channel::CommandLine("new", {QByteArray::number(arguments.box), text.toUtf8()}),
            [&](QStringList& notes) {
                std::array<TMemoList, 7> additions;
                additions[std::size_t(arguments.box)].push_back(
                    NewMemo(text, platform::Current().Now()));
                offline::AddMemos(additions, notes);
            });
    }
    case Command::Export: {
        const QString folder = QDir::current().absoluteFilePath(arguments.folder);
        return Deliver(channel::CommandLine("export", {folder.toUtf8()}), [&](QStringList& notes) {
            offline::Export(folder,
                            offline::BoxNames(
                                datafolder::ProgramFolder(QCoreApplication::applicationDirPath())),
                            notes);
        });
    }
    case Command::Import: {
        std::vector<ImportedFile> files;
        const TDateTime now = platform::Current().Now();
        try {
            for (const QString& name : arguments.files)
                files.push_back(ReadImportFile(name, now));
        } catch (const Exception& e) {
            Fail(e.Message());
            return 1;
        }
        std::array<TMemoList, 7> targets =
            ImportTargets(std::move(files), arguments.boxGiven ? arguments.box : 0);
        // Memos the boxes hold already are left out here as well (the store leaves them out
        // again), so that the count said is what is added.
        std::size_t present = 0;
        for (int n = 1; n <= 6; ++n)
            if (!targets[std::size_t(n)].empty())
                present += DropPresent(targets[std::size_t(n)], BoxOnDisk(n));
        QList<QByteArray> parts;
        std::size_t count = 0;
        for (int n = 1; n <= 6; ++n) {
            if (targets[std::size_t(n)].empty())
                continue;
            count += targets[std::size_t(n)].size();
            const std::string bytes = BoxFileBytes(targets[std::size_t(n)]);
            parts << QByteArray::number(n) << QByteArray(bytes.data(), qsizetype(bytes.size()));
        }
        const QString already =
            present == 0 ? QString()
                         : QStringLiteral("（%1 件は同じメモが既にあるため取り込んでいません）")
                               .arg(present);
        if (count == 0) {
            Print(stdout, QStringLiteral("取り込むメモはありませんでした%1。\n").arg(already));
            return 0;
        }
        const int status = Deliver(channel::CommandLine("import", parts), [&](QStringList& notes) {
            offline::AddMemos(targets, notes, true);
        });
        if (status == 0)
            Print(stdout,
                  QStringLiteral("%1 件のメモを取り込みました%2。\n").arg(count).arg(already));
        return status;
    }
    default:
        Fail(arguments.error);
        Print(stderr, QStringLiteral("\n") + Usage());
        return 2;
    }
}

QByteArray ChannelCommand(const Arguments& arguments) {
    switch (arguments.command) {
    case Command::Show:
        return channel::CommandLine("show");
    case Command::Toggle:
        return channel::CommandLine("toggle");
    case Command::Search:
        return channel::CommandLine("search", {arguments.text.value_or(QString()).toUtf8()});
    case Command::New:
        return channel::CommandLine("new", {QByteArray::number(arguments.box)});
    default:
        return {};
    }
}

QByteArray FirstRunCommand(const QByteArray& command) {
    return channel::ParseCommand(command).verb == "toggle" ? channel::CommandLine("show") : command;
}

Start TakeFolderOrHandOver(SingleInstance& instance, const QByteArray& command, bool withChannel,
                           int timeoutMs) {
    const QString folder = QDir::currentPath();
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (withChannel ? instance.Acquire() : instance.AcquireLock())
            return {};
        if (!instance.Error().isEmpty())
            return {Start::Unguarded, instance.Error()};
        const SingleInstance::Reply reply =
            SingleInstance::Request(folder, command, 300, std::max(timeoutMs, 10000));
        if (reply.status == SingleInstance::Reply::Refused)
            return {
                Start::Refused,
                QStringLiteral("このフォルダで動いている Tabuko には何も送りませんでした（%1）。")
                    .arg(reply.error)};
        if (reply.status == SingleInstance::Reply::Answered) {
            const std::optional<channel::Answer> answer = channel::ParseAnswer(reply.answer);
            if (!answer)
                return {Start::Refused,
                        QStringLiteral("このフォルダの Tabuko の窓口から思いがけない応答が"
                                       "ありました。コマンドが実行されたかどうかわかりません。")};
            if (answer->ok)
                return {Start::HandedOver, {}};
            return {Start::Refused, answer->error};
        }
        // The line went out: sending it again could carry it out twice.
        if (reply.status == SingleInstance::Reply::NoAnswer)
            return {Start::NoAnswer,
                    QStringLiteral("このフォルダで動いている Tabuko にコマンドを送りましたが、"
                                   "応答がありません。")};
        if (deadline.hasExpired())
            return {Start::NoAnswer,
                    QStringLiteral("このフォルダ（%1）では Tabuko が既に動いていますが、"
                                   "応答がありません。")
                        .arg(QDir::toNativeSeparators(folder))};
        QThread::msleep(100);
    }
}

} // namespace cli
