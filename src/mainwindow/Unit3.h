#pragma once

#include "mainwindow/LazyWindow.h"

#include <QDialog>

// The about box: the program's emblem, name and credit lines.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    TForm3();

    void FormShow();
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
};

extern LazyWindow<TForm3> Form3;
