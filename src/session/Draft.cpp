#include "session/Draft.h"

#include "platform/Files.h"

#include <QFile>

void SaveDraft(const Draft& draft) {
    const QByteArray bytes = QByteArray::number(draft.box) + '\n' + draft.text.toUtf8();
    platform::SaveFile(kDraftFileName, bytes.toStdString());
}

std::optional<Draft> LoadDraft() {
    QFile file(kDraftFileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const qsizetype end = bytes.indexOf('\n');
    bool ok = false;
    const int box = bytes.left(end).toInt(&ok);
    if (end < 0 || !ok || box < 1 || box > 6)
        return std::nullopt;
    return Draft{box, QString::fromUtf8(bytes.mid(end + 1))};
}

void RemoveDraft() {
    QFile::remove(kDraftFileName);
}
