#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

// The position rule of the program's windows: a saved top beyond the screen's height, then a saved
// left beyond its width, is replaced by the centred value on that axis. Negative values and
// windows only partly off the screen stay.
QPoint CorrectedPosition(QPoint saved, QSize window, QSize screen);

// The centred value on one axis: screen div 2 - window div 2.
inline int Centred(int screen, int window) {
    return screen / 2 - window / 2;
}

// Moves `window` to `saved`, corrected by the rule for the current screen.
void PlaceWindow(QWidget* window, QPoint saved);
