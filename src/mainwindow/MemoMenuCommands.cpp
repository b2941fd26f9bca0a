// The memo menu's commands that change boxes (delete, move, restore) and the delete log viewer.
#include "store/BoxCommands.h"

#include "mainwindow/Unit1.h"
#include "platform/Platform.h"
#include "store/BoxFile.h"
#include "util/CP932.h"

#include <QMenu>
#include <exception>

namespace {

// Where the memo the box menu chose is now, or -1 when it is gone.
std::ptrdiff_t ChosenMemoOfMenu(const TForm1& form) {
    return form.ActiveBox() != 0 ? form.ChosenMemoIndex() : -1;
}

} // namespace

void TForm1::Delete1Click() {
    if (platform::Current().MessageBox(QStringLiteral("削除してもよろしいですか？"),
                                       QStringLiteral("確認"),
                                       platform::MB_OKCANCEL) != platform::IDOK)
        return;
    const std::ptrdiff_t index = ChosenMemoOfMenu(*this);
    if (index < 0)
        return;
    const int box = BoxOfMenu(ActiveBoxMenu);
    RequireWritableBox(box);
    DeleteMemo(*ActiveBoxList, std::size_t(index), BoxFileName(box), BoxLabel(BoxName(box), box),
               platform::Current().Now());
    RebuildBoxMenu(*ActiveBoxList, ActiveBoxMenu);
    RefreshIndicators();
}

void TForm1::MoveMenuClick(QAction* item) {
    int target = 0;
    for (int n = 1; n <= 6; ++n)
        if (Move[n] == item)
            target = n;
    const int source = BoxOfMenu(ActiveBoxMenu);
    // The own box's item is disabled in the memo menu; a move into the own box does nothing.
    const std::ptrdiff_t index = ChosenMemoOfMenu(*this);
    if (target == 0 || target == source || index < 0)
        return;
    RequireWritableBox(target);
    RequireWritableBox(source);

    std::exception_ptr failure;
    try {
        MoveMemo(*ActiveBoxList, std::size_t(index), BoxFileName(source), BoxMemoLists[target],
                 BoxFileName(target), platform::Current().Now());
    } catch (...) {
        failure = std::current_exception();
    }
    // After a failure the lists are consistent again but may have been re-sorted, so both
    // menus are rebuilt in every case to keep menu item i standing for memo i.
    RebuildBoxMenu(BoxMemoLists[target], PopupMenu[target]);
    RebuildBoxMenu(*ActiveBoxList, ActiveBoxMenu);
    RefreshIndicators();
    if (failure)
        std::rethrow_exception(failure);
}

void TForm1::DelLogClick() {
    if (!DeleteLogExists())
        return;
    platform::Current().ShellExecuteA("open", cp932::Encode(kDeleteLogFileName), platform::SW_SHOW);
}
