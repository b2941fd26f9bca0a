#include "platform/Files.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace platform {

FileStamp SaveFile(const QString& path, const std::string& bytes) {
    return Current().SaveFile(path, bytes);
}

std::string ReadRest(QFile& file) {
    std::string bytes(std::size_t(std::max<qint64>(0, file.size() - file.pos())), '\0');
    const qint64 read = file.read(bytes.data(), qint64(bytes.size()));
    bytes.resize(std::size_t(std::max<qint64>(0, read)));
    // A file that grew since its size was taken: the rest as well.
    const QByteArray more = file.readAll();
    bytes.append(more.constData(), std::size_t(more.size()));
    return bytes;
}

QString NativePath(const QString& stored) {
    QString path = stored;
    path.replace(QLatin1Char('\\'), QDir::separator());
    return path;
}

QString StoredPath(const QString& native) {
    QString path = native;
    path.replace(QDir::separator(), QLatin1Char('\\'));
    return path;
}

} // namespace platform
