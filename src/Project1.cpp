// Tabuko: creates the five windows in order and runs the message loop until the wall closes.
#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "trayicon/TrayIcon.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabuko"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The program speaks Japanese whatever the system's locale; the fonts its design names are
    // served by their metric twins.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));

    Form1 = new TForm1;
    Form2 = new TForm2;
    Form3 = new TForm3;
    Form4 = new TForm4;
    Form5 = new TForm5;
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tabuko/tabuko.png")));

    if (Form1->ShowsAtStart())
        Form1->show();
    const int result = QApplication::exec();

    delete Form5;
    delete Form4;
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}
