#include "mainwindow/ProgramWindows.h"

#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "search/SearchWindow.h"

#include <utility>

void CreateProgramWindows() {
    Form1 = new TForm1;
    Form2 = new TForm2;
    Form3 = new TForm3;
    Form4 = new TForm4;
    Form5 = new TForm5;
    FormSearch = new TFormSearch;
}

void DestroyProgramWindows() {
    delete std::exchange(FormSearch, nullptr);
    delete std::exchange(Form5, nullptr);
    delete std::exchange(Form4, nullptr);
    delete std::exchange(Form3, nullptr);
    delete std::exchange(Form2, nullptr);
    delete std::exchange(Form1, nullptr);
}
