#pragma once

#include <QString>
#include <cstdint>

class QFileDevice;

namespace platform {

// What a file-status call tells about a file without reading it: enough to notice that another
// program wrote or replaced it (size, modification time to the nanosecond, file number).
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t fileId = 0;
    // False when the file was modified so shortly before the stamp was taken that a second
    // write in place within the same tick of the file system's clock would leave the same
    // stamp: such a stamp proves nothing, and the file's bytes must be compared.
    bool settled = true;

    // The same file in the same state, as far as a file-status call can tell.
    bool operator==(const FileStamp& other) const {
        return exists == other.exists && size == other.size && modifiedNs == other.modifiedNs &&
               fileId == other.fileId;
    }
};

// The stamp of the file a path names now.
FileStamp StampOf(const QString& path);
// The stamp of an open file: the one that was read or written through it, even when another file
// has taken its name since. Take it before reading, so that a write in place during the read
// shows as a change; and of a file written under a temporary name, before the rename.
FileStamp StampOf(const QFileDevice& file);

// Whether the file's modification time lies less than `ms` milliseconds from the clock: it was
// modified moments ago. A time far ahead (a copy from a computer whose clock is ahead) is not.
bool ChangedWithin(const FileStamp& stamp, std::int64_t ms);

} // namespace platform
