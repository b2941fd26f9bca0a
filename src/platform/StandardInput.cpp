#include "platform/StandardInput.h"

#include "util/Exception.h"

#include <cerrno>
#include <cstring>
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
        if (n > 0) {
            bytes.append(buffer, qsizetype(n));
        } else if (n == 0) {
            return bytes;
        } else if (errno != EINTR) {
            // What came before the error is only part of the text: none of it is used.
            const int error = errno;
            throw Exception(
                QStringLiteral("標準入力を読み込めませんでした（%1）。何も保存していません。")
                    .arg(QString::fromLocal8Bit(std::strerror(error))));
        }
    }
}

} // namespace platform
