#include "util/DateTime.h"

#include <cmath>

namespace datetime {
namespace {
const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsPerDay = 86'400'000;
} // namespace

TDateTime FromQDateTime(const QDateTime& local) {
    const double days = double(kEpoch.daysTo(local.date()));
    const double ms = double(local.time().msecsSinceStartOfDay());
    return days + ms / double(kMsPerDay);
}

QDateTime ToQDateTime(TDateTime value) {
    if (!std::isfinite(value))
        return QDateTime(kEpoch, QTime(0, 0));
    double whole = std::trunc(value);
    qint64 ms = std::llround(std::fabs(value - whole) * double(kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        whole += value < 0 ? -1 : 1;
    }
    return QDateTime(kEpoch.addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

QString FormatDate(const QDate& date) {
    static const QString kWeekdays[] = {
        QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"), QStringLiteral("木"),
        QStringLiteral("金"), QStringLiteral("土"), QStringLiteral("日")};
    return QStringLiteral("%1.%2.%3(%4)")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(kWeekdays[date.dayOfWeek() - 1]);
}

QString FormatDate(TDateTime value) {
    return FormatDate(ToQDateTime(value).date());
}

QString FormatTime(TDateTime value) {
    const QTime t = ToQDateTime(value).time();
    return QStringLiteral("%1:%2")
        .arg(t.hour(), 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'));
}

QString FormatDateTime(TDateTime value) {
    const QTime t = ToQDateTime(value).time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return FormatDate(value);
    return FormatDate(value) + QLatin1Char(' ') + FormatTime(value);
}

} // namespace datetime
