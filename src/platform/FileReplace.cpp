#include "platform/FileReplace.h"

#include "util/Exception.h"

#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

// Flushes an open file's data to the disk. Where the system has no such call there is nothing
// more to do than the write itself.
bool SyncHandle([[maybe_unused]] int handle) {
#ifdef Q_OS_UNIX
    return handle >= 0 && ::fsync(handle) == 0;
#else
    return true;
#endif
}

} // namespace

bool SyncFolder([[maybe_unused]] const QString& folder) {
#ifdef Q_OS_UNIX
    const int handle = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (handle < 0)
        return false;
    const bool synced = ::fsync(handle) == 0;
    ::close(handle);
    return synced;
#else
    return true;
#endif
}

FileStamp ReplaceFileWhole(const QString& path, const std::string& bytes) {
    QSaveFile file(path);
    // Unbuffered, so that a write the disk cannot take fails here. A buffered small write would
    // only fail inside commit(), which then still puts the empty temporary file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Exception::CannotCreate(path);
    const qint64 size = qint64(bytes.size());
    const bool complete = (size == 0 || file.write(bytes.data(), size) == size) && file.flush() &&
                          file.size() == size && SyncHandle(file.handle());
    if (!complete) {
        file.cancelWriting();
        throw Exception::WriteError();
    }
    // Taken from the file just written, before the rename: a file that another writer puts in
    // its place right after the rename has another stamp.
    const FileStamp stamp = StampOf(file);
    if (!file.commit())
        throw Exception::WriteError();
    // The rename is in the folder's entries; a failure to flush them is not reported, since the
    // new content is complete either way and only its name could be lost in a power cut.
    SyncFolder(QFileInfo(path).absolutePath());
    return stamp;
}

} // namespace platform
