#pragma once

#include "ui/LazyWindow.h"

#include <QDialog>
#include <memory>

class TrayIconPause;

// The about box: the program's emblem, name and credit lines.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    TForm3();
    ~TForm3() override;

    void FormShow();
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    // Held from showing to closing: the notification-area icon ignores clicks meanwhile.
    std::unique_ptr<TrayIconPause> trayPause_;
};

extern LazyWindow<TForm3> Form3;
