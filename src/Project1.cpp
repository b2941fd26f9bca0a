// Tabuko: creates the main window (the others are built when first used) and runs the message
// loop until the wall closes.
// One program runs per data folder (the current directory): a later start there hands over to
// the running one. Commands on the command line that need no window run without one.
#include "cli/CommandLine.h"
#include "cli/Dispatcher.h"
#include "instance/Channel.h"
#include "instance/SingleInstance.h"
#include "mainwindow/ProgramWindows.h"
#include "mainwindow/Unit1.h"
#include "platform/DataFolder.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "session/ModalWindows.h"
#include "session/PlatformChoice.h"
#include "session/SessionEnd.h"
#include "session/TrayWatcher.h"
#include "ui/ProgramFont.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    cli::Arguments arguments = cli::ParseArguments(cli::ArgumentList(argc, argv));
    // The toolkit sees its own options from before the command word and nothing of the rest,
    // which may be memo text that looks like them.
    std::vector<char*> qtArguments = cli::ToolkitArguments(argc, argv, arguments);
    // An installed program works in the user's data folder, as a portable one in its own.
    const datafolder::Layout layout =
        datafolder::Choose(datafolder::ExecutableFolder(), datafolder::CurrentEnvironment());
    datafolder::SetCurrent(layout);
    if (arguments.command != cli::Command::Help && arguments.command != cli::Command::Version &&
        arguments.command != cli::Command::Error) {
        // File names on the command line are the caller's, relative to where it was started,
        // not to the data folder an installed program works in.
        if (layout.installed && !arguments.folder.isEmpty())
            arguments.folder = QDir::current().absoluteFilePath(arguments.folder);
        for (QString& file : arguments.files)
            if (layout.installed)
                file = QDir::current().absoluteFilePath(file);
        if (const QString error = datafolder::Enter(layout); !error.isEmpty()) {
            std::fprintf(stderr, "tabuko: %s\n", error.toUtf8().constData());
            return 1;
        }
    }
    if (cli::RunsWithoutWindow(arguments)) {
        int count = static_cast<int>(qtArguments.size());
        qtArguments.push_back(nullptr);
        return cli::RunWithoutWindow(count, qtArguments.data(), arguments);
    }
    // A command that needs the window: handed to the running program, or run once this one is up.
    const QByteArray command = cli::ChannelCommand(arguments);

    // In a Wayland session with XWayland the program runs on X11, where the wall can place
    // itself, stay on top and take its outline.
    char platformOption[] = "-platform";
    char xcb[] = "xcb";
    if (ChoosePlatform(CurrentSessionEnvironment(int(qtArguments.size()), qtArguments.data()),
                       XDisplayReachable) == "xcb") {
        qtArguments.insert(qtArguments.begin() + 1, {platformOption, xcb});
    }
    int argumentCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication app(argumentCount, qtArguments.data());
    QApplication::setApplicationName(QStringLiteral("Tabuko"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The program speaks Japanese whatever the system's locale, in its own font.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    UseProgramFont();

    SingleInstance instance(QDir::currentPath());
    const cli::Start start = cli::TakeFolderOrHandOver(
        instance, command.isEmpty() ? QByteArray("show") : command, true, 5000);
    switch (start.status) {
    case cli::Start::HandedOver:
        // Another program runs in this folder and has carried out the command; this one touches
        // nothing.
        return 0;
    case cli::Start::Refused:
    case cli::Start::NoAnswer:
        // Said on standard error for a terminal and in a message box for a keyboard shortcut.
        std::fprintf(stderr, "tabuko: %s\n", start.message.toUtf8().constData());
        platform::Current().MessageBox(start.message, QStringLiteral("Tabuko"),
                                       platform::MB_OK | platform::MB_ICONWARNING);
        return 1;
    case cli::Start::Unguarded:
    case cli::Start::Acquired:
        break;
    }
    // The program runs, but unguarded (a folder that cannot be locked, as it always did) or
    // unreachable for later starts in this folder: said on standard error and, once the windows
    // are up, once in the program, where a start from a desktop launcher shows it.
    QStringList startNotes;
    for (const QString& note : {start.status == cli::Start::Unguarded ? start.message : QString(),
                                instance.LockWarning(), instance.ChannelError()}) {
        if (note.isEmpty())
            continue;
        std::fprintf(stderr, "tabuko: %s\n", note.toUtf8().constData());
        startNotes << note;
    }
    SessionEnd sessionEnd;
    ModalWindows modalWindows;
    // A signal while the windows are being created (a start-up message box waits for an
    // answer): every event loop is left at once, later message boxes are not shown, and the
    // program ends as soon as its windows exist, writing its settings.
    bool endedDuringStart = false;
    QObject::connect(&sessionEnd, &SessionEnd::Ending, qApp, [&endedDuringStart] {
        if (Form1) {
            Form1->EndSession();
            return;
        }
        endedDuringStart = true;
        platform::EndQuietly();
        QCoreApplication::exit(0);
    });
    // Commands that come while the windows are still being made (a start-up message box runs
    // the event loop) are refused, so that the sender says so instead of losing them.
    CommandDispatcher dispatcher;
    bool ready = false;
    instance.SetAnswerer([&dispatcher, &ready](const QByteArray& line) {
        return ready ? dispatcher.Answer(line)
                     : channel::ErrorAnswer(QStringLiteral(
                           "Tabuko は起動の途中です。少し待ってからもう一度実行してください。"));
    });

    CreateProgramWindows();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tabuko/tabuko.png")));

    QObject::connect(
        &dispatcher, &CommandDispatcher::SearchRequested, Form1,
        [](const QString& text) { platform::Guard([&text] { Form1->OpenSearch(text); }); });
    ready = true;
    // A notification area that starts after the program, or again after a crash, gets the icon.
    TrayWatcher trayWatcher;
    QObject::connect(&trayWatcher, &TrayWatcher::TrayAppeared, Form1,
                     [] { platform::Guard([] { Form1->TrayAppeared(); }); });
    if (!Form1->TrayIconReachable())
        platform::Guard([] { Form1->TrayAppeared(); });

    int result = 0;
    if (!endedDuringStart) {
        if (Form1->ShowsAtStart())
            Form1->show();
        if (!startNotes.isEmpty())
            QTimer::singleShot(0, Form1, [&startNotes] {
                platform::Current().MessageBox(startNotes.join(QStringLiteral("\n\n")),
                                               QStringLiteral("Tabuko"),
                                               platform::MB_OK | platform::MB_ICONWARNING);
            });
        QTimer::singleShot(0, Form1, [] { platform::Guard([] { Form1->OfferDraft(); }); });
        // The command this start was given, carried out as if it had come on the channel.
        if (!command.isEmpty())
            QTimer::singleShot(0, Form1, [&dispatcher, &command] {
                const std::optional<channel::Answer> answer =
                    channel::ParseAnswer(dispatcher.Answer(cli::FirstRunCommand(command)));
                if (answer && !answer->ok)
                    platform::ShowError(answer->error);
            });
        result = QApplication::exec();
    }

    DestroyProgramWindows();
    // An ending on a signal or for the session that could not keep everything says so in its
    // status, as it said what on standard error.
    return platform::QuietEndFailed() ? 1 : result;
}
