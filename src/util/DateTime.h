#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The date-time type of the program's files: days since 1899-12-30 in the integer part, the time
// of day in the fraction, local clock.
using TDateTime = double;

namespace datetime {

TDateTime FromQDateTime(const QDateTime& local);
QDateTime ToQDateTime(TDateTime value);

// "yyyy.mm.dd(ddd)" with the Japanese weekday names 日 月 火 水 木 金 土.
QString FormatDate(const QDate& date);
QString FormatDate(TDateTime value);
// "hh:nn", 24-hour clock.
QString FormatTime(TDateTime value);
// The date, then a blank and the time unless hour, minute and second are all zero.
QString FormatDateTime(TDateTime value);

} // namespace datetime
