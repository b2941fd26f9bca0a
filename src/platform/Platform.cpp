#include "platform/Platform.h"

#include <cstdio>

namespace platform {
namespace {
Platform* installed = nullptr;
} // namespace

int Platform::MessageBox(const QString& text, const QString& caption, unsigned type) {
    if (!endingQuietly_ && quietSteps_ == 0)
        return ShowMessageBox(text, caption, type);
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "tabuko: %s\n", line.toUtf8().constData());
    std::fflush(stderr);
    if (endingQuietly_)
        quietEndFailed_ = true;
    return IDCANCEL;
}

void EndQuietly() {
    Current().endingQuietly_ = true;
}

QuietSteps::QuietSteps() : platform_(Current()) {
    ++platform_.quietSteps_;
}

QuietSteps::~QuietSteps() {
    --platform_.quietSteps_;
}

bool Quiet() {
    return Current().endingQuietly_ || Current().quietSteps_ > 0;
}

bool QuietEndFailed() {
    return Current().quietEndFailed_;
}

Platform& Current() {
    if (installed)
        return *installed;
    return Real();
}

void SetCurrent(Platform* platform) {
    installed = platform;
}

} // namespace platform
