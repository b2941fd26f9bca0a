// The wall from the keyboard: the focus walks over the six box icons and the wall itself.
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "platform/Guard.h"
#include "platform/Platform.h"

#include <QKeyEvent>

int TForm1::FocusedBox() const {
    for (int n = 1; n <= 6; ++n)
        if (Image[n]->hasFocus())
            return n;
    return 0;
}

void TForm1::FocusBox(int box) {
    if (box >= 1 && box <= 6)
        Image[box]->setFocus(Qt::TabFocusReason);
    else
        setFocus(Qt::TabFocusReason);
}

void TForm1::OpenFocusedMenu() {
    const int box = FocusedBox();
    if (box == 0) {
        platform::Current().Popup(PopupMenuApl_Main, mapToGlobal(QPoint(0, 0)));
        return;
    }
    // Below the icon, where the menu does not cover the box it belongs to.
    platform::Current().Popup(PopupMenu[box],
                              Image[box]->mapToGlobal(QPoint(0, Image[box]->height())));
}

bool TForm1::focusNextPrevChild(bool next) {
    // Tab walks wall, box 1 .. box 6 and round again; nothing else on the wall takes the focus.
    const int stop = (FocusedBox() + (next ? 1 : 6)) % 7;
    FocusBox(stop);
    return true;
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    const int box = FocusedBox();
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Left:
        if (modifiers != Qt::NoModifier)
            break;
        // From the wall, Right goes to the first box and Left to the last; the walk wraps.
        if (box == 0)
            FocusBox(event->key() == Qt::Key_Right ? 1 : 6);
        else
            FocusBox((box + (event->key() == Qt::Key_Right ? 0 : 4)) % 6 + 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers != Qt::NoModifier)
            break;
        // A new memo for boxes 1 to 5, as a double-click; the trash box takes no new memo and
        // shows its menu instead.
        if (box >= 1 && box <= 5)
            platform::Guard([&] { ImageFolderDblClick(Image[box]); });
        else if (box == 6)
            OpenFocusedMenu();
        return;
    case Qt::Key_Menu:
        OpenFocusedMenu();
        return;
    case Qt::Key_F10:
        if (modifiers != Qt::ShiftModifier)
            break;
        OpenFocusedMenu();
        return;
    case Qt::Key_Escape:
        if (modifiers != Qt::NoModifier)
            break;
        platform::Guard([&] { ImageWallDblClick(); });
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}
