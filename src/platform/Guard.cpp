#include "platform/Guard.h"

#include "platform/Exception.h"
#include "platform/Platform.h"

#include <new>

namespace platform {

void ShowError(const QString& message) {
    Current().MessageBox(message, QStringLiteral("Tabuko"), MB_OK | MB_ICONERROR);
}

void Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Exception& e) {
        ShowError(e.Message());
    } catch (const std::bad_alloc&) {
        ShowError(QStringLiteral("メモリが足りません"));
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
}

} // namespace platform
