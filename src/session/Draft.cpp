#include "session/Draft.h"

#include "platform/Files.h"
#include "store/MemoData.h"

#include <QCryptographicHash>
#include <QFile>
#include <cmath>
#include <string>

QByteArray MemoKey(const TMemoData& memo) {
    std::string record;
    memo.SaveToStream(record);
    return QCryptographicHash::hash(QByteArrayView(record.data(), qsizetype(record.size())),
                                    QCryptographicHash::Sha256)
        .toHex();
}

void SaveDraft(const Draft& draft) {
    QByteArray bytes = QByteArray::number(draft.box);
    if (draft.memoDate)
        bytes += " date=" + QByteArray::number(*draft.memoDate, 'g', 17);
    if (draft.editedBox != 0)
        bytes += " memo=" + QByteArray::number(draft.editedBox) + ':' + draft.editedKey;
    bytes += '\n' + draft.text.toUtf8();
    platform::SaveFile(kDraftFileName, bytes.toStdString());
}

std::optional<Draft> LoadDraft() {
    QFile file(kDraftFileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const qsizetype end = bytes.indexOf('\n');
    if (end < 0)
        return std::nullopt;
    const QList<QByteArray> fields = bytes.left(end).split(' ');
    bool ok = false;
    const int box = fields[0].toInt(&ok);
    if (!ok || box < 1 || box > 6)
        return std::nullopt;
    Draft draft;
    draft.box = box;
    draft.text = QString::fromUtf8(bytes.mid(end + 1));
    for (const QByteArray& field : fields.mid(1)) {
        if (field.startsWith("date=")) {
            const double date = field.mid(5).toDouble(&ok);
            if (ok && std::isfinite(date))
                draft.memoDate = date;
        } else if (field.startsWith("memo=")) {
            const qsizetype colon = field.indexOf(':');
            const int edited = field.mid(5, colon - 5).toInt(&ok);
            if (colon > 0 && ok && edited >= 1 && edited <= 6) {
                draft.editedBox = edited;
                draft.editedKey = field.mid(colon + 1);
            }
        }
    }
    return draft;
}

void RemoveDraft() {
    QFile::remove(kDraftFileName);
}
