#pragma once

// Creates the program's windows once each, in the order the program has always made them (the
// main window first: the others read what it set up), so that the program entry, the tests and
// the benchmarks run the same start-up.
void CreateProgramWindows();
// Destroys them in the reverse order (the main window last, writing its settings) and clears
// their pointers.
void DestroyProgramWindows();
