#include "platform/StandardInput.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<QByteArray> ReadPipedStandardInput() {
    struct stat status {};
    if (isatty(STDIN_FILENO) || fstat(STDIN_FILENO, &status) != 0 ||
        !(S_ISFIFO(status.st_mode) || S_ISREG(status.st_mode)))
        return std::nullopt;
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, qsizetype(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    return bytes;
}

} // namespace platform
