#include "store/BoxSync.h"

#include "platform/Files.h"
#include "store/Backups.h"
#include "store/BoxFile.h"
#include "util/Exception.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString Key(const QString& fileName) {
    return QFileInfo(fileName).absoluteFilePath();
}

} // namespace

BoxSync& BoxFiles() {
    static BoxSync files;
    return files;
}

void BoxSync::Remember(const QString& fileName, std::string bytes, platform::FileStamp stamp) {
    Known& known = known_[Key(fileName)];
    known.bytes = std::move(bytes);
    known.stamp = stamp;
}

std::string_view BoxSync::KnownBytes(const QString& fileName) const {
    const auto at = known_.constFind(Key(fileName));
    return at == known_.cend() ? std::string_view() : std::string_view(at->bytes);
}

MergeOutcome BoxSync::Refresh(const QString& fileName, TMemoList& list) {
    Known& known = known_[Key(fileName)];
    const platform::FileStamp stamp = platform::StampOf(fileName);
    if ((stamp == known.stamp && known.stamp.settled) || !stamp.exists)
        return {};
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(fileName);
    // The stamp of the file that is read, which may already be another than the one above.
    known.stamp = platform::StampOf(file);
    std::string disk = platform::ReadRest(file);
    file.close();
    if (disk == known.bytes)
        return {};
    const MergeOutcome outcome = MergeBox(known.bytes, disk, list);
    if (outcome.damaged) {
        const QString copy = KeepDamagedCopy(fileName);
        if (OnDamaged)
            OnDamaged(fileName, copy);
    }
    known.bytes = std::move(disk);
    return outcome;
}

void BoxSync::Store(const QString& fileName, TMemoList& list) {
    Refresh(fileName, list);
    if (const QString day = Today ? Today() : QString(); !day.isEmpty()) {
        Known& known = known_[Key(fileName)];
        const QFileInfo file(fileName);
        if (known.backedUpOn != day && BackupBeforeWrite(file.absolutePath(), file.fileName(), day))
            known.backedUpOn = day;
    }
    WriteBoxFile(fileName, list);
}
