#pragma once

#include "ui/LazyWindow.h"

#include <QDialog>
#include <memory>

class QLabel;
class QPlainTextEdit;
class TImage;
class TrayIconPause;

// The skin information window: name, author, link, comment and picture of the current skin.
// Filled by TForm1::N12Click each time it is shown.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    TForm4();
    ~TForm4() override;

    // ---- design ----
    QLabel* Label1 = nullptr;        // "名称"
    QLabel* Label2 = nullptr;        // "作者"
    QLabel* Label3 = nullptr;        // "URL"
    QLabel* Label4 = nullptr;        // "ひとこと"
    QLabel* Label5 = nullptr;        // the skin's name
    QLabel* Label6 = nullptr;        // the skin's author
    TImage* Image1 = nullptr;        // the skin's picture
    QPlainTextEdit* Memo2 = nullptr; // the skin's URL, clickable
    QPlainTextEdit* Memo1 = nullptr; // the skin's comment

    void FormCreate();
    void FormShow();
    void FormClose();
    void Memo2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateDesign();

    // Held from showing to closing: the notification-area icon ignores clicks meanwhile.
    std::unique_ptr<TrayIconPause> trayPause_;
};

extern LazyWindow<TForm4> Form4;
