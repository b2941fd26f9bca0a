// Tabuko: creates the five windows in order and runs the message loop until the wall closes.
// One program runs per data folder (the current directory): a later start there hands over to
// the running one.
#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "instance/SingleInstance.h"
#include "mainwindow/ProgramFont.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "session/ModalWindows.h"
#include "session/SessionEnd.h"
#include "trayicon/TrayIcon.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabuko"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The program speaks Japanese whatever the system's locale, in its own font.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    UseProgramFont();

    SingleInstance instance(QDir::currentPath());
    if (!instance.Acquire()) {
        if (instance.Error().isEmpty()) {
            // Another program runs in this folder: it shows its wall, this one touches nothing.
            if (SingleInstance::Send(QDir::currentPath(), "show"))
                return 0;
            platform::Current().MessageBox(
                QStringLiteral("このフォルダでは Tabuko が既に動いていますが、応答がありません。"),
                QStringLiteral("Tabuko"), platform::MB_OK | platform::MB_ICONWARNING);
            return 1;
        }
        // A folder that cannot hold the lock file: the program runs unguarded, as it always did.
        std::fprintf(stderr, "tabuko: %s\n", qPrintable(instance.Error()));
    }
    SessionEnd sessionEnd;
    ModalWindows modalWindows;
    // A signal while the windows are being created (a start-up message box waits for an
    // answer): every event loop is left at once, later message boxes return unanswered, and
    // the program ends as soon as its windows exist, writing its settings.
    bool endedDuringStart = false;
    QObject::connect(&sessionEnd, &SessionEnd::Ending, qApp, [&endedDuringStart] {
        if (Form5) {
            Form1->EndSession();
            return;
        }
        endedDuringStart = true;
        QCoreApplication::exit(0);
    });

    Form1 = new TForm1;
    Form2 = new TForm2;
    Form3 = new TForm3;
    Form4 = new TForm4;
    Form5 = new TForm5;
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tabuko/tabuko.png")));

    QObject::connect(&instance, &SingleInstance::CommandReceived, Form1,
                     [](const QByteArray& command) {
                         if (command == "show")
                             platform::Guard([] { Form1->BringForward(); });
                     });

    int result = 0;
    if (!endedDuringStart) {
        if (Form1->ShowsAtStart())
            Form1->show();
        QTimer::singleShot(0, Form1, [] { platform::Guard([] { Form1->OfferDraft(); }); });
        result = QApplication::exec();
    }

    delete Form5;
    delete Form4;
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}
