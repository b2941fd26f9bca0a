#pragma once

#include <QFont>

// The program's Japanese font, "ＭＳ Ｐゴシック" 12 pixels high, served by its metric twin.
QFont ProgramFont();
// The editing area's fixed-pitch font, "ＭＳ ゴシック" 12 pixels high.
QFont ProgramFixedFont();

// Makes the program's font the application's: menus, tool tips and message boxes are top-level
// windows that take the application font rather than their owner's, and the desktop's default
// would mix a Latin font into their Japanese text.
void UseProgramFont();
