#pragma once

// Creates the main window, the only one shown at start-up; the others are built when first
// used (LazyWindow), so that the program entry, the tests and the benchmarks run the same
// start-up.
void CreateProgramWindows();
// Destroys the windows that were built, the main window last (it writes its settings), and
// clears their pointers.
void DestroyProgramWindows();
