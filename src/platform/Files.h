#pragma once

#include "platform/FileStamp.h"

#include <QString>
#include <string>

class QFile;

namespace platform {

// Replaces the file whole through the current platform; see Platform::SaveFile.
FileStamp SaveFile(const QString& path, const std::string& bytes);

// The rest of an open file, read straight into the string that keeps it (large box files are
// not copied once more on the way).
std::string ReadRest(QFile& file);

// Native path from the stored form: "\" between folders becomes the native separator.
QString NativePath(const QString& stored);
// Stored form from a native path: the native separator becomes "\".
QString StoredPath(const QString& native);

} // namespace platform
