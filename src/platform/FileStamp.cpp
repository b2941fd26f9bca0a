#include "platform/FileStamp.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace platform {

FileStamp StampOf(const QString& path) {
    FileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = std::int64_t(status.st_size);
    stamp.modifiedNs = std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    stamp.fileId = std::uint64_t(status.st_ino);
#else
    const QFileInfo info(path);
    if (!info.exists())
        return stamp;
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1'000'000;
#endif
    return stamp;
}

} // namespace platform
