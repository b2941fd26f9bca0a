#include "MainWindowFixture.h"

#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/BoxMenu.h"
#include "mainwindow/ProgramWindows.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "util/CP932.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPainter>

namespace {

void SaveSolid(const QString& path, QSize size, QColor colour, const char* format) {
    QImage image(size, format[0] == 'i' ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(colour);
    image.save(path, format);
}

} // namespace

QColor TestSkinColor(int box, char level) {
    const int shade = 40 * box;
    switch (level) {
    case 'e':
        return QColor(shade, 0, 255);
    case 'm':
        return QColor(255, 255, shade);
    default:
        return QColor(255, shade, 0);
    }
}

QString TestSkinIni() {
    QString ini = QStringLiteral("[SkinInfo]\nSkinName=Test\nAuthor=Tester\n"
                                 "[WallPaper]\nImage=wall.bmp\n"
                                 "[MenuTitle]\nPenColor=clWhite\nBrushColor=$00800000\n");
    for (int n = 1; n <= 6; ++n) {
        ini += QStringLiteral("[Box%1]\nImageBtn=btn%1.bmp\nPosX=%2\nPosY=12\n"
                              "ImageEnp=e%1.bmp\nImageMid=m%1.bmp\nImageFul=f%1.bmp\n")
                   .arg(n)
                   .arg(2 + (n - 1) * 19);
        if (n == 1)
            ini += QStringLiteral("Icon_Emp=iconE.ico\nIcon_Mid=iconM.ico\nIcon_Ful=iconF.ico\n");
    }
    return ini;
}

void WriteCp932File(const QString& path, const QString& text) {
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    WriteBytes(path, cp932::Encode(crlf));
}

QStringList MemoItems(int box) {
    QMenu* menu = Form1->PopupMenu[box];
    Form1->FillBoxMenu(menu);
    auto* windowed = qobject_cast<BoxMenu*>(menu);
    if (!windowed || !windowed->Windowed()) {
        QStringList items;
        const QList<QAction*> actions = menu->actions();
        for (qsizetype i = 1; i < actions.size(); ++i)
            if (actions[i] != Form1->NoMemoItem[box])
                items << actions[i]->text();
        return items;
    }
    // A windowed menu: scrolled a window at a time from the top to the bottom, each row's
    // caption put where the memo it stands for is.
    QStringList items(Form1->ListedMemos(box));
    for (qsizetype first = 0;; first += windowed->RowCount()) {
        windowed->ScrollTo(first);
        for (QAction* row : menu->actions().mid(1)) {
            const int memo = Form1->MemoOfItem(box, row);
            EXPECT_GE(memo, 0) << row->text().toStdString();
            if (memo >= 0)
                items[memo] = row->text();
        }
        if (windowed->Offset() + windowed->RowCount() >= items.size())
            break;
    }
    windowed->ScrollTo(0);
    return items;
}

void WriteTestSkin(const QString& programFolder, const QString& name, const QString& iniText) {
    const QString folder = programFolder + QStringLiteral("/skin/") + name;
    QDir().mkpath(folder);
    WriteCp932File(folder + QStringLiteral("/skin.ini"), iniText);

    QImage wall(120, 40, QImage::Format_RGB32);
    wall.fill(QColor(200, 180, 140));
    for (const QPoint corner : {QPoint(0, 0), QPoint(119, 0), QPoint(0, 39), QPoint(119, 39)})
        wall.setPixelColor(corner, QColor(0, 255, 0));
    wall.save(folder + QStringLiteral("/wall.bmp"), "BMP");

    for (int n = 1; n <= 6; ++n) {
        // Box buttons: one colour, with a green bottom-left pixel, the see-through colour.
        QImage button(16, 16, QImage::Format_RGB32);
        button.fill(QColor(10 * n, 100, 100));
        button.setPixelColor(0, 15, QColor(0, 255, 0));
        button.save(folder + QStringLiteral("/btn%1.bmp").arg(n), "BMP");
        for (char level : {'e', 'm', 'f'})
            SaveSolid(folder + QStringLiteral("/%1%2.bmp").arg(QChar(level)).arg(n), {16, 16},
                      TestSkinColor(n, level), "BMP");
    }
    SaveSolid(folder + QStringLiteral("/iconE.ico"), {16, 16}, TestSkinColor(1, 'e'), "ico");
    SaveSolid(folder + QStringLiteral("/iconM.ico"), {16, 16}, TestSkinColor(1, 'm'), "ico");
    SaveSolid(folder + QStringLiteral("/iconF.ico"), {16, 16}, TestSkinColor(1, 'f'), "ico");
}

MainWindowFixture::MainWindowFixture() {
    fake->executablePath = dir.file(QStringLiteral("tabuko"));
    WriteTestSkin(dir.path(), QStringLiteral("default"), TestSkinIni());
}

MainWindowFixture::~MainWindowFixture() {
    DestroyForms();
}

void MainWindowFixture::CreateForms() {
    CreateProgramWindows();
}

void MainWindowFixture::DestroyForms() {
    DestroyProgramWindows();
}
