#include "store/SyncConflicts.h"

#include <QDir>
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

} // namespace

bool IsConflictCopy(const QString& name, int box) {
    return PatternFor(box).match(name).hasMatch();
}

QStringList ConflictCopies(const QString& folder, int box) {
    const QRegularExpression pattern = PatternFor(box);
    QStringList copies;
    const QStringList files =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& name : files)
        if (pattern.match(name).hasMatch())
            copies << name;
    std::sort(copies.begin(), copies.end());
    return copies;
}
