// Box menus, the memo menu, the ways into the editor, the fill-level indicators and the
// owner-drawn title rows.
#include "MainWindowFixture.h"
#include "Memos.h"

#include "editor/Unit2.h"
#include "mainwindow/BoxMenu.h"
#include "mainwindow/Image.h"
#include "mainwindow/MenuTitle.h"
#include "mainwindow/Unit1.h"
#include "platform/Guard.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"
#include "util/CP932.h"
#include "util/Exception.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QWidgetAction>
#include <random>

namespace {

// Writes box n's file with memos whose only lines are `titles` (UTF-8), the first the newest.
void WriteBox(int box, const std::vector<QString>& titles) {
    TMemoList list;
    TDateTime date = 45000;
    for (const QString& title : titles)
        list.push_back(Memo({cp932::Encode(title)}, date--));
    WriteBytes(BoxFileName(box), BoxFileBytes(list));
}

// Every caption of an opened box menu, its title row first.
QStringList Captions(QMenu* menu) {
    Form1->FillBoxMenu(menu);
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << action->text();
    return captions;
}

// The colour a box icon shows.
QColor IconColor(int box) {
    return Form1->Image[box]->Picture().image.pixelColor(8, 8);
}

QColor TrayColor() {
    return Form1->TrayIcon1->Icon()->Image().pixmap(16, 16).toImage().pixelColor(8, 8);
}

QString Decoded(const std::string& bytes) {
    return cp932::Decode(bytes);
}

class BoxMenusTest : public MainWindowFixture {
protected:
    // Replaces the test skin's ini, adding `lines` to the section of `box`.
    void AddToBoxSection(int box, const QString& lines) {
        QString ini = TestSkinIni();
        const QString header = QStringLiteral("[Box%1]\n").arg(box);
        ini.replace(header, header + lines);
        WriteTestSkin(ProgramFolder(), QStringLiteral("default"), ini);
    }

    // Replaces the test skin's ini, with one value changed.
    void ChangeInSkin(const QString& from, const QString& to) {
        QString ini = TestSkinIni();
        ASSERT_TRUE(ini.contains(from));
        ini.replace(from, to);
        WriteTestSkin(ProgramFolder(), QStringLiteral("default"), ini);
    }

    // Puts `count` one-line memos into box n and refreshes, as a command does.
    void Fill(int box, int count) {
        TMemoList& list = Form1->BoxMemoLists[box];
        list.clear();
        for (int i = 0; i < count; ++i)
            list.push_back(Memo({std::string(1, 'm').append(std::to_string(i))}, 45000 + i));
        Form1->RebuildBoxMenu(list, Form1->PopupMenu[box]);
        Form1->RefreshIndicators();
    }

    void OpenBoxMenu(int box) { fake->Popup(Form1->PopupMenu[box], fake->cursorPos); }

    // Rounds of random changes to box 2, each followed by a check that its menu lists exactly
    // its memos in memo order.
    void ExpectFillingListsExactlyTheMemos(qsizetype limit);

    // Opens box n's menu and chooses memo i, which pops up the memo menu.
    void ChooseMemo(int box, int index) {
        OpenBoxMenu(box);
        Form1->PopupMenu[box]->actions().at(index + 1)->trigger();
    }
};

TEST_F(BoxMenusTest, EmptyBoxShowsTitleRowAloneAndEmptyIndicators) {
    AddToBoxSection(2, QStringLiteral("Hint0=_EEE_は空（_XXX_）\nElement=箱\n"));
    CreateForms();
    EXPECT_EQ(Form1->PopupMenu[2]->actions().size(), 1);
    EXPECT_EQ(Form1->Image[2]->toolTip(), QStringLiteral("箱は空（0）"));
    EXPECT_EQ(IconColor(2), TestSkinColor(2, 'e'));
    EXPECT_EQ(Form1->Image[2]->size(), QSize(16, 16));
    EXPECT_EQ(Form1->THFolder[2]->text(), QStringLiteral("箱は空（0）"));
    EXPECT_FALSE(Form1->THFolder[2]->isEnabled());
    EXPECT_EQ(Form1->MenuAplNew[2]->text(), QStringLiteral("に[箱]を作成"));
    EXPECT_EQ(Form1->MenuAplNew[1]->text(), QStringLiteral("に[メモ]を作成"));
}

// A title is the user's text: "&" is shown, never taken as an access key.
TEST_F(BoxMenusTest, AmpersandsInTitlesAreShownAsTyped) {
    WriteBox(2, {QStringLiteral("A&B 商事"), QStringLiteral("R&&D"), QStringLiteral("&")});
    CreateForms();
    OpenBoxMenu(2);
    const QList<QAction*> items = Form1->PopupMenu[2]->actions().mid(1);
    ASSERT_EQ(items.size(), 3);
    const QStringList titles{QStringLiteral("A&B 商事"), QStringLiteral("R&&D"),
                             QStringLiteral("&")};
    for (qsizetype i = 0; i < items.size(); ++i) {
        // The text a menu shows: "&&" as "&", a single "&" dropped before its access key.
        EXPECT_EQ(items[i]->iconText(), titles[i]);
        EXPECT_TRUE(QKeySequence::mnemonic(items[i]->text()).isEmpty()) << i;
    }
    // The memo menu's title row draws its caption as it is.
    ChooseMemo(2, 0);
    EXPECT_EQ(Form1->MenuSubCaption->text(), QStringLiteral("A&B 商事"));

    // Filling again after a change keeps the unchanged items.
    Form1->BoxMemoLists[2].push_back(Memo({"old"}, 40000));
    Form1->RebuildBoxMenu(Form1->BoxMemoLists[2], Form1->PopupMenu[2]);
    OpenBoxMenu(2);
    EXPECT_EQ(Form1->PopupMenu[2]->actions().at(1), items[0]);
    EXPECT_EQ(Form1->PopupMenu[2]->actions().size(), 5);
}

// An empty box's menu says so in one greyed line, which is no memo and goes when memos come.
TEST_F(BoxMenusTest, EmptyBoxMenuShowsAGreyedNoMemoLine) {
    CreateForms();
    OpenBoxMenu(4);
    QList<QAction*> actions = Form1->PopupMenu[4]->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[1]->text(), QStringLiteral("(メモはありません)"));
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_EQ(Form1->ListedMemos(4), 0);
    Form1->RefreshIndicators();
    EXPECT_FALSE(Form1->THFolder[4]->isEnabled());
    EXPECT_EQ(Form1->Image[4]->toolTip(), QStringLiteral("0枚のメモがあります"));
    // Even when triggered, it chooses no memo.
    actions[1]->trigger();
    EXPECT_EQ(fake->popups.size(), 1u);

    Form1->BoxMemoLists[4].push_back(Memo({"first"}, 45000));
    Form1->RebuildBoxMenu(Form1->BoxMemoLists[4], Form1->PopupMenu[4]);
    OpenBoxMenu(4);
    EXPECT_EQ(Captions(Form1->PopupMenu[4]).mid(1), QStringList{"first"});
    EXPECT_EQ(Form1->ListedMemos(4), 1);
    Form1->PopupMenu[4]->actions().at(1)->trigger();
    EXPECT_EQ(fake->popups.back().menu, Form1->PopupMenuSub);
    EXPECT_EQ(Form1->ChosenMemoIndex(), 0);
}

TEST_F(BoxMenusTest, BoxMenuListsMemosInMemoOrderWithNoTitleForEmptyFirstLines) {
    TMemoList list;
    list.push_back(Memo({"older"}, 45000));
    list.push_back(Memo({}, 45002));
    list.push_back(Memo({"", "second line"}, 45001));
    list.push_back(Memo({cp932::Encode(QStringLiteral("日本語のメモ")), "x"}, 45003));
    WriteBytes(BoxFileName(3), BoxFileBytes(list));
    CreateForms();

    EXPECT_EQ(Captions(Form1->PopupMenu[3]),
              (QStringList{QStringLiteral("[]"), QStringLiteral("日本語のメモ"),
                           QStringLiteral("No Title"), QStringLiteral("No Title"),
                           QStringLiteral("older")}));
    // The list itself is in memo order, so item i + 1 stands for memo i.
    EXPECT_EQ(Form1->BoxMemoLists[3][3]->Lines, std::vector<std::string>{"older"});
    // Without Hint1 the default template is used.
    EXPECT_EQ(Form1->Image[3]->toolTip(), QStringLiteral("4枚のメモがあります"));
    EXPECT_TRUE(Form1->THFolder[3]->isEnabled());

    // A rebuild replaces the items instead of adding to them.
    Form1->BoxMemoLists[3].pop_back();
    Form1->RebuildBoxMenu(Form1->BoxMemoLists[3], Form1->PopupMenu[3]);
    EXPECT_EQ(Captions(Form1->PopupMenu[3]).size(), 4);

    ChooseMemo(3, 1);
    EXPECT_EQ(Form1->MenuSubCaption->text(), QStringLiteral("No Title"));
    ChooseMemo(3, 2);
    EXPECT_EQ(Form1->MenuSubCaption->text(), QStringLiteral("No Title"));
}

TEST_F(BoxMenusTest, FillLevelFollowsWarningNum) {
    AddToBoxSection(2, QStringLiteral("WarningNum=5\n"));
    CreateForms();
    for (int count = 1; count <= 4; ++count) {
        Fill(2, count);
        EXPECT_EQ(IconColor(2), TestSkinColor(2, 'm')) << count;
    }
    Fill(2, 5);
    EXPECT_EQ(IconColor(2), TestSkinColor(2, 'f'));
    Fill(2, 0);
    EXPECT_EQ(IconColor(2), TestSkinColor(2, 'e'));
    // The default WarningNum 1: one memo is already full.
    Fill(4, 1);
    EXPECT_EQ(IconColor(4), TestSkinColor(4, 'f'));
}

TEST_F(BoxMenusTest, TrayIconFollowsBoxOneOnly) {
    AddToBoxSection(1, QStringLiteral("WarningNum=3\nHint1=_EEE_: _XXX_件\n"));
    CreateForms();
    Fill(2, 3);
    EXPECT_EQ(TrayColor(), TestSkinColor(1, 'e'));
    Fill(1, 1);
    EXPECT_EQ(TrayColor(), TestSkinColor(1, 'm'));
    Fill(1, 3);
    EXPECT_EQ(TrayColor(), TestSkinColor(1, 'f'));
    EXPECT_EQ(Decoded(Form1->TrayIcon1->TipHelp()), QStringLiteral("Tabuko [メモ: 3件]"));
    EXPECT_TRUE(Form1->TrayIcon1->Visible());
}

TEST_F(BoxMenusTest, OpeningABoxMenuMakesItActiveAndTitlesEveryBox) {
    AddToBoxSection(5, QStringLiteral("Element=予定\n"));
    WriteBox(4, {QStringLiteral("a")});
    CreateForms();
    fake->cursorPos = QPoint(300, 200);
    Form1->THFolder[4]->trigger();

    ASSERT_FALSE(fake->popups.empty());
    EXPECT_EQ(fake->popups.back().menu, Form1->PopupMenu[4]);
    EXPECT_EQ(fake->popups.back().pos, QPoint(300, 200));
    EXPECT_EQ(Form1->ActiveBox(), 4);
    EXPECT_EQ(MemoItems(4), QStringList{"a"});
    EXPECT_TRUE(Form2->SpeedButton[4]->isChecked());
    EXPECT_EQ(Form1->FolderMenuTitle[4]->text(), QStringLiteral("[メモ]の一覧"));
    EXPECT_EQ(Form1->FolderMenuTitle[5]->text(), QStringLiteral("[予定]の一覧"));
    const QImage picture = Form1->FolderMenuTitle[6]->icon().pixmap(16, 16).toImage();
    EXPECT_EQ(picture.pixelColor(8, 8), QColor(60, 100, 100)); // btn6.bmp
}

TEST_F(BoxMenusTest, ChoosingAMemoPopsUpTheMemoMenuAtThePointer) {
    WriteBox(1, {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
    CreateForms();
    fake->cursorPos = QPoint(40, 50);
    ChooseMemo(1, 2);
    EXPECT_EQ(Form1->ChosenMemoIndex(), 2);
    EXPECT_EQ(fake->popups.back().menu, Form1->PopupMenuSub);
    EXPECT_EQ(fake->popups.back().pos, QPoint(40, 50));
    EXPECT_EQ(Form1->MenuSubCaption->text(), QStringLiteral("third"));
}

TEST_F(BoxMenusTest, MemoMenuTitleIsCutAtFortyBytesOnACharacterBoundary) {
    const QString forty(40, QLatin1Char('a'));
    const QString fortyOne = QString(39, QLatin1Char('b')) + QStringLiteral("cd");
    // 38 single bytes, then a double-byte character over bytes 39 and 40, then more.
    const QString split = QString(38, QLatin1Char('c')) + QStringLiteral("漢字");
    WriteBox(1, {forty, fortyOne, split});
    CreateForms();

    ChooseMemo(1, 0);
    EXPECT_EQ(Form1->MenuSubCaption->text(), forty);
    ChooseMemo(1, 1);
    EXPECT_EQ(Form1->MenuSubCaption->text(), QString(39, QLatin1Char('b')) + QStringLiteral("..."));
    ChooseMemo(1, 2);
    EXPECT_EQ(Form1->MenuSubCaption->text(), QString(38, QLatin1Char('c')) + QStringLiteral("..."));
    // The box menu always shows the whole first line.
    EXPECT_EQ(Form1->PopupMenu[1]->actions().at(2)->text(), fortyOne);
}

TEST_F(BoxMenusTest, MemoMenuOfAnOrdinaryBoxAndOfTheTrashBox) {
    AddToBoxSection(2, QStringLiteral("Element=仕事\n"));
    WriteBox(3, {QStringLiteral("in three")});
    WriteBox(6, {QStringLiteral("in trash")});
    CreateForms();

    ChooseMemo(3, 0);
    for (int n = 1; n <= 6; ++n) {
        const QString name = n == 2 ? QStringLiteral("仕事") : QStringLiteral("メモ");
        EXPECT_EQ(Form1->Move[n]->text(), QStringLiteral("[%1]へ移動").arg(name)) << n;
        EXPECT_EQ(Form1->Move[n]->isEnabled(), n != 3) << n;
    }
    for (QAction* item : {Form1->N1, Form1->N2, Form1->N9, Form1->Move[6]})
        EXPECT_TRUE(item->isVisible()) << item->objectName().toStdString();
    EXPECT_EQ(Form1->MenuSubCaption->icon().pixmap(16, 16).toImage().pixelColor(8, 8),
              QColor(30, 100, 100)); // btn3.bmp

    ChooseMemo(6, 0);
    for (int n = 1; n <= 5; ++n) {
        const QString name = n == 2 ? QStringLiteral("仕事") : QStringLiteral("メモ");
        EXPECT_EQ(Form1->Move[n]->text(), QStringLiteral("[%1]へ復活").arg(name)) << n;
        EXPECT_TRUE(Form1->Move[n]->isEnabled()) << n;
    }
    for (QAction* item : {Form1->N1, Form1->N2, Form1->N9, Form1->Move[6]})
        EXPECT_FALSE(item->isVisible()) << item->objectName().toStdString();
    EXPECT_TRUE(Form1->N11->isVisible());
    EXPECT_TRUE(Form1->Delete1->isVisible());

    // Back in an ordinary box everything is shown again.
    ChooseMemo(3, 0);
    EXPECT_TRUE(Form1->N1->isVisible());
}

TEST_F(BoxMenusTest, EditFromBoxFourStartsWithBoxFoursButtonAndTheMemo) {
    TMemoList list;
    list.push_back(Memo({cp932::Encode(QStringLiteral("件名")), "", "body"}, 44000.25));
    WriteBytes(BoxFileName(4), BoxFileBytes(list));
    CreateForms();
    Form2->SpeedButton[1]->setChecked(true);

    bool buttonDown = false;
    QString text;
    fake->onModal = [&](QDialog*) {
        buttonDown = Form2->SpeedButton[4]->isChecked();
        text = Form2->RichEdit1->toPlainText();
    };
    ChooseMemo(4, 0);
    Form1->N1->trigger();

    ASSERT_EQ(fake->modalShown.size(), 1u);
    EXPECT_EQ(fake->modalShown[0], Form2.Get());
    EXPECT_TRUE(buttonDown);
    EXPECT_TRUE(Form1->EditingExistingMemo());
    EXPECT_EQ(text, QStringLiteral("件名\n\nbody"));
}

TEST_F(BoxMenusTest, NewMemoItemActsAsDoubleClickOnTheBoxIcon) {
    CreateForms();
    int modals = 0;
    bool buttonDown = false;
    QString caption;
    fake->onModal = [&](QDialog*) {
        ++modals;
        buttonDown = Form2->SpeedButton[2]->isChecked();
        caption = Form2->windowTitle();
    };
    // The editor was last open on a memo of another box.
    Form1->BoxMemoLists[5].push_back(Memo({"old"}, 45000));
    Form1->OpenEditorOnMemo(5, Form1->BoxMemoLists[5][0]->Serial());
    ASSERT_EQ(modals, 1);
    ASSERT_TRUE(Form1->EditingExistingMemo());
    Form1->MenuAplNew[2]->trigger();
    EXPECT_EQ(modals, 2);
    EXPECT_TRUE(buttonDown);
    EXPECT_FALSE(Form1->EditingExistingMemo());
    EXPECT_EQ(Form1->ActiveBox(), 2);
    EXPECT_EQ(caption, QStringLiteral("Tabuko - [メモ]を新規作成 -"));

    OpenBoxMenu(4);
    Form1->Image[2]->OnDblClick();
    EXPECT_EQ(modals, 3);
    EXPECT_TRUE(buttonDown);
    EXPECT_EQ(Form1->ActiveBox(), 2);
}

TEST_F(BoxMenusTest, PictureThatCannotBeLoadedStopsTheRefreshAtThatBox) {
    ChangeInSkin(QStringLiteral("ImageFul=f3.bmp"), QStringLiteral("ImageFul=missing.bmp"));
    CreateForms();
    const QColor box4Before = IconColor(4);
    TMemoList& three = Form1->BoxMemoLists[3];
    three.push_back(Memo({"x"}, 45000));
    Form1->RebuildBoxMenu(three, Form1->PopupMenu[3]);
    Form1->BoxMemoLists[4].push_back(Memo({"y"}, 45000));
    Form1->RebuildBoxMenu(Form1->BoxMemoLists[4], Form1->PopupMenu[4]);
    fake->messageBoxes.clear();

    platform::Guard([] { Form1->RefreshIndicators(); });
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    const QString path =
        Form1->CurrentSkinFolder() + QDir::separator() + QStringLiteral("missing.bmp");
    EXPECT_EQ(fake->messageBoxes[0].text, QStringLiteral("ファイル %1 は開けません").arg(path));
    // The boxes after the failing one and the later steps keep their previous state.
    EXPECT_EQ(IconColor(4), box4Before);
    EXPECT_FALSE(Form1->THFolder[3]->isEnabled());
    // The hints were set before the pictures.
    EXPECT_EQ(Form1->Image[4]->toolTip(), QStringLiteral("1枚のメモがあります"));
}

TEST_F(BoxMenusTest, PictureFailuresNameTheExtensionOrTheFile) {
    WriteBox(3, {QStringLiteral("three")});
    CreateForms();
    // A skin with an empty box picture value and an empty title picture value: applying it
    // stops at the title picture.
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("ImageEnp=e2.bmp"), QStringLiteral("ImageEnp="));
    ini.replace(QStringLiteral("ImageBtn=btn1.bmp"), QStringLiteral("ImageBtn="));
    WriteTestSkin(ProgramFolder(), QStringLiteral("empty"), ini);
    const QString folder =
        QDir::toNativeSeparators(ProgramFolder() + QStringLiteral("/skin/empty"));
    fake->messageBoxes.clear();
    platform::Guard([&] { Form1->ApplySkinFolder(folder); });
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    ASSERT_EQ(Form1->CurrentSkinFolder(), folder);

    // An empty box picture value has no extension.
    try {
        Form1->RefreshIndicators();
        ADD_FAILURE() << "the empty box picture loaded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("拡張子 . の画像形式は処理できません"));
    }

    // An empty title picture names the skin folder itself.
    try {
        Form1->PopupFolderMenuPopup(Form1->PopupMenu[3]);
        ADD_FAILURE() << "the empty title picture loaded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("ファイル %1 は開けません").arg(folder + QDir::separator()));
    }
    // The box whose menu opened is active all the same: its memo can be chosen and deleted.
    EXPECT_EQ(Form1->ActiveBox(), 3);
    Form1->FillBoxMenu(Form1->PopupMenu[3]);
    Form1->PopupMenu[3]->actions().at(1)->trigger();
    EXPECT_EQ(Form1->ChosenMemo(), Form1->BoxMemoLists[3][0]->Serial());
    Form1->Delete1->trigger();
    EXPECT_TRUE(Form1->BoxMemoLists[3].empty());
}

TEST_F(BoxMenusTest, TitleRowPaintsItsColoursPictureAndCaptionInEveryState) {
    CreateForms();
    // The test skin's title colours: white on navy.
    ASSERT_EQ(Form1->MenuTitleBrush(), QColor(0, 0, 128));
    ASSERT_EQ(Form1->MenuTitlePen(), QColor(255, 255, 255));
    OpenBoxMenu(1);
    auto* row = qobject_cast<TMenuTitle*>(Form1->FolderMenuTitle[1]->defaultWidget());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Picture().size(), QSize(16, 16));

    const QSize size = row->sizeHint();
    QMenu plain;
    plain.setFont(row->font());
    plain.addAction(Form1->FolderMenuTitle[1]->text());
    EXPECT_GE(size.height(), plain.actionGeometry(plain.actions().at(0)).height());
    EXPECT_GE(size.width(),
              20 + row->fontMetrics().horizontalAdvance(Form1->FolderMenuTitle[1]->text()));

    auto render = [&] {
        row->resize(size);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::black);
        row->render(&image);
        return image;
    };
    const QImage image = render();
    EXPECT_EQ(image.pixelColor(size.width() - 1, size.height() - 1), QColor(0, 0, 128));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 0, 128));
    EXPECT_EQ(image.pixelColor(1, 2), QColor(10, 100, 100));   // btn1.bmp's corner
    EXPECT_EQ(image.pixelColor(16, 17), QColor(10, 100, 100)); // and its other corner
    EXPECT_EQ(image.pixelColor(17, 2), QColor(0, 0, 128));
    EXPECT_EQ(image.pixelColor(1, 17), QColor(0, 0, 128)); // its see-through bottom-left pixel
    int captionPixels = 0;
    int leftmost = size.width();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 18; x < size.width(); ++x)
            if (image.pixelColor(x, y).red() > 128) { // the caption's (antialiased) white
                ++captionPixels;
                leftmost = std::min(leftmost, x);
            }
    EXPECT_GT(captionPixels, 10);
    EXPECT_GE(leftmost, 20);

    // Disabled (as it always is) or enabled, the row looks the same.
    Form1->FolderMenuTitle[1]->setEnabled(true);
    EXPECT_TRUE(render() == image);
}

// The row's drawing is what the menu itself shows, not a plain greyed item.
TEST_F(BoxMenusTest, OpenMenusShowTheirTitleRowsInTheSkinColours) {
    CreateForms();
    ASSERT_EQ(Form1->MenuTitleBrush(), QColor(0, 0, 128));
    for (auto [menu, row] :
         {std::pair<QMenu*, QWidgetAction*>{Form1->PopupMenu[1], Form1->FolderMenuTitle[1]},
          {Form1->PopupMenuSub, Form1->MenuSubCaption}}) {
        menu->popup(QPoint(0, 0));
        const QRect rect = menu->actionGeometry(row);
        ASSERT_FALSE(rect.isEmpty());
        const QImage image = menu->grab().toImage();
        EXPECT_EQ(image.pixelColor(rect.right() - 1, rect.center().y()), QColor(0, 0, 128))
            << menu->objectName().toStdString();
        menu->hide();
    }
}

// Memo items are made when a box menu opens; until then the indicators count the list the
// menu is to show.
TEST_F(BoxMenusTest, MemoItemsAreMadeWhenTheMenuOpens) {
    WriteBox(3, {QStringLiteral("a"), QStringLiteral("b")});
    CreateForms();
    EXPECT_EQ(Form1->PopupMenu[3]->actions().size(), 1);
    EXPECT_EQ(Form1->Image[3]->toolTip(), QStringLiteral("2枚のメモがあります"));

    OpenBoxMenu(3);
    EXPECT_EQ(Form1->PopupMenu[3]->actions().size(), 3);
    Form1->BoxMemoLists[3].push_back(Memo({"newest"}, 50000));
    Form1->RebuildBoxMenu(Form1->BoxMemoLists[3], Form1->PopupMenu[3]);
    Form1->RefreshIndicators();
    EXPECT_EQ(Form1->Image[3]->toolTip(), QStringLiteral("3枚のメモがあります"));
    EXPECT_EQ(Form1->THFolder[3]->text(), QStringLiteral("3枚のメモがあります"));

    ChooseMemo(3, 0);
    EXPECT_EQ(Form1->MenuSubCaption->text(), QStringLiteral("newest"));
    EXPECT_EQ(Captions(Form1->PopupMenu[3]).mid(1), (QStringList{"newest", "a", "b"}));

    // Emptied again: the next opening drops the items.
    Form1->BoxMemoLists[3].clear();
    Form1->RebuildBoxMenu(Form1->BoxMemoLists[3], Form1->PopupMenu[3]);
    Form1->RefreshIndicators();
    EXPECT_FALSE(Form1->THFolder[3]->isEnabled());
    OpenBoxMenu(3);
    EXPECT_EQ(Form1->PopupMenu[3]->actions().size(), 2);
    EXPECT_EQ(Form1->PopupMenu[3]->actions().last(), Form1->NoMemoItem[3]);
}

// Filling keeps the items whose captions already match and changes only the rest: whatever
// the change (insertions, deletions, renames, repeated titles), the menu ends up listing exactly
// the box's memos in memo order, and an unchanged first item stays the same object.
TEST_F(BoxMenusTest, FillingAfterAnyChangeListsExactlyTheMemos) {
    CreateForms();
    // Every memo an item, and from 5 memos on a window of rows.
    for (const qsizetype limit : {TForm1::kFullBoxMenuLimit, qsizetype(4)})
        ExpectFillingListsExactlyTheMemos(limit);
}

void BoxMenusTest::ExpectFillingListsExactlyTheMemos(qsizetype limit) {
    SCOPED_TRACE(limit);
    Form1->SetFullBoxMenuLimit(limit);
    std::mt19937 random(7);
    std::vector<std::string> titles;
    for (int round = 0; round < 300; ++round) {
        const auto size = titles.size();
        switch (random() % 5) {
        case 0: // a new memo anywhere
            titles.insert(titles.begin() + std::ptrdiff_t(random() % (size + 1)),
                          std::string(1, char('a' + random() % 3)));
            break;
        case 1: // one removed
            if (size > 0)
                titles.erase(titles.begin() + std::ptrdiff_t(random() % size));
            break;
        case 2: // one renamed (an empty first line shows "No Title")
            if (size > 0)
                titles[random() % size] = random() % 4 == 0 ? "" : std::string(1, 'd');
            break;
        case 3: // several at once
            for (int i = 0; i < 5; ++i)
                titles.push_back(std::string(1, char('a' + random() % 3)));
            break;
        default:
            if (random() % 10 == 0)
                titles.clear();
        }
        TMemoList& list = Form1->BoxMemoLists[2];
        list.clear();
        QStringList expected;
        for (std::size_t i = 0; i < titles.size(); ++i) {
            list.push_back(Memo({titles[i]}, 50000.0 - double(i)));
            expected << (titles[i].empty() ? QStringLiteral("No Title")
                                           : QString::fromStdString(titles[i]));
        }
        const QList<QAction*> before = Form1->PopupMenu[2]->actions();
        const QPointer<QAction> first = before.size() > 1 ? before[1] : nullptr;
        const QString firstCaption = first ? first->text() : QString();
        Form1->RebuildBoxMenu(list, Form1->PopupMenu[2]);
        ASSERT_EQ(MemoItems(2), expected) << "round " << round;
        if (expected.size() > limit) // a window of rows, which fits on the screen
            EXPECT_LE(Form1->PopupMenu[2]->sizeHint().height(),
                      Form1->PopupMenu[2]->screen()->availableGeometry().height())
                << "round " << round;
        else if (!firstCaption.isNull() && !expected.isEmpty() && firstCaption == expected[0]) {
            EXPECT_EQ(Form1->PopupMenu[2]->actions().value(1), first.data()) << "round " << round;
        }
    }
}

// A box too large for the screen opens as one scrolling column on the screen, not as columns
// running past its edge.
TEST_F(BoxMenusTest, TallBoxMenuScrollsWithinTheScreen) {
    std::vector<QString> titles;
    for (int i = 0; i < 400; ++i)
        titles.push_back(QStringLiteral("メモ %1").arg(i));
    WriteBox(1, titles);
    CreateForms();
    QMenu* menu = Form1->PopupMenu[1];
    menu->popup(QPoint(0, 0));
    const QRect screen = menu->screen()->availableGeometry();
    EXPECT_LE(menu->height(), screen.height());
    const QRect first = menu->actionGeometry(menu->actions().at(1));
    const QRect last = menu->actionGeometry(menu->actions().last());
    EXPECT_EQ(last.left(), first.left()) << "the items stand in more than one column";
    menu->hide();
}

// Lets `ms` milliseconds of timers and events pass.
void Spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A box too large for one item per memo opens with a window of rows that fits on the screen,
// under its title row, and scrolls through every memo as a scrolling menu does.
TEST_F(BoxMenusTest, LargeBoxMenuScrollsAWindowOfRowsThroughEveryMemo) {
    const int count = int(TForm1::kFullBoxMenuLimit) + 1000;
    std::vector<QString> titles;
    for (int i = 0; i < count; ++i)
        titles.push_back(QStringLiteral("メモ %1").arg(i));
    titles[4321] = QStringLiteral("とても長い題名のメモがここにあって、メニューの幅を決めます");
    WriteBox(1, titles);
    CreateForms();
    QMenu* menu = Form1->PopupMenu[1];
    auto* box = qobject_cast<BoxMenu*>(menu);
    ASSERT_TRUE(box);
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(box->Windowed());
    const QRect screen = menu->screen()->availableGeometry();
    const qsizetype rows = box->RowCount();
    EXPECT_LE(menu->height(), screen.height());
    EXPECT_GT(menu->height() + menu->actionGeometry(menu->actions().at(1)).height(),
              screen.height())
        << "another row would have fitted";
    EXPECT_EQ(menu->actions().first(), Form1->FolderMenuTitle[1]);
    EXPECT_EQ(menu->actions().at(1)->text(), QStringLiteral("メモ 0"));
    EXPECT_EQ(Form1->ListedMemos(1), count);
    Form1->RefreshIndicators();
    EXPECT_EQ(Form1->Image[1]->toolTip(), QStringLiteral("%1枚のメモがあります").arg(count));
    const int width = menu->width();
    const QRect titleRow = menu->actionGeometry(Form1->FolderMenuTitle[1]);

    auto key = [menu](Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(menu, &press);
    };
    auto highlighted = [menu] {
        return Form1->MemoOfItem(1, menu->activeAction());
    };
    // Up from nothing and from the first memo goes to the last; Down from the last to the first.
    key(Qt::Key_Up);
    EXPECT_EQ(highlighted(), count - 1);
    EXPECT_EQ(menu->activeAction()->text(), titles.back());
    EXPECT_EQ(box->Offset(), count - rows);
    key(Qt::Key_Down);
    EXPECT_EQ(highlighted(), 0);
    EXPECT_EQ(box->Offset(), 0);
    key(Qt::Key_Up);
    EXPECT_EQ(highlighted(), count - 1);
    key(Qt::Key_Home);
    EXPECT_EQ(highlighted(), 0);
    key(Qt::Key_PageDown);
    EXPECT_EQ(highlighted(), count - 1);
    key(Qt::Key_PageUp);
    EXPECT_EQ(highlighted(), 0);
    key(Qt::Key_End);
    EXPECT_EQ(highlighted(), count - 1);
    // Down at the last row scrolls by one.
    key(Qt::Key_Home);
    for (qsizetype i = 0; i < rows; ++i)
        key(Qt::Key_Down);
    EXPECT_EQ(highlighted(), rows);
    EXPECT_EQ(box->Offset(), 1);
    EXPECT_EQ(menu->activeAction(), menu->actions().last());

    // The wheel scrolls a row a notch; the title row stays where it is, the width too.
    for (int notch = 0; notch < 3; ++notch) {
        QWheelEvent down(QPointF(10, 40), menu->mapToGlobal(QPointF(10, 40)), QPoint(),
                         QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(menu, &down);
    }
    EXPECT_EQ(box->Offset(), 4);
    EXPECT_EQ(menu->actions().at(1)->text(), QStringLiteral("メモ 4"));
    EXPECT_EQ(menu->actionGeometry(Form1->FolderMenuTitle[1]), titleRow);
    box->ScrollTo(4321);
    EXPECT_EQ(menu->width(), width);
    box->ScrollTo(4);

    // Choosing a row chooses the memo it shows.
    menu->actions().at(3)->trigger();
    EXPECT_EQ(Form1->ChosenMemoIndex(), 6);
    EXPECT_EQ(Form1->MenuSubCaption->text(), QStringLiteral("メモ 6"));
    menu->popup(QPoint(0, 0));

    // Resting on a scroller scrolls until the pointer leaves it.
    auto moveTo = [menu](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, menu->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(menu, &move);
    };
    box->ScrollTo(10);
    moveTo(QPoint(10, menu->height() - 2));
    Spin(300);
    const qsizetype scrolled = box->Offset();
    EXPECT_GT(scrolled, 11);
    moveTo(menu->actionGeometry(menu->actions().at(2)).center());
    Spin(150);
    EXPECT_EQ(box->Offset(), scrolled);
    moveTo(QPoint(10, 1));
    Spin(300);
    EXPECT_LT(box->Offset(), scrolled - 1);

    // The scrollers show an arrow only where there is more.
    auto strips = [menu] {
        const QImage image = menu->grab().toImage();
        const int height = menu->style()->pixelMetric(QStyle::PM_MenuScrollerHeight);
        return std::pair{image.copy(0, 0, image.width(), height),
                         image.copy(0, image.height() - height, image.width(), height)};
    };
    moveTo(menu->actionGeometry(menu->actions().at(2)).center());
    box->ScrollTo(0);
    const auto [topAtStart, bottomAtStart] = strips();
    box->ScrollTo(100);
    const auto [topInBetween, bottomInBetween] = strips();
    box->ScrollTo(count);
    const auto [topAtEnd, bottomAtEnd] = strips();
    EXPECT_EQ(box->Offset(), count - rows);
    EXPECT_NE(topAtStart, topInBetween);
    EXPECT_EQ(topInBetween, topAtEnd);
    EXPECT_EQ(bottomAtStart, bottomInBetween);
    EXPECT_NE(bottomInBetween, bottomAtEnd);
    EXPECT_EQ(topAtStart.pixelColor(topAtStart.width() / 2, topAtStart.height() / 2),
              bottomAtEnd.pixelColor(bottomAtEnd.width() / 2, bottomAtEnd.height() / 2));

    // A click on a scroller, with an arrow or without, leaves the menu open.
    for (const QPoint at : {QPoint(10, 1), QPoint(10, menu->height() - 2)}) {
        moveTo(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, menu->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(menu, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, menu->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(menu, &release);
        EXPECT_TRUE(menu->isVisible()) << at.y();
    }

    // A memo stored while the menu is open shows at once; the menu opens again at the top.
    Form1->BoxMemoLists[1].push_back(Memo({"newest"}, 50000));
    Form1->RebuildBoxMenu(Form1->BoxMemoLists[1], menu);
    titles.insert(titles.begin(), QStringLiteral("newest"));
    EXPECT_EQ(MemoItems(1), QStringList(titles.begin(), titles.end()));
    menu->hide();
    box->ScrollTo(50);
    menu->popup(QPoint(0, 0));
    EXPECT_EQ(box->Offset(), 0);
    EXPECT_EQ(menu->actions().at(1)->text(), QStringLiteral("newest"));
    menu->hide();
}

} // namespace
