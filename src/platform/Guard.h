#pragma once

#include <QString>
#include <functional>
#include <utility>

// Every event handler runs through Guard: a failure ends the handler at that point, its message
// is shown in a message box, and the program goes on. Steps already done stay done.
namespace platform {

void Guard(const std::function<void()>& handler);

// A slot that runs `handler` through Guard, for connect().
template <typename F> auto Guarded(F handler) {
    return [handler = std::move(handler)](auto&&...) {
        Guard(handler);
    };
}

// Shows a failure's message the way Guard does (for code that must go on after a failure).
void ShowError(const QString& message);

} // namespace platform
