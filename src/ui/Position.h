#pragma once

#include "platform/Platform.h"

#include <QPoint>
#include <QSize>
#include <vector>

class QWidget;

// The position rule of the program's windows: a saved position is kept when the window would show
// at least a corner of kVisibleCorner x kVisibleCorner pixels (all of a smaller window) on the
// usable area of some screen; otherwise the window is centred on the primary screen. `screens`
// lists the primary screen first.
QPoint CorrectedPosition(QPoint saved, QSize window, const std::vector<platform::Screen>& screens);

inline constexpr int kVisibleCorner = 32;

// The centred value on one axis: screen div 2 - window div 2.
inline int Centred(int screen, int window) {
    return screen / 2 - window / 2;
}

// The top-left corner of a window of `window` size centred on the primary screen.
QPoint CentredOnPrimary(QSize window);

// Moves `window` to `saved`, corrected by the rule for the current screens.
void PlaceWindow(QWidget* window, QPoint saved);
