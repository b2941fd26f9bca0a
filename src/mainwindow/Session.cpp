// The main window's part in the running program's life beyond one start: later starts in the
// same folder, the end of the session, and the editor's draft kept across it.
#include "editor/Unit2.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "session/Draft.h"
#include "session/SessionEndOutcome.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QThread>
#include <QToolButton>
#include <utility>

namespace {

// Keeps the open editor's text as a draft; a failure is told, naming the draft.
void KeepDraftStep(TForm1* form) {
    platform::EndingStep(QStringLiteral("下書き（%1）").arg(kDraftFileName),
                         [form] { form->KeepDraft(); });
}

} // namespace

void TForm1::BringForward() {
    WinShowClick();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void TForm1::EndSession() {
    // Nobody is asked anything from here on: what cannot be kept is said on standard error and
    // makes the exit status non-zero.
    platform::EndQuietly();
    SessionEnding = true;
    delete std::exchange(SessionEndWatch, nullptr); // this is the end it waited for
    KeepDraftStep(this);
    qApp->quit();
    // Quitting closes the windows first and stops when one of them stays open; the program ends
    // all the same.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void TForm1::AwaitSessionEnd() {
    SessionEnding = true;
    KeepDraftStep(this);
    if (SessionEndWatch)
        return;
    SessionEndWatch = new SessionEndOutcome(this);
    connect(SessionEndWatch, &SessionEndOutcome::Ends, this, [this] {
        // The session ends the program: as at a signal, with the text written since the
        // session asked.
        platform::EndQuietly();
        KeepDraftStep(this);
    });
    connect(SessionEndWatch, &SessionEndOutcome::Cancelled, this, [this] {
        // The session goes on: closing the editor now throws its text away, as it always does.
        SessionEnding = false;
        std::exchange(SessionEndWatch, nullptr)->deleteLater();
    });
}

void TForm1::KeepDraft() {
    if (!Form2.Built() || !Form2->isVisible())
        return;
    const QString text = Form2->RichEdit1->toPlainText();
    if (text.isEmpty())
        return;
    const int box = Form2->CheckedBox();
    Draft draft;
    draft.box = box == 0 ? 1 : box;
    draft.text = text;
    draft.memoDate = Form2->DateTimePicker1;
    // The memo that OK would replace, known again at the next start by its record.
    const TForm2::EditedMemoRef edited = Form2->EditedMemo();
    if (edited.serial != 0) {
        const TMemoList& list = BoxMemoLists[edited.box];
        const std::ptrdiff_t at = IndexOfMemo(list, edited.serial);
        if (at >= 0) {
            draft.editedBox = edited.box;
            draft.editedKey = MemoKey(*list[std::size_t(at)]);
        }
    }
    SaveDraft(draft);
}

void TForm1::OfferDraft() {
    const std::optional<Draft> draft = LoadDraft();
    if (!draft)
        return;
    // The memo the draft changes, where its box still holds it; one that is gone makes the
    // draft a new memo, so that its text is never lost.
    const int from = draft->editedBox;
    int index = -1;
    if (from != 0) {
        const TMemoList& list = BoxMemoLists[from];
        for (std::size_t i = 0; i < list.size() && index < 0; ++i)
            if (MemoKey(*list[i]) == draft->editedKey)
                index = int(i);
    }
    Form2->KeptMemoDate = draft->memoDate;
    // The editor removes the draft file as it closes.
    if (index < 0) {
        Form2->RichEdit1->setPlainText(draft->text);
        try {
            OpenEditorForNew(draft->box);
        } catch (...) {
            // The box cannot take it now; the date is not for the editor's next showing.
            Form2->KeptMemoDate.reset();
            throw;
        }
        return;
    }
    // Opened as the edit it was: OK replaces the memo, keeping the bytes of unchanged lines.
    EditingExisting = true;
    ChooseBox(from);
    ActiveMemo = (*ActiveBoxList)[std::size_t(index)]->Serial();
    Form2->SetMemoLines((*ActiveBoxList)[std::size_t(index)]->Lines);
    Form2->RichEdit1->setPlainText(draft->text);
    Form2->SpeedButton[draft->box]->setChecked(true);
    platform::Current().ShowModal(Form2.Get());
    RefreshIndicators();
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
