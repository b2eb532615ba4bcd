#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>

// Formats values for grids and reports with the program's display formats, under a locale (the
// system locale by default):
//  "c"      short date, then the long time (without a time-zone name) unless exactly midnight
//  "ddddd"  short date
//  "dd.mm.yyyy  hh:mm AM/PM" and similar patterns of d, m, y, h, n, s, AM/PM and quoted text
//  "0.00"   a number with exactly that many decimals
namespace TDisplayFormat {

QString FormatDateTime(const QDateTime& value, const QString& format,
                       const QLocale& locale = QLocale::system());
QString FormatNumber(double value, const QString& format, const QLocale& locale = QLocale::system());
// The locale's short date and long time patterns in Qt's notation, time-zone name removed.
QString ShortDatePattern(const QLocale& locale = QLocale::system());
QString LongTimePattern(const QLocale& locale = QLocale::system());

} // namespace TDisplayFormat
