// The main window's part in the search window: opening it, and a found memo's memo menu.
#include "editor/Unit2.h"
#include "mainwindow/Unit1.h"
#include "platform/Platform.h"
#include "search/SearchWindow.h"

#include <QMenu>

void TForm1::OpenSearch(const QString& text) {
    TakeInDiskChanges();
    FormSearch->Open(text);
}

void TForm1::ShowMemoMenu(int box, MemoSerial serial, QPoint at) {
    if (box < 1 || box > 6 || IndexOfMemo(BoxMemoLists[box], serial) < 0)
        return;
    PopupFolderMenuPopup(PopupMenu[box]);
    ActiveMemo = serial;
    platform::Current().Popup(PopupMenuSub, at);
    // The keyboard starts on the first command (edit, or the first restore in the trash box).
    if (PopupMenuSub->isVisible()) {
        for (QAction* item : PopupMenuSub->actions()) {
            if (item->isVisible() && item->isEnabled() && !item->isSeparator()) {
                PopupMenuSub->setActiveAction(item);
                break;
            }
        }
    }
}
