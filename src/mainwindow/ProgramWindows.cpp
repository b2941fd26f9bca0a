#include "mainwindow/ProgramWindows.h"

#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/Search.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"

#include <utility>

void CreateProgramWindows() {
    Form1 = new TForm1;
}

void DestroyProgramWindows() {
    FormSearch.Destroy();
    Form5.Destroy();
    Form4.Destroy();
    Form3.Destroy();
    Form2.Destroy();
    delete std::exchange(Form1, nullptr);
}
