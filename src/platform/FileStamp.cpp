#include "platform/FileStamp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <time.h>
#endif

namespace platform {

namespace {

// File times come from a clock that advances in ticks of a few milliseconds; this is well
// beyond one tick.
constexpr std::int64_t kSettleNs = 100'000'000;

} // namespace

#ifdef Q_OS_UNIX
namespace {

FileStamp FromStatus(const struct stat& status) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = std::int64_t(status.st_size);
    stamp.modifiedNs = std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    stamp.fileId = std::uint64_t(status.st_ino);
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    stamp.settled =
        std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec - stamp.modifiedNs > kSettleNs;
    return stamp;
}

} // namespace
#else
namespace {

FileStamp FromInfo(const QFileInfo& info) {
    FileStamp stamp;
    if (!info.exists())
        return stamp;
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1'000'000;
    stamp.settled =
        info.lastModified().msecsTo(QDateTime::currentDateTimeUtc()) * 1'000'000 > kSettleNs;
    return stamp;
}

} // namespace
#endif

FileStamp StampOf(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return FromStatus(status);
#else
    return FromInfo(QFileInfo(path));
#endif
}

FileStamp StampOf(const QFileDevice& file) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (file.handle() < 0 || ::fstat(file.handle(), &status) != 0)
        return {};
    return FromStatus(status);
#else
    return FromInfo(QFileInfo(file.fileName()));
#endif
}

bool ChangedWithin(const FileStamp& stamp, std::int64_t ms) {
    const std::int64_t nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count();
    return std::abs(nowNs - stamp.modifiedNs) < ms * 1'000'000;
}

} // namespace platform
