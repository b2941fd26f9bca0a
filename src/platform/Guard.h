#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <utility>

// Every event handler runs through Guard: a failure ends the handler at that point, its message
// is shown in a message box, and the program goes on. Steps already done stay done.
namespace platform {

void Guard(const std::function<void()>& handler);

// Runs `step` as Guard runs a handler and tells how it went: the message shown for its failure,
// or nothing when it succeeded. For sequences that go on past a failed step (start-up, the skin
// fallbacks).
std::optional<QString> GuardStep(const std::function<void()>& step);

// Runs a step of the program's ending as GuardStep runs it. While message boxes are held back
// (see platform::Quiet), the message written in their place first names `what`, the thing that
// the step was to keep, as a message box would not have needed to.
std::optional<QString> EndingStep(const QString& what, const std::function<void()>& step);

// A slot that runs `handler` through Guard, for connect().
template <typename F> auto Guarded(F handler) {
    return [handler = std::move(handler)](auto&&...) {
        Guard(handler);
    };
}

// Shows a failure's message the way Guard does (for code that must go on after a failure).
void ShowError(const QString& message);

} // namespace platform
