#include "store/SyncConflicts.h"

#include "platform/FileStamp.h"
#include "platform/Files.h"
#include "store/BoxFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace {

// The shapes after the box number; each ends in ".dat". A tool that finds a conflict copy in
// conflict again may repeat its mark, so the marks of the first shape may repeat.
const QString kShapes[] = {
    QStringLiteral(R"((?:\.sync-conflict-\d{8}-\d{6}(?:-[A-Za-z0-9]+)?)+)"),
    QStringLiteral(R"( \([^()]*(?:conflicted copy|競合コピー)[^()]*\)(?: \(\d+\))?)"),
    QStringLiteral(R"( \(Case Conflict(?: \d+)?\))"),
    QStringLiteral(R"(_conflict-\d{8}-\d{6})"),
    QStringLiteral(R"( \(SFConflict [^()]+\))"),
};

QRegularExpression PatternFor(int box) {
    QStringList shapes;
    for (const QString& shape : kShapes)
        shapes << QStringLiteral("(?:%1)").arg(shape);
    return QRegularExpression(
        QStringLiteral("^%1(?:%2)\\.dat$").arg(QString::number(box), shapes.join(QLatin1Char('|'))),
        QRegularExpression::CaseInsensitiveOption);
}

// Whether a name could be one of box `box`'s conflict copies: it starts with the box number,
// ends in ".dat" and is longer than the box file's own name. Only such names go to the
// pattern, so a folder without conflict copies never compiles one.
bool MayBeConflictCopy(const QString& name, int box) {
    const QString number = QString::number(box);
    return name.size() > number.size() + 4 && name.startsWith(number) &&
           name.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive);
}

} // namespace

bool IsConflictCopy(const QString& name, int box) {
    return MayBeConflictCopy(name, box) && PatternFor(box).match(name).hasMatch();
}

QStringList ConflictCopies(const QString& folder, int box) {
    QStringList copies;
    const QStringList files =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& name : files)
        if (IsConflictCopy(name, box))
            copies << name;
    std::sort(copies.begin(), copies.end());
    return copies;
}

ConflictCopyRead ReadConflictCopy(const QString& path) {
    ConflictCopyRead out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    const platform::FileStamp stamp = platform::StampOf(file);
    out.bytes = platform::ReadRest(file);
    if (file.error() != QFileDevice::NoError)
        return {};
    TMemoList parsed;
    out.ready = !ParseBoxFile(out.bytes, parsed).damaged ||
                !platform::ChangedWithin(stamp, kConflictCopyQuietMs);
    return out;
}
