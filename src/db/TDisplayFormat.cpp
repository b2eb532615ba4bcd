#include "db/TDisplayFormat.h"

namespace {

QString Two(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

QString TDisplayFormat::ShortDatePattern(const QLocale& locale)
{
    return locale.dateFormat(QLocale::ShortFormat);
}

QString TDisplayFormat::LongTimePattern(const QLocale& locale)
{
    QString pattern = locale.timeFormat(QLocale::LongFormat);
    // A desktop shows the long time without the zone: drop "t" and the blank before it.
    pattern.remove(QStringLiteral(" t"));
    pattern.remove(QStringLiteral("t "));
    pattern.remove(u't');
    return pattern.trimmed();
}

QString TDisplayFormat::FormatDateTime(const QDateTime& value, const QString& format,
                                       const QLocale& locale)
{
    if (!value.isValid())
        return {};
    const QString f = format.isEmpty() ? QStringLiteral("c") : format;
    if (f.compare(QLatin1String("c"), Qt::CaseInsensitive) == 0) {
        QString text = locale.toString(value.date(), ShortDatePattern(locale));
        if (value.time() != QTime(0, 0))
            text += u' ' + locale.toString(value.time(), LongTimePattern(locale));
        return text;
    }
    if (f.compare(QLatin1String("ddddd"), Qt::CaseInsensitive) == 0)
        return locale.toString(value.date(), ShortDatePattern(locale));

    // Pattern letters: "m" after an "h" means minutes, as does "n".
    const QDate d = value.date();
    const QTime t = value.time();
    const bool twelveHour = f.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive) ||
                            f.contains(QLatin1String("A/P"), Qt::CaseInsensitive);
    QString out;
    bool lastWasHour = false;
    int i = 0;
    const int n = int(f.size());
    auto run = [&](QChar c) {
        int j = i;
        while (j < n && f.at(j).toLower() == c)
            ++j;
        const int len = j - i;
        i = j;
        return len;
    };
    while (i < n) {
        const QChar c = f.at(i).toLower();
        if (f.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            out += t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            i += 5;
        } else if (f.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
            out += t.hour() < 12 ? QStringLiteral("A") : QStringLiteral("P");
            i += 3;
        } else if (c == u'"' || c == u'\'') {
            const int close = int(f.indexOf(f.at(i), i + 1));
            const int end = close < 0 ? n : close;
            out += f.mid(i + 1, end - i - 1);
            i = end + 1;
        } else if (c == u'd') {
            const int len = run(u'd');
            if (len == 1)
                out += QString::number(d.day());
            else if (len == 2)
                out += Two(d.day());
            else if (len == 3)
                out += locale.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else if (len == 4)
                out += locale.dayName(d.dayOfWeek(), QLocale::LongFormat);
            else if (len == 5)
                out += locale.toString(d, ShortDatePattern(locale));
            else
                out += locale.toString(d, QLocale::LongFormat);
            lastWasHour = false;
        } else if (c == u'm') {
            const int len = run(u'm');
            if (lastWasHour && len <= 2)
                out += len == 1 ? QString::number(t.minute()) : Two(t.minute());
            else if (len == 1)
                out += QString::number(d.month());
            else if (len == 2)
                out += Two(d.month());
            else if (len == 3)
                out += locale.monthName(d.month(), QLocale::ShortFormat);
            else
                out += locale.monthName(d.month(), QLocale::LongFormat);
            lastWasHour = false;
        } else if (c == u'y') {
            const int len = run(u'y');
            out += len <= 2 ? Two(d.year() % 100) : QString::number(d.year());
            lastWasHour = false;
        } else if (c == u'h') {
            const int len = run(u'h');
            int h = t.hour();
            if (twelveHour) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += len == 1 ? QString::number(h) : Two(h);
            lastWasHour = true;
        } else if (c == u'n') {
            const int len = run(u'n');
            out += len == 1 ? QString::number(t.minute()) : Two(t.minute());
            lastWasHour = false;
        } else if (c == u's') {
            const int len = run(u's');
            out += len == 1 ? QString::number(t.second()) : Two(t.second());
            lastWasHour = false;
        } else {
            out += f.at(i);
            ++i;
        }
    }
    return out;
}

QString TDisplayFormat::FormatNumber(double value, const QString& format, const QLocale& locale)
{
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    if (format.isEmpty())
        return l.toString(value, 'g', 15);
    const qsizetype dot = format.indexOf(u'.');
    const int decimals = dot < 0 ? 0 : int(format.size() - dot - 1);
    return l.toString(value, 'f', decimals);
}
