#pragma once

#include "store/MemoData.h"
#include "util/IniFile.h"

#include <QPoint>
#include <array>
#include <functional>
#include <string>

// What the search window needs of the program around it: the memos of the six boxes and their
// names, the changes made on disk by others, a found memo's memo menu, and its own settings
// section. The main window provides it; tests may give a stand-in.
class SearchHost {
public:
    virtual ~SearchHost() = default;

    // The memo lists of boxes 1 to 6 (element 0 is unused).
    virtual const std::array<TMemoList, 7>& MemoLists() const = 0;
    // The name of box `box` (1 to 6) as stored.
    virtual std::string BoxName(int box) const = 0;
    // Takes in the changes made to the box files since they were last read; MemoLists() then
    // holds them.
    virtual void TakeInDiskChanges() = 0;
    // Pops up the memo menu of memo `serial` of box `box` at `at`.
    virtual void ShowMemoMenu(int box, MemoSerial serial, QPoint at) = 0;
    // The settings file as it is now; writing through `change` may fail with an exception.
    virtual IniFile ReadSettings() const = 0;
    virtual void WriteSettings(const std::function<void(IniFile&)>& change) = 0;
};
