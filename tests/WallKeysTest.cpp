// The wall from the keyboard and for a screen reader: the focus walk over the box icons, the keys
// that open the editor, the menus and hide the wall, the focus mark, and the names read out.
#include "MainWindowFixture.h"
#include "Memos.h"

#include "editor/Unit2.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "store/BoxFile.h"
#include "util/CP932.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>
#include <QWidgetAction>
#include <random>

namespace {

class WallKeysTest : public MainWindowFixture {
protected:
    // The test skin with names and hints of its own for each box.
    void CreateNamedForms() {
        QString ini = TestSkinIni();
        for (int n = 1; n <= 6; ++n)
            ini.replace(QStringLiteral("[Box%1]\n").arg(n),
                        QStringLiteral("[Box%1]\nElement=箱%1\nHint0=_EEE_は空です\n"
                                       "Hint1=_EEE_に_XXX_件\n")
                            .arg(n));
        WriteTestSkin(ProgramFolder(), QStringLiteral("default"), ini);
        CreateForms();
        Form1->show();
        Activate();
    }

    static void Activate() {
        Form1->activateWindow();
        QApplication::processEvents();
    }

    // A key as the keyboard sends it: to the widget with the focus, else to the wall.
    static void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Form1;
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &press);
        QApplication::processEvents();
    }

    static QString Accessible(QObject* object, QAccessible::Text text) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
        return face ? face->text(text) : QString();
    }
};

TEST_F(WallKeysTest, ArrowsAndTabWalkOverTheWallAndTheSixBoxes) {
    CreateNamedForms();
    ASSERT_TRUE(Form1->isActiveWindow());
    // The active wall gives the focus to the first box.
    EXPECT_EQ(Form1->FocusedBox(), 1);
    // A random walk, checked against the ring wall, 1..6 (Tab) and the ring 1..6 (arrows,
    // entered from the wall at either end).
    std::mt19937 random(25);
    int expected = 1;
    for (int step = 0; step < 400; ++step) {
        switch (random() % 4) {
        case 0:
            Press(Qt::Key_Right);
            expected = expected == 0 ? 1 : expected % 6 + 1;
            break;
        case 1:
            Press(Qt::Key_Left);
            expected = expected == 0 ? 6 : (expected + 4) % 6 + 1;
            break;
        case 2:
            Press(Qt::Key_Tab);
            expected = (expected + 1) % 7;
            break;
        default:
            Press(Qt::Key_Backtab, Qt::ShiftModifier);
            expected = (expected + 6) % 7;
            break;
        }
        ASSERT_EQ(Form1->FocusedBox(), expected) << "step " << step;
        for (int n = 1; n <= 6; ++n)
            ASSERT_EQ(Form1->Image[n]->hasFocus(), n == expected) << "step " << step;
    }
}

TEST_F(WallKeysTest, EnterMenuKeysAndEscapeActOnTheFocusedBox) {
    CreateNamedForms();
    // Enter on box 3: the editor for a new memo in box 3, as a double-click.
    int editorBox = 0;
    fake->onModal = [&](QDialog* dialog) {
        if (dialog == Form2.Get())
            for (int n = 1; n <= 6; ++n)
                if (Form2->SpeedButton[n]->isChecked())
                    editorBox = n;
    };
    Form1->FocusBox(3);
    Press(Qt::Key_Return);
    EXPECT_EQ(editorBox, 3);

    // The menu key and Shift+F10 open the focused box's menu below its icon; on the trash box
    // Enter opens the menu too, and on the wall they open the wall's menu.
    const struct {
        int box;
        int key;
        Qt::KeyboardModifiers modifiers;
        QMenu* menu;
    } cases[] = {{2, Qt::Key_Menu, Qt::NoModifier, Form1->PopupMenu[2]},
                 {5, Qt::Key_F10, Qt::ShiftModifier, Form1->PopupMenu[5]},
                 {6, Qt::Key_Return, Qt::NoModifier, Form1->PopupMenu[6]},
                 {0, Qt::Key_Menu, Qt::NoModifier, Form1->PopupMenuApl_Main},
                 {0, Qt::Key_F10, Qt::ShiftModifier, Form1->PopupMenuApl_Main}};
    for (const auto& c : cases) {
        fake->popups.clear();
        Activate();
        Form1->FocusBox(c.box);
        Press(c.key, c.modifiers);
        ASSERT_EQ(fake->popups.size(), 1u) << c.box;
        EXPECT_EQ(fake->popups[0].menu, c.menu) << c.box;
        if (c.box != 0) {
            EXPECT_EQ(fake->popups[0].pos,
                      Form1->Image[c.box]->mapToGlobal(QPoint(0, Form1->Image[c.box]->height())));
        }
    }
    // The opened box menu's title row is read by its caption, which it only paints.
    fake->popups.clear();
    Activate();
    Form1->FocusBox(2);
    Press(Qt::Key_Menu);
    QWidget* title = Form1->FolderMenuTitle[2]->defaultWidget();
    EXPECT_EQ(Accessible(title, QAccessible::Name), QStringLiteral("[箱2]の一覧"));
    EXPECT_EQ(Accessible(title, QAccessible::Name), Form1->FolderMenuTitle[2]->text());

    // F10 alone is no menu key.
    fake->popups.clear();
    Press(Qt::Key_F10);
    EXPECT_TRUE(fake->popups.empty());

    // Escape hides the wall as a double-click does.
    Press(Qt::Key_Escape);
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_FALSE(Form1->WindowVisible);
}

TEST_F(WallKeysTest, EscapeKeepsTheWallWithoutANotificationArea) {
    fake->failNotifyAdd = true;
    CreateNamedForms();
    Form1->FocusBox(1);
    Press(Qt::Key_Escape);
    EXPECT_TRUE(Form1->isVisible());
}

TEST_F(WallKeysTest, TheFocusedBoxIsMarkedAndEveryBoxIsNamedWithItsCount) {
    TMemoList list;
    list.push_back(Memo({"a"}, 45000));
    list.push_back(Memo({"b"}, 45001));
    WriteBytes(BoxFileName(2), BoxFileBytes(list));
    CreateNamedForms();

    EXPECT_EQ(Accessible(Form1, QAccessible::Name), QStringLiteral("Tabuko メモ箱"));
    for (int n = 1; n <= 6; ++n) {
        const int count = n == 2 ? 2 : 0;
        EXPECT_EQ(Accessible(Form1->Image[n], QAccessible::Name),
                  QStringLiteral("箱%1 %2件").arg(n).arg(count));
        EXPECT_EQ(Accessible(Form1->Image[n], QAccessible::Description),
                  Form1->Image[n]->toolTip());
    }
    EXPECT_EQ(Form1->Image[2]->toolTip(), QStringLiteral("箱2に2件"));
    EXPECT_EQ(Form1->Image[3]->toolTip(), QStringLiteral("箱3は空です"));
    // The names follow the counts.
    Form1->BoxMemoLists[3].push_back(Memo({"c"}, 45002));
    Form1->RebuildBoxMenu(Form1->BoxMemoLists[3], Form1->PopupMenu[3]);
    Form1->RefreshIndicators();
    EXPECT_EQ(Accessible(Form1->Image[3], QAccessible::Name), QStringLiteral("箱3 1件"));

    // The mark: a frame on the icon's edge while it has the focus, none otherwise.
    const QImage plain = Form1->Image[4]->grab().toImage();
    Form1->FocusBox(4);
    const QImage marked = Form1->Image[4]->grab().toImage();
    ASSERT_EQ(plain.size(), marked.size());
    for (const QPoint corner : {QPoint(0, 0), QPoint(marked.width() - 1, marked.height() - 1)}) {
        const QColor colour = marked.pixelColor(corner);
        EXPECT_TRUE(colour == Qt::black || colour == Qt::white) << colour.name().toStdString();
        EXPECT_NE(colour, plain.pixelColor(corner));
    }
    const QPoint centre(marked.width() / 2, marked.height() / 2);
    EXPECT_EQ(marked.pixelColor(centre), plain.pixelColor(centre));
    Form1->FocusBox(5);
    EXPECT_EQ(Form1->Image[4]->grab().toImage(), plain);
}

} // namespace
