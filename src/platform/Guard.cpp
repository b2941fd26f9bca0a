#include "platform/Guard.h"

#include "platform/Platform.h"
#include "util/Exception.h"

#include <new>

namespace platform {

void ShowError(const QString& message) {
    Current().MessageBox(message, QStringLiteral("Tabuko"), MB_OK | MB_ICONERROR);
}

void Guard(const std::function<void()>& handler) {
    GuardStep(handler);
}

namespace {

// Runs `step`; the message of its failure, if it failed.
std::optional<QString> Failure(const std::function<void()>& step) {
    try {
        step();
        return std::nullopt;
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("メモリが足りません");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

} // namespace

std::optional<QString> GuardStep(const std::function<void()>& step) {
    const std::optional<QString> message = Failure(step);
    if (message)
        ShowError(*message);
    return message;
}

std::optional<QString> EndingStep(const QString& what, const std::function<void()>& step) {
    const std::optional<QString> message = Failure(step);
    if (message)
        ShowError(Quiet() ? QStringLiteral("%1を保存できませんでした: %2").arg(what, *message)
                          : *message);
    return message;
}

} // namespace platform
