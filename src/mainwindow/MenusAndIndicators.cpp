// The box menus, the memo menu, the ways into the editor and the fill-level indicators.
#include "editor/Unit2.h"
#include "mainwindow/Image.h"
#include "mainwindow/MenuTitle.h"
#include "mainwindow/Search.h"
#include "mainwindow/Unit1.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"
#include "ui/MenuDesign.h"
#include "ui/Picture.h"
#include "util/CP932.h"

#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStringList>
#include <QToolButton>
#include <QWidgetAction>
#include <algorithm>
#include <string>

namespace {

constexpr std::size_t kTitleBytes = 40;

std::string Section(int box) {
    return "Box" + std::to_string(box);
}

// Program texts in CP932, encoded once.
const std::string& NoTitle() {
    static const std::string bytes = cp932::Encode(QStringLiteral("No Title"));
    return bytes;
}
const std::string& DefaultHint() {
    static const std::string bytes = cp932::Encode(QStringLiteral("_XXX_枚のメモがあります"));
    return bytes;
}

// The fill level of a box: 0 empty, 1 mid, 2 full.
int FillLevel(std::size_t memos, int warningNum) {
    if (memos == 0)
        return 0;
    if (std::int64_t(memos) < warningNum)
        return 1;
    return 2;
}

// A memo's title: its first line, or "No Title" when that is empty or there is no line.
std::string_view TitleBytes(const TMemoData& memo) {
    if (memo.Lines.empty() || memo.Lines.front().empty())
        return NoTitle();
    return memo.Lines.front();
}

// open + inner + close, built by appending (GCC 12 warns falsely on chained operator+ here).
std::string Enclosed(std::string_view open, std::string_view inner, std::string_view close) {
    std::string out;
    out.reserve(open.size() + inner.size() + close.size());
    out.append(open).append(inner).append(close);
    return out;
}

} // namespace

// The drawing widget is given before the row joins its menu: a menu takes an action's widget
// only when the action is added, and draws a plain item otherwise.
QWidgetAction* TForm1::AddTitleRow(QMenu* menu, const QString& name, const QString& caption) {
    auto* row = new QWidgetAction(menu);
    row->setObjectName(name);
    row->setText(caption);
    row->setEnabled(false);
    row->setDefaultWidget(new TMenuTitle(row, this));
    menu->addAction(row);
    return row;
}

void TForm1::RebuildBoxMenu(TMemoList& list, QMenu* menu) {
    SortMemos(list);
    BoxMenuContent& content = boxMenuContent_[std::size_t(BoxOfMenu(menu))];
    content.list = &list;
    content.count = qsizetype(list.size());
    content.stale = true;
    content.serials.resize(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        content.serials[i] = list[i]->Serial();
    if (menu->isVisible() || BoxOfMenu(menu) == 0)
        FillBoxMenu(menu);
}

// Up to the limit, item i + 1 stands for memo i; items carry nothing but their caption. Items
// that already show the right captions at the start and at the end of the menu are kept as they
// are and only the run between them changes, so storing, moving or deleting one memo touches one
// item. This matters for large boxes: a QMenu adds and removes actions at a cost that grows with
// the number it holds, so recreating every item would cost many times more than the items
// themselves. Above the limit the menu shows the memos through a window of rows that scrolls
// (BoxMenu), since a QMenu of that many items takes longer than a second to build and lay out.
void TForm1::FillBoxMenu(QMenu* menu) {
    BoxMenuContent& content = boxMenuContent_[std::size_t(BoxOfMenu(menu))];
    if (!content.stale)
        return;
    content.stale = false;

    QStringList captions;
    captions.reserve(qsizetype(content.list->size()));
    for (const auto& memo : *content.list)
        captions.push_back(design::LiteralCaption(cp932::Decode(TitleBytes(*memo))));

    // An empty box's menu says so under its title row; the line goes as soon as memos come.
    QAction* noMemo = NoMemoItem[std::size_t(BoxOfMenu(menu))];
    if (noMemo && menu->actions().last() == noMemo)
        menu->removeAction(noMemo);

    // An open menu keeps its kind until it opens again: changing it now would lay the open menu
    // out again for every item added or removed.
    auto* boxMenu = qobject_cast<BoxMenu*>(menu);
    if (boxMenu && !captions.isEmpty() &&
        (menu->isVisible() ? boxMenu->Windowed() : captions.size() > fullBoxMenuLimit_)) {
        boxMenu->SetWindowCaptions(std::move(captions));
        return;
    }
    if (boxMenu)
        boxMenu->EndWindow();

    const QList<QAction*> actions = menu->actions();
    auto item = [&actions](qsizetype i) {
        return actions[i + 1];
    };
    const qsizetype had = actions.size() - 1;
    const qsizetype wanted = captions.size();
    qsizetype front = 0;
    while (front < had && front < wanted && item(front)->text() == captions[front])
        ++front;
    qsizetype back = 0;
    while (back < had - front && back < wanted - front &&
           item(had - 1 - back)->text() == captions[wanted - 1 - back])
        ++back;

    const qsizetype oldEnd = had - back;
    const qsizetype newEnd = wanted - back;
    const qsizetype reused = std::min(oldEnd, newEnd) - front;
    for (qsizetype i = front; i < front + reused; ++i)
        item(i)->setText(captions[i]);
    for (qsizetype i = front + reused; i < oldEnd; ++i)
        delete item(i);
    QList<QAction*> added;
    added.reserve(newEnd - front - reused);
    for (qsizetype i = front + reused; i < newEnd; ++i)
        added.push_back(new QAction(captions[i], menu));
    menu->insertActions(oldEnd < had ? item(oldEnd) : nullptr, added);
    if (noMemo && wanted == 0)
        menu->addAction(noMemo);
}

void TForm1::SetFullBoxMenuLimit(qsizetype memos) {
    fullBoxMenuLimit_ = memos;
}

qsizetype TForm1::ListedMemos(int box) const {
    const BoxMenuContent& content = boxMenuContent_[std::size_t(box)];
    if (content.stale)
        return content.count;
    if (PopupMenu[box]->Windowed())
        return PopupMenu[box]->CaptionCount();
    const QList<QAction*> actions = PopupMenu[box]->actions();
    return actions.size() - (actions.last() == NoMemoItem[box] ? 2 : 1);
}

int TForm1::MemoOfItem(int box, const QAction* item) const {
    if (box < 1 || box > 6 || !item)
        return -1;
    const qsizetype index = PopupMenu[box]->CaptionIndex(item);
    return index >= 0 && index < ListedMemos(box) ? int(index) : -1;
}

MemoSerial TForm1::MemoSerialOfItem(int box, const QAction* item) const {
    const int index = MemoOfItem(box, item);
    const std::vector<MemoSerial>& serials = boxMenuContent_[std::size_t(box)].serials;
    return index >= 0 && std::size_t(index) < serials.size() ? serials[std::size_t(index)] : 0;
}

void TForm1::MemoItemClick(QAction* item) {
    const MemoSerial memo = MemoSerialOfItem(BoxOfMenu(qobject_cast<QMenu*>(item->parent())), item);
    if (memo == 0) // not a memo item
        return;
    ActiveMemo = memo;
    platform::Current().Popup(PopupMenuSub, platform::Current().GetCursorPos());
}

void TForm1::PopupFolderMenuPopup(QMenu* menu) {
    // The menu and its list become active together, before any title picture can fail.
    ActiveBoxMenu = menu;
    if (const int box = BoxOfMenu(menu); box != 0)
        ActiveBoxList = &BoxMemoLists[box];
    const std::string close = cp932::Encode(QStringLiteral("]の一覧"));
    for (int n = 1; n <= 6; ++n) {
        if (PopupMenu[n] == menu) {
            // An editor not built yet takes the box when it is built.
            if (Form2.Built())
                Form2->SpeedButton[n]->setChecked(true);
        }
        FolderMenuTitle[n]->setText(cp932::Decode(Enclosed("[", BoxName(n), close)));
        FolderMenuTitle[n]->setIcon(
            ButtonPicture(SkinFile(SkinIni.ReadString(Section(n), "ImageBtn", ""))));
    }
}

void TForm1::PopupMenuSubPopup() {
    std::string_view title = NoTitle();
    if (const std::ptrdiff_t index = ChosenMemoIndex(); index >= 0)
        title = TitleBytes(*(*ActiveBoxList)[std::size_t(index)]);
    if (title.size() <= kTitleBytes) {
        MenuSubCaption->setText(cp932::Decode(title));
    } else {
        // 39 bytes and "...", but never half of a double-byte character.
        MenuSubCaption->setText(cp932::Decode(cp932::CutAtCharBoundary(title, kTitleBytes - 1)) +
                                QStringLiteral("..."));
    }

    const bool trash = ActiveBoxMenu == PopupMenu[6];
    const std::string templ =
        cp932::Encode(trash ? QStringLiteral("[_EEE_]へ復活") : QStringLiteral("[_EEE_]へ移動"));
    for (int n = 1; n <= 6; ++n) {
        Move[n]->setText(cp932::Decode(cp932::ReplaceAll(templ, "_EEE_", BoxName(n))));
        // A box that could not be read takes no memo.
        Move[n]->setEnabled(BoxUnavailable[n].isEmpty());
        if (PopupMenu[n] == ActiveBoxMenu) {
            Move[n]->setEnabled(false);
            MenuSubCaption->setIcon(
                ButtonPicture(SkinFile(SkinIni.ReadString(Section(n), "ImageBtn", ""))));
        }
    }

    for (QAction* item : {N2, N1, N9, Move[6]})
        item->setVisible(!trash);
}

void TForm1::N1Click() {
    const std::ptrdiff_t index = ChosenMemoIndex();
    if (index < 0)
        return;
    EditingExisting = true;
    const TMemoData& memo = *(*ActiveBoxList)[std::size_t(index)];
    Form2->SetMemoLines(memo.Lines);
    Form2->DateTimePicker1 = memo.MemoDate;
    platform::Current().ShowModal(Form2.Get());
    RefreshIndicators();
}

void TForm1::ImageFolderDblClick(TImage* icon) {
    for (int n = 1; n <= 6; ++n)
        if (Image[n] == icon)
            OpenEditorForNew(n);
}

void TForm1::OpenEditorForNew(int box) {
    if (box < 1 || box > 6)
        return;
    RequireWritableBox(box);
    EditingExisting = false;
    ChooseBox(box);
    Form2->SpeedButton[box]->setChecked(true);
    platform::Current().ShowModal(Form2.Get());
    RefreshIndicators();
}

void TForm1::OpenEditorOnMemo(int box, MemoSerial serial) {
    if (box < 1 || box > 6 || IndexOfMemo(BoxMemoLists[box], serial) < 0)
        return;
    ChooseBox(box);
    ActiveMemo = serial;
    Form2->SpeedButton[box]->setChecked(true);
    N1Click();
}

void TForm1::ChooseBox(int box) {
    ActiveBoxMenu = PopupMenu[box];
    ActiveBoxList = &BoxMemoLists[box];
}

int TForm1::ActiveBox() const {
    const int box = BoxOfMenu(ActiveBoxMenu);
    return box != 0 && ActiveBoxList == &BoxMemoLists[box] ? box : 0;
}

MemoSerial TForm1::ChosenMemo() const {
    return ChosenMemoIndex() >= 0 ? ActiveMemo : 0;
}

void TForm1::MenuAplNewClick(QAction* item) {
    for (int n = 1; n <= 5; ++n)
        if (MenuAplNew[n] == item)
            ImageFolderDblClick(Image[n]);
}

void TForm1::THFolderClick(QAction* item) {
    for (int n = 1; n <= 6; ++n)
        if (THFolder[n] == item)
            platform::Current().Popup(PopupMenu[n], platform::Current().GetCursorPos());
}

namespace {

// The hint of a box whose menu lists `memos` memos: Hint0 for an empty box, else Hint1, with
// the count in place of "_XXX_" and then the box name in place of "_EEE_".
std::string BoxHint(const IniFile& skin, int box, qsizetype memos, const std::string& name) {
    const std::string templ =
        skin.ReadString(Section(box), memos == 0 ? "Hint0" : "Hint1", DefaultHint());
    return cp932::ReplaceAll(cp932::ReplaceAll(templ, "_XXX_", std::to_string(memos)), "_EEE_",
                             name);
}

// The hint of a box that could not be read at start-up: its name and why.
std::string UnavailableHint(const std::string& name, const QString& reason) {
    return cp932::Encode(QStringLiteral("%1は使えません（%2）").arg(cp932::Decode(name), reason));
}

} // namespace

void TForm1::RefreshIndicators() {
    // Every command that changes a list ends here: the search results follow first, so that a
    // picture that fails to load below cannot leave them pointing at memos that have gone.
    if (FormSearch.Built())
        FormSearch->ListsChanged();
    for (int n = 1; n <= 6; ++n) {
        const std::string hint = BoxUnavailable[n].isEmpty()
                                     ? BoxHint(SkinIni, n, ListedMemos(n), BoxName(n))
                                     : UnavailableHint(BoxName(n), BoxUnavailable[n]);
        Image[n]->setToolTip(cp932::Decode(hint));
        // A screen reader says the box's name and count, and reads the hint as its description.
        Image[n]->setAccessibleName(
            BoxUnavailable[n].isEmpty()
                ? QStringLiteral("%1 %2件").arg(cp932::Decode(BoxName(n))).arg(ListedMemos(n))
                : QStringLiteral("%1 使えません").arg(cp932::Decode(BoxName(n))));
        Image[n]->setAccessibleDescription(cp932::Decode(hint));
        if (n == 1)
            TrayIcon1->SetTipHelp(Enclosed("Tabuko [", hint, "]"));
    }
    UpdateBoxImages();
    UpdateTrayIconImage();
    UpdateTrayFolderItems();
    UpdateNewMemoCaptions();
}

void TForm1::UpdateBoxImages() {
    static const char* const kKeys[] = {"ImageEnp", "ImageMid", "ImageFul"};
    for (int n = 1; n <= 6; ++n) {
        const int level =
            FillLevel(BoxMemoLists[n].size(), SkinIni.ReadInteger(Section(n), "WarningNum", 1));
        TPicture picture = LoadPicture(SkinFile(SkinIni.ReadString(Section(n), kKeys[level], "")));
        if (!BoxUnavailable[n].isEmpty() && picture.kind == TPicture::Kind::Bitmap)
            picture.image = CrossedOut(picture.image);
        Image[n]->SetPicture(std::move(picture));
        Image[n]->resize(Image[n]->Picture().Width(), Image[n]->Picture().Height());
    }
}

void TForm1::UpdateTrayIconImage() {
    static const char* const kKeys[] = {"Icon_Emp", "Icon_Mid", "Icon_Ful"};
    const int level =
        FillLevel(BoxMemoLists[1].size(), SkinIni.ReadInteger(Section(1), "WarningNum", 1));
    TrayIcon1->Icon()->LoadFromFile(SkinFile(SkinIni.ReadString(Section(1), kKeys[level], "")));
    try {
        TrayIcon1->SetVisible(true);
    } catch (const ENotifyIconError& error) {
        // Without a notification area the program goes on with the wall as its only way in;
        // the user is told once.
        if (!TrayIconMissing) {
            TrayIconMissing = true;
            platform::ShowError(error.Message());
        }
    }
}

void TForm1::UpdateTrayFolderItems() {
    for (int n = 1; n <= 6; ++n) {
        const qsizetype memos = ListedMemos(n);
        THFolder[n]->setText(cp932::Decode(BoxUnavailable[n].isEmpty()
                                               ? BoxHint(SkinIni, n, memos, BoxName(n))
                                               : UnavailableHint(BoxName(n), BoxUnavailable[n])));
        THFolder[n]->setEnabled(memos != 0);
    }
}

void TForm1::UpdateNewMemoCaptions() {
    const std::string templ = cp932::Encode(QStringLiteral("に[_EEE_]を作成"));
    for (int n = 1; n <= 5; ++n)
        MenuAplNew[n]->setText(cp932::Decode(cp932::ReplaceAll(templ, "_EEE_", BoxName(n))));
}
