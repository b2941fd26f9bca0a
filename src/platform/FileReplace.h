#pragma once

#include "platform/FileStamp.h"

#include <QString>
#include <string>

namespace platform {

// Replaces `path` whole with `bytes` through a temporary file beside it. The new content takes
// the old one's place only when every byte has reached the disk: the bytes are written without
// a buffer, the temporary file's size is checked and it is flushed to the disk (fsync) before
// the rename, and the folder is flushed after it, so a replace that has returned survives a
// crash or a power cut. Any failure leaves the old file as it was, removes the temporary file
// and raises "ファイル %s を作成できません" (cannot start) or "ストリームへの書き込みエラー".
// Returns the stamp of the new content, taken from the temporary file before the rename.
FileStamp ReplaceFileWhole(const QString& path, const std::string& bytes);

// Flushes a folder's entries (a rename or a new file in it) to the disk; false when that failed.
bool SyncFolder(const QString& folder);

} // namespace platform
