// The main window's part in the running program's life beyond one start: later starts in the
// same folder, the end of the session, and the editor's draft kept across it.
#include "editor/Unit2.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "platform/Guard.h"
#include "session/Draft.h"
#include "trayicon/TrayIcon.h"

#include <QApplication>
#include <QPlainTextEdit>

void TForm1::BringForward() {
    WinShowClick();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void TForm1::EndSession() {
    SessionEnding = true;
    platform::Guard([this] { KeepDraft(); });
    qApp->quit();
}

void TForm1::KeepDraft() {
    if (!Form2.Built() || !Form2->isVisible())
        return;
    const QString text = Form2->RichEdit1->toPlainText();
    if (text.isEmpty())
        return;
    const int box = Form2->CheckedBox();
    SaveDraft({box == 0 ? 1 : box, text});
}

void TForm1::OfferDraft() {
    const std::optional<Draft> draft = LoadDraft();
    if (!draft)
        return;
    Form2->RichEdit1->setPlainText(draft->text);
    // The editor removes the draft file as it closes.
    ImageFolderDblClick(Image[draft->box]);
}

void TForm1::TrayAppeared() {
    // Removing and adding again also moves the icon to a tray that replaced the one it was in.
    TrayIcon1->SetVisible(false);
    try {
        TrayIcon1->SetVisible(true);
    } catch (const ENotifyIconError&) {
        // The user was told at start-up; the next appearance tries again.
    }
}
