#pragma once

#include "platform/DateTime.h"

#include <QDialog>
#include <array>

class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// The memo editor: a modal window in which a memo is written or changed and stored into the box
// whose button is down.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2();
    ~TForm2() override;

    // ---- design ----
    QPlainTextEdit* RichEdit1 = nullptr;
    QLabel* Label2 = nullptr;
    std::array<QToolButton*, 7> SpeedButton{}; // SpeedButton1..SpeedButton6
    QPushButton* Button1 = nullptr;            // "OK"
    QPushButton* Button2 = nullptr;            // "キャンセル"
    // The hidden memo date field: the moment the editor was opened for the memo it stores.
    TDateTime DateTimePicker1 = 0;
};

extern TForm2* Form2;
