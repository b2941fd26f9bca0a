#include "util/MessageText.h"

#include <QStringList>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <vector>

namespace text {
namespace {

bool IsSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QChar(0x3000);
}

// Punctuation after which a Japanese line ends well, and which never starts a line.
bool IsClosingPunctuation(QChar c) {
    static const QString marks = QStringLiteral("、。，．！？）」』】〕・：；…");
    return marks.contains(c);
}

// Where a line may end (before the index), best first: 0 after punctuation or at a space,
// 1 where the line-breaking rules allow, 2 between any two characters.
struct Breaks {
    std::vector<int> byLevel[3];
};

Breaks FindBreaks(const QString& text) {
    Breaks breaks;
    for (int e = 1; e < text.size(); ++e)
        if (IsSpace(text[e]) ||
            (IsClosingPunctuation(text[e - 1]) && !IsClosingPunctuation(text[e])))
            breaks.byLevel[0].push_back(e);
    QTextBoundaryFinder line(QTextBoundaryFinder::Line, text);
    for (qsizetype e = line.toNextBoundary(); e > 0 && e < text.size(); e = line.toNextBoundary())
        breaks.byLevel[1].push_back(int(e));
    QTextBoundaryFinder grapheme(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype e = grapheme.toNextBoundary(); e > 0 && e < text.size();
         e = grapheme.toNextBoundary())
        if (!IsClosingPunctuation(text[e]))
            breaks.byLevel[2].push_back(int(e));
    return breaks;
}

QString Trimmed(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// Characters of a line that count as its content: all but spaces and punctuation.
int ContentLength(const QString& line) {
    int count = 0;
    for (const QChar c : line)
        count += !IsSpace(c) && !IsClosingPunctuation(c) && !c.isLowSurrogate();
    return count;
}

// Fills lines up to `limit` pixels, each ending at the best break up to `maxLevel` that fits.
// Empty when a line has no such break.
QStringList Fill(const QString& text, const Breaks& breaks, const TextWidth& width, int limit,
                 int maxLevel) {
    QStringList lines;
    int start = 0;
    while (start < text.size()) {
        const QString rest = text.mid(start);
        if (width(rest) <= limit) {
            lines << rest;
            break;
        }
        int end = -1;
        for (int level = 0; level <= maxLevel && end < 0; ++level) {
            const std::vector<int>& at = breaks.byLevel[level];
            for (auto it = at.rbegin(); it != at.rend(); ++it) {
                if (*it <= start)
                    break;
                const int w = width(Trimmed(text.mid(start, *it - start)));
                // A break at punctuation far back would leave a short line: better a later one.
                if (w <= limit && (level != 0 || maxLevel == 0 || 2 * w >= limit)) {
                    end = *it;
                    break;
                }
            }
        }
        if (end < 0 && maxLevel < 2)
            return {};
        if (end < 0) { // not even one character fits: the line holds one anyway
            end = text.size();
            for (int e : breaks.byLevel[2])
                if (e > start) {
                    end = e;
                    break;
                }
        }
        lines << Trimmed(text.mid(start, end - start));
        start = end;
        while (start < text.size() && IsSpace(text[start]))
            ++start;
    }
    return lines;
}

bool LastLineAlone(const QStringList& lines) {
    return lines.size() > 1 && ContentLength(lines.last()) < 2;
}

QString BreakLine(const QString& text, const TextWidth& width, int maxWidth) {
    const int total = width(text);
    if (total <= maxWidth || maxWidth <= 0)
        return text;
    const Breaks breaks = FindBreaks(text);
    const int count = (total + maxWidth - 1) / maxWidth;
    // Lines of about equal width: the narrowest limit that needs no more lines than the
    // widest would, without a lone character at the end. Breaks at spaces and punctuation
    // come first, even at the cost of one more line; other breaks only when they do not do.
    const int step = std::max(1, maxWidth / 50);
    const struct {
        int maxLevel;
        int lines;
    } tries[] = {{0, count}, {0, count + 1}, {2, count}};
    for (const auto& attempt : tries) {
        for (int limit = total / count; limit <= maxWidth; limit += step) {
            const QStringList lines = Fill(text, breaks, width, limit, attempt.maxLevel);
            if (!lines.isEmpty() && lines.size() <= attempt.lines && !LastLineAlone(lines))
                return lines.join(QLatin1Char('\n'));
        }
    }
    QStringList lines = Fill(text, breaks, width, maxWidth, 2);
    // Still a lone character: the line before gives up its last characters to it.
    while (LastLineAlone(lines)) {
        QString& before = lines[lines.size() - 2];
        if (ContentLength(before) < 3)
            break;
        qsizetype cut = before.size() - 1;
        if (cut > 0 && before[cut].isLowSurrogate())
            --cut;
        lines.last().prepend(before.mid(cut));
        before.truncate(cut);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString BreakMessage(const QString& message, const TextWidth& width, int maxWidth) {
    QStringList lines = message.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = BreakLine(line, width, maxWidth);
    return lines.join(QLatin1Char('\n'));
}

} // namespace text
