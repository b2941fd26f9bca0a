// Box files written by others while the program runs (a sync tool, another computer): their
// changes and the conflict copies that sync tools leave are merged into the lists, and the
// menus and indicators follow without the user doing anything.
#include "mainwindow/Unit1.h"

#include "platform/Guard.h"
#include "platform/Platform.h"
#include "store/Backups.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"
#include "store/SyncConflicts.h"
#include "util/DateTime.h"
#include "util/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {

// Changes come in bursts (a sync tool writes a temporary file, renames it, sets its time): the
// check runs once they have settled.
constexpr int kSettleMs = 200;

QString Today() {
    return datetime::ToQDateTime(platform::Current().Now()).date().toString(Qt::ISODate);
}

} // namespace

void TForm1::WatchBoxFiles() {
    BoxFiles().Today = Today;
    BoxFiles().OnDamaged = [](const QString& fileName, const QString& copy) {
        platform::Current().MessageBox(
            copy.isEmpty()
                ? QStringLiteral("ボックスファイル %1 が外部で壊れた内容に書き換えられました。"
                                 "控えを作れなかったため、この内容は取り込みません。")
                      .arg(fileName)
                : QStringLiteral("ボックスファイル %1 が外部で壊れた内容に書き換えられました。"
                                 "その内容は取り込まず、控え %2 として残しました。")
                      .arg(fileName, copy),
            QStringLiteral("Tabuko"), platform::MB_OK | platform::MB_ICONWARNING);
    };

    diskCheckTimer_ = new QTimer(this);
    diskCheckTimer_->setSingleShot(true);
    diskCheckTimer_->setInterval(kSettleMs);
    connect(diskCheckTimer_, &QTimer::timeout, this,
            [this] { platform::Guard([this] { TakeInDiskChanges(); }); });

    // The folder tells of files that appear or are replaced by a rename; the box files
    // themselves tell of writes in place.
    boxWatcher_ = new QFileSystemWatcher(this);
    boxWatcher_->addPath(QDir::currentPath());
    connect(boxWatcher_, &QFileSystemWatcher::directoryChanged, diskCheckTimer_,
            qOverload<>(&QTimer::start));
    connect(boxWatcher_, &QFileSystemWatcher::fileChanged, diskCheckTimer_,
            qOverload<>(&QTimer::start));
    TakeInDiskChanges();
}

void TForm1::TakeInDiskChanges() {
    const QString folder = QDir::currentPath();
    bool anyChanged = false;
    for (int n = 1; n <= 6; ++n) {
        // A box that could not be read at start-up is left alone for the whole run.
        if (!BoxUnavailable[n].isEmpty())
            continue;
        TMemoList& list = BoxMemoLists[n];
        const QString name = BoxFileName(n);
        bool changed = false;
        try {
            const MergeOutcome outcome = BoxFiles().Refresh(name, list);
            changed = outcome.Changed();
            // The chosen memo stays chosen wherever the merge put it (the same object, with its
            // serial); one that the merge removed, deleted or replaced elsewhere, is chosen no
            // more, and its replacement is not taken for it.
            if (ActiveBoxList == &list && outcome.Removed(ActiveMemo))
                ActiveMemo = 0;
            unreadable_.remove(name);
        } catch (const Exception& e) {
            // Told once for each state of the file; its box is not written meanwhile, since
            // every store checks the file first.
            const platform::FileStamp stamp = platform::StampOf(name);
            if (!unreadable_.contains(name) || unreadable_.value(name) != stamp)
                platform::ShowError(e.Message());
            unreadable_.insert(name, stamp);
            continue;
        }

        for (const QString& copyName : ConflictCopies(folder, n)) {
            const platform::FileStamp stamp = platform::StampOf(copyName);
            if (failedCopies_.value(copyName) == stamp)
                continue;
            failedCopies_.remove(copyName);
            const ConflictCopyRead copy = ReadConflictCopy(copyName);
            if (!copy.ready) {
                // Left where it is and read again a while later.
                if (!copyRetryTimer_) {
                    copyRetryTimer_ = new QTimer(this);
                    copyRetryTimer_->setSingleShot(true);
                    copyRetryTimer_->setInterval(kConflictCopyQuietMs);
                    connect(copyRetryTimer_, &QTimer::timeout, diskCheckTimer_,
                            qOverload<>(&QTimer::start));
                }
                if (!copyRetryTimer_->isActive())
                    copyRetryTimer_->start();
                continue;
            }
            const MergeOutcome outcome = MergeConflictCopy(copy.bytes, list);
            try {
                // The box file holds the copy's memos before the copy goes into the backups.
                if (outcome.Changed())
                    BoxFiles().Store(name, list);
            } catch (const Exception&) {
                failedCopies_.insert(copyName, stamp);
                throw;
            }
            changed = changed || outcome.Changed();
            const QString kept = MoveIntoBackup(folder, copyName, Today());
            if (outcome.damaged)
                platform::Current().MessageBox(
                    QStringLiteral("同期ツールが残したコピー %1 は壊れていたため、取り込まずに "
                                   "%2 へ移しました。")
                        .arg(copyName, kept.isEmpty() ? QStringLiteral("（移せませんでした）")
                                                      : QDir::toNativeSeparators(kept)),
                    QStringLiteral("Tabuko"), platform::MB_OK | platform::MB_ICONWARNING);
            if (kept.isEmpty())
                failedCopies_.insert(copyName, stamp);
        }

        if (changed) {
            RebuildBoxMenu(list, PopupMenu[n]);
            anyChanged = true;
        }
        // A box file replaced by a rename is a new file: it is watched anew.
        const QString path = QDir(folder).filePath(name);
        if (boxWatcher_ && QFile::exists(path) && !boxWatcher_->files().contains(path))
            boxWatcher_->addPath(path);
    }
    if (anyChanged)
        RefreshIndicators();
}
