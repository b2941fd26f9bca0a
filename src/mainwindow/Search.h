#pragma once

#include "search/SearchWindow.h"
#include "ui/LazyWindow.h"

// The search window, given the main window (Form1) as its host when it is first used.
extern LazyWindow<TFormSearch> FormSearch;
