#include "platform/Files.h"

#include "platform/Platform.h"

#include <QDir>

namespace platform {

void SaveFile(const QString& path, const std::string& bytes) {
    Current().SaveFile(path, bytes);
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
