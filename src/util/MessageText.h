#pragma once

#include <QString>
#include <functional>

namespace text {

// The width of a piece of text in pixels, as the screen shows it.
using TextWidth = std::function<int(const QString&)>;

// Lays out a message for a message box whose text may be `maxWidth` pixels wide. Each line of
// `message` that fits stays one line. A longer one is broken into as few lines as it needs, of
// about equal width: at spaces or after Japanese punctuation where possible, else where the
// line-breaking rules allow, and never so that the last line holds a single character (with
// punctuation after it). Spaces at a break are dropped.
QString BreakMessage(const QString& message, const TextWidth& width, int maxWidth);

} // namespace text
