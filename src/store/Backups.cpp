#include "store/Backups.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <functional>

namespace {

const QString kBackupFolder = QStringLiteral("backup");

bool IsDayName(const QString& name) {
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    return shape.match(name).hasMatch() && QDate::fromString(name, Qt::ISODate).isValid();
}

// folder/backup/<day>, created if missing; empty when it cannot be.
QString MakeDayFolder(const QString& folder, const QString& day) {
    if (!IsDayName(day))
        return {};
    const QString path = QDir(folder).filePath(kBackupFolder + QLatin1Char('/') + day);
    return QDir().mkpath(path) && QFileInfo(path).isDir() ? path : QString();
}

// Keeps the kBackupDays newest day folders up to `today` (which is one of them) and removes the
// older ones. Folders dated after `today` are neither counted nor removed: the clock may have been
// put back, and they then hold the newest backups there are, which must survive until the clock
// catches up with them and they are counted like any other day. Links and anything not named
// like a date are left alone.
void PruneDays(const QString& folder, const QString& today) {
    const QDir backup(QDir(folder).filePath(kBackupFolder));
    QStringList days;
    for (const QString& name :
         backup.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::NoSort))
        if (IsDayName(name) && name <= today)
            days << name;
    std::sort(days.begin(), days.end(), std::greater<>());
    for (qsizetype i = kBackupDays; i < days.size(); ++i)
        QDir(backup.filePath(days[i])).removeRecursively();
}

bool CopyWhole(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

// "name (n).ext" for "name.ext".
QString NumberedName(const QString& fileName, int n) {
    const QFileInfo info(fileName);
    const QString numbered = info.completeBaseName() + QStringLiteral(" (%1)").arg(n);
    return info.suffix().isEmpty() ? numbered : numbered + QLatin1Char('.') + info.suffix();
}

} // namespace

bool BackupBeforeWrite(const QString& folder, const QString& fileName, const QString& day) {
    if (!IsDayName(day))
        return false;
    const QString source = QDir(folder).filePath(fileName);
    if (!QFileInfo(source).isFile())
        return true;
    const QString dayFolder = MakeDayFolder(folder, day);
    if (dayFolder.isEmpty())
        return false;
    const QString target = QDir(dayFolder).filePath(fileName);
    const bool done = QFileInfo::exists(target) || CopyWhole(source, target);
    PruneDays(folder, day);
    return done;
}

QString MoveIntoBackup(const QString& folder, const QString& fileName, const QString& day) {
    const QString source = QDir(folder).filePath(fileName);
    if (!QFileInfo(source).isFile())
        return {};
    const QString dayFolder = MakeDayFolder(folder, day);
    if (dayFolder.isEmpty())
        return {};
    QString moved;
    for (int n = 1; n < 1000 && moved.isEmpty(); ++n) {
        const QString target =
            QDir(dayFolder).filePath(n == 1 ? fileName : NumberedName(fileName, n));
        if (QFileInfo::exists(target))
            continue;
        if (!QFile::rename(source, target))
            break;
        moved = target;
    }
    PruneDays(folder, day);
    return moved;
}
