#pragma once

#include <QString>
#include <optional>

// The editor's text kept when the session ends while the editor is open, so that it can be
// offered again at the next start. It lives beside the box files as "TabukoDraft.txt": the box
// number on the first line, then the text, in UTF-8 (the text may hold characters that the box
// files cannot, which the editor refuses only at OK).
struct Draft {
    int box = 1;
    QString text;
};

inline const QString kDraftFileName = QStringLiteral("TabukoDraft.txt");

// Replaces the draft file; raises the usual write errors.
void SaveDraft(const Draft& draft);
// The kept draft, if there is a readable one.
std::optional<Draft> LoadDraft();
// Removes the draft file once its text is back in the editor and the editor has closed.
void RemoveDraft();
