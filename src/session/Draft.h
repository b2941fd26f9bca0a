#pragma once

#include "util/DateTime.h"

#include <QByteArray>
#include <QString>
#include <optional>

class TMemoData;

// The editor's text kept when the session ends while the editor is open, so that it can be
// offered again at the next start. It lives beside the box files as "TabukoDraft.txt": the box
// number on the first line, then the text, in UTF-8 (the text may hold characters that the box
// files cannot, which the editor refuses only at OK). After the box number the first line may
// carry fields separated by blanks (fields of other names are skipped):
//   date=D          the memo date the editor was to store (a TDateTime, as a decimal number)
//   memo=N:KEY      the memo the editor changed: its box N and the key of its record (MemoKey)
// A draft without "memo" is a new memo.
struct Draft {
    int box = 1;
    QString text;
    std::optional<TDateTime> memoDate;
    // The box of the memo being changed (1..6), 0 for a new memo, and its record's key.
    int editedBox = 0;
    QByteArray editedKey;
};

inline const QString kDraftFileName = QStringLiteral("TabukoDraft.txt");

// What identifies a memo's record across runs: a hash of the record as the box file holds it
// (text, both dates and the sort key). Records with the same key are the same to the user.
QByteArray MemoKey(const TMemoData& memo);

// Replaces the draft file; raises the usual write errors.
void SaveDraft(const Draft& draft);
// The kept draft, if there is a readable one.
std::optional<Draft> LoadDraft();
// Removes the draft file once its text is back in the editor and the editor has closed.
void RemoveDraft();
