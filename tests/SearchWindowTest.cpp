// The search window on the real main window: how it is reached, its rows, a found memo's memo
// menu, results that follow the lists, and its own position settings.
#include "MainWindowFixture.h"
#include "Memos.h"

#include "editor/Unit2.h"
#include "mainwindow/Search.h"
#include "mainwindow/Unit1.h"
#include "search/SearchHost.h"
#include "search/SearchWindow.h"
#include "store/BoxFile.h"
#include "store/FileAccess.h"
#include "ui/Position.h"
#include "util/CP932.h"
#include "util/DateTime.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>
#include <QTreeView>
#include <memory>

namespace {

std::string E(const QString& text) {
    return cp932::Encode(text);
}

void Press(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

QString Cell(int row, int column, int role = Qt::DisplayRole) {
    const TSearchResults& results = FormSearch->Results();
    return results.data(results.index(row, column), role).toString();
}

class SearchWindowTest : public MainWindowFixture {
protected:
    // Box 2: two memos, box 4: one, box 6 (the trash box): one; written before the start.
    void WriteBoxes() {
        TMemoList two;
        two.push_back(
            Memo({E(QStringLiteral("買い物")), E(QStringLiteral("牛乳 ＭＩＬＫ"))}, 45002));
        two.push_back(Memo({E(QStringLiteral("予定"))}, 45001));
        WriteBoxFile(BoxFileName(2), two);
        TMemoList four;
        four.push_back(Memo({"other"}, 45003));
        WriteBoxFile(BoxFileName(4), four);
        TMemoList trash;
        trash.push_back(Memo({E(QStringLiteral("古い milk"))}, 45000));
        WriteBoxFile(BoxFileName(6), trash);
    }
};

TEST_F(SearchWindowTest, ReachedFromBothMenusAndByCtrlF) {
    CreateForms();
    // "検索..." is the last group but "終了" of both application menus.
    const QList<QAction*> tray = Form1->PopupMenuApl->actions();
    ASSERT_GE(tray.size(), 3);
    EXPECT_EQ(tray.mid(tray.size() - 3),
              (QList<QAction*>{Form1->N3, Form1->MenuAplSearch, Form1->Exit1}));
    EXPECT_EQ(Form1->MenuAplSearch->text(), QStringLiteral("検索..."));
    const QList<QAction*> wall = Form1->PopupMenuApl_Main->actions();
    EXPECT_EQ(wall.mid(wall.size() - 3),
              (QList<QAction*>{Form1->MenuItem8, Form1->MenuItemSearch, Form1->MenuItem9}));
    EXPECT_EQ(Form1->MenuItemSearch->text(), QStringLiteral("検索..."));

    EXPECT_EQ(FormSearch->windowTitle(), QStringLiteral("メモの検索"));
    EXPECT_FALSE(FormSearch->isVisible());
    Form1->MenuAplSearch->trigger();
    EXPECT_TRUE(FormSearch->isVisible());
    FormSearch->reject();
    Form1->MenuItemSearch->trigger();
    EXPECT_TRUE(FormSearch->isVisible());
    FormSearch->reject();

    QShortcut* find = Form1->findChild<QShortcut*>();
    ASSERT_TRUE(find);
    EXPECT_EQ(find->key(), QKeySequence(QKeySequence::Find));
    emit find->activated();
    EXPECT_TRUE(FormSearch->isVisible());

    // A text given to the window (as the command line does) becomes its query; opening it
    // again without one keeps the query.
    Form1->OpenSearch(QStringLiteral("abc"));
    EXPECT_EQ(FormSearch->Edit1->text(), QStringLiteral("abc"));
    Form1->OpenSearch();
    EXPECT_EQ(FormSearch->Edit1->text(), QStringLiteral("abc"));
}

TEST_F(SearchWindowTest, RowsShowBoxDateTitleAndMatchAndOpenTheMemoMenu) {
    WriteBoxes();
    CreateForms();
    Form1->OpenSearch();
    FormSearch->Edit1->setText(QStringLiteral("Milk"));
    ASSERT_EQ(FormSearch->ResultCount(), 2);
    EXPECT_EQ(FormSearch->Label1->text(), QStringLiteral("2 件"));
    EXPECT_EQ(Cell(0, TSearchResults::BoxColumn), cp932::Decode(Form1->BoxName(2)));
    EXPECT_EQ(Cell(0, TSearchResults::DateColumn), datetime::FormatDate(45002.0));
    EXPECT_EQ(Cell(0, TSearchResults::TitleColumn), QStringLiteral("買い物"));
    EXPECT_EQ(Cell(0, TSearchResults::LineColumn), QStringLiteral("牛乳 ＭＩＬＫ"));
    const TSearchResults& results = FormSearch->Results();
    EXPECT_EQ(results.data(results.index(0, TSearchResults::LineColumn), Qt::UserRole).toList(),
              (QVariantList{3, 4}));
    EXPECT_EQ(Cell(1, TSearchResults::BoxColumn), cp932::Decode(Form1->BoxName(6)));
    EXPECT_EQ(Cell(1, TSearchResults::TitleColumn), QStringLiteral("古い milk"));

    // Down moves into the list; Enter there opens the memo's memo menu, as its box menu does.
    Press(FormSearch->Edit1, Qt::Key_Down);
    EXPECT_EQ(FormSearch->ListView1->currentIndex().row(), 0);
    FormSearch->ListView1->setCurrentIndex(results.index(1, 0));
    Press(FormSearch->ListView1, Qt::Key_Return);
    ASSERT_FALSE(fake->popups.empty());
    EXPECT_EQ(fake->popups.back().menu, Form1->PopupMenuSub);
    EXPECT_EQ(Form1->ActiveBox(), 6);
    EXPECT_EQ(Form1->ChosenMemoIndex(), 0);
    EXPECT_TRUE(Form2->SpeedButton[6]->isChecked());
    EXPECT_FALSE(Form1->N1->isVisible()); // the trash box's memo menu: restore items only

    // Restoring it to box 3 through that menu: the results follow at once, in box order.
    Form1->Move[3]->trigger();
    ASSERT_EQ(Form1->BoxMemoLists[3].size(), 1u);
    ASSERT_EQ(FormSearch->ResultCount(), 2);
    EXPECT_EQ(Cell(0, TSearchResults::BoxColumn), cp932::Decode(Form1->BoxName(2)));
    EXPECT_EQ(Cell(1, TSearchResults::BoxColumn), cp932::Decode(Form1->BoxName(3)));

    // Enter in the field opens the chosen row: the restored memo, which stayed chosen.
    const std::size_t popups = fake->popups.size();
    Press(FormSearch->Edit1, Qt::Key_Return);
    ASSERT_EQ(fake->popups.size(), popups + 1);
    EXPECT_EQ(Form1->ActiveBox(), 3);
    EXPECT_TRUE(Form1->N1->isVisible());

    // Escape closes the window.
    Press(FormSearch->Edit1, Qt::Key_Escape);
    EXPECT_FALSE(FormSearch->isVisible());
}

TEST_F(SearchWindowTest, AMemoGoneBehindTheRowsIsNotOpened) {
    WriteBoxes();
    CreateForms();
    Form1->OpenSearch(QStringLiteral("予定"));
    ASSERT_EQ(FormSearch->ResultCount(), 1);

    // The list changes without a refresh: the row still shows its text, and choosing it
    // opens nothing and makes the results again.
    Form1->BoxMemoLists[2].pop_back();
    EXPECT_EQ(Cell(0, TSearchResults::TitleColumn), QStringLiteral("予定"));
    FormSearch->OpenRow(0);
    EXPECT_TRUE(fake->popups.empty());
    EXPECT_EQ(FormSearch->ResultCount(), 0);
    EXPECT_TRUE(FormSearch->Label1->text().contains(QStringLiteral("なくなって")));

    // A memo deleted through the found row's memo menu leaves the results.
    FormSearch->Edit1->setText(QStringLiteral("買い物"));
    ASSERT_EQ(FormSearch->ResultCount(), 1);
    FormSearch->OpenRow(0);
    Form1->Delete1->trigger();
    EXPECT_EQ(FormSearch->ResultCount(), 0);
    EXPECT_TRUE(Form1->BoxMemoLists[2].empty());

    // Lists changed while the window is hidden are searched when it is shown again.
    FormSearch->reject();
    Form1->BoxMemoLists[4].push_back(Memo({"yet another"}, 45010));
    Form1->RefreshIndicators();
    Form1->OpenSearch(QStringLiteral("another"));
    EXPECT_EQ(FormSearch->ResultCount(), 1);
}

TEST_F(SearchWindowTest, PositionIsKeptInItsOwnSection) {
    WriteCp932File(dir.file(kSettingsFileName), "[SearchWindow]\nTop=40\nLeft=50\n");
    CreateForms();
    EXPECT_EQ(FormSearch->pos(), QPoint(50, 40));
    Form1->OpenSearch();
    FormSearch->move(70, 80);
    FormSearch->reject();
    const IniFile settings = IniFile::Load(dir.file(kSettingsFileName));
    EXPECT_EQ(settings.ReadInteger("SearchWindow", "Top", 0), 80);
    EXPECT_EQ(settings.ReadInteger("SearchWindow", "Left", 0), 70);
    DestroyForms();

    // A position where no screen would show the window is centred, as for the other windows.
    WriteCp932File(dir.file(kSettingsFileName), "[SearchWindow]\nTop=900\nLeft=50\n");
    CreateForms();
    EXPECT_EQ(FormSearch->pos(), CentredOnPrimary(FormSearch->frameGeometry().size()));
}

// The main window as the search window's host, reduced to what the test sets and records.
class FakeSearchHost final : public SearchHost {
public:
    std::array<TMemoList, 7> lists;
    IniFile settings;
    std::function<void()> diskChanges; // what TakeInDiskChanges finds changed
    std::vector<std::string> calls;    // "take in", "menu <box> <serial>"

    const std::array<TMemoList, 7>& MemoLists() const override { return lists; }
    std::string BoxName(int box) const override { return "box" + std::to_string(box); }
    void TakeInDiskChanges() override {
        calls.push_back("take in");
        if (diskChanges)
            diskChanges();
    }
    void ShowMemoMenu(int box, MemoSerial serial, QPoint) override {
        calls.push_back("menu " + std::to_string(box) + " " + std::to_string(serial));
    }
    IniFile ReadSettings() const override { return settings; }
    void WriteSettings(const std::function<void(IniFile&)>& change) override { change(settings); }
};

TEST_F(SearchWindowTest, WorksOnTheMemosAndSettingsItsHostGives) {
    FakeSearchHost host;
    host.settings.WriteInteger("SearchWindow", "Top", 40);
    host.settings.WriteInteger("SearchWindow", "Left", 50);
    host.lists[3].push_back(Memo({"apple pie"}, 45002));
    host.lists[5].push_back(Memo({"green apple"}, 45001));
    const MemoSerial pie = host.lists[3][0]->Serial();
    const MemoSerial green = host.lists[5][0]->Serial();

    const auto window = std::make_unique<TFormSearch>(host);
    EXPECT_EQ(window->pos(), QPoint(50, 40));
    window->Open(QStringLiteral("apple"));
    ASSERT_EQ(window->ResultCount(), 2);
    const TSearchResults& results = window->Results();
    EXPECT_EQ(results.data(results.index(0, TSearchResults::BoxColumn), Qt::DisplayRole),
              QStringLiteral("box3"));
    EXPECT_EQ(results.data(results.index(1, TSearchResults::BoxColumn), Qt::DisplayRole),
              QStringLiteral("box5"));

    // A row opens its memo's menu once the changes on disk are in.
    window->OpenRow(1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"take in", "menu 5 " + std::to_string(green)}));

    // A memo that the changes on disk took away is not opened; the results follow the host.
    host.calls.clear();
    host.diskChanges = [&host] {
        host.lists[3].clear();
    };
    ASSERT_EQ(results.EntryAt(0).memo, pie);
    window->OpenRow(0);
    EXPECT_EQ(host.calls, std::vector<std::string>{"take in"});
    EXPECT_EQ(window->ResultCount(), 1);

    window->move(70, 80);
    window->reject();
    EXPECT_EQ(host.settings.ReadInteger("SearchWindow", "Top", 0), 80);
    EXPECT_EQ(host.settings.ReadInteger("SearchWindow", "Left", 0), 70);
}

} // namespace
