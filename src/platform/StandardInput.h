#pragma once

#include <QByteArray>
#include <optional>

namespace platform {

// The bytes that a pipe or a redirected file gives the program on its standard input, read to
// the end. Nothing when standard input is a terminal, a device (such as /dev/null) or anything
// else that a launcher may leave open without ever ending it, so that reading never blocks a
// program started from a desktop keyboard shortcut. A read that fails raises an Exception saying
// so, and nothing of what was read before it is returned.
std::optional<QByteArray> ReadPipedStandardInput();

} // namespace platform
