#pragma once

#include <QString>
#include <cstdint>

namespace platform {

// What a file-status call tells about a file without reading it: enough to notice that another
// program wrote or replaced it (size, modification time to the nanosecond, file number).
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t fileId = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const QString& path);

} // namespace platform
