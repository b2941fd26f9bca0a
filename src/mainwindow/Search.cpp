// The main window's part in the search window: opening it, the memos and settings it works on,
// and a found memo's memo menu.
#include "mainwindow/Search.h"

#include "mainwindow/Unit1.h"
#include "platform/Platform.h"
#include "search/SearchHost.h"

#include <QMenu>

namespace {

// The main window as the search window sees it.
class MainWindowSearchHost final : public SearchHost {
public:
    const std::array<TMemoList, 7>& MemoLists() const override { return Form1->BoxMemoLists; }
    std::string BoxName(int box) const override { return Form1->BoxName(box); }
    void TakeInDiskChanges() override { Form1->TakeInDiskChanges(); }
    void ShowMemoMenu(int box, MemoSerial serial, QPoint at) override {
        Form1->ShowMemoMenu(box, serial, at);
    }
    IniFile ReadSettings() const override { return Form1->ProgramSettings().Read(); }
    void WriteSettings(const std::function<void(IniFile&)>& change) override {
        Form1->ProgramSettings().Write(change);
    }
};

MainWindowSearchHost searchHost;

} // namespace

LazyWindow<TFormSearch> FormSearch([] { return new TFormSearch(searchHost); });

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
