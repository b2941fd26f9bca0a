#include "platform/Guard.h"

#include "platform/Exception.h"
#include "platform/Platform.h"

#include <new>

namespace platform {

void ShowError(const QString& message) {
    Current().MessageBox(message, QStringLiteral("Tabuko"), MB_OK | MB_ICONERROR);
}

void Guard(const std::function<void()>& handler) {
    GuardStep(handler);
}

std::optional<QString> GuardStep(const std::function<void()>& step) {
    QString message;
    try {
        step();
        return std::nullopt;
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("メモリが足りません");
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    }
    ShowError(message);
    return message;
}

} // namespace platform
