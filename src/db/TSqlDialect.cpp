#include "db/TSqlDialect.h"

#include "db/TCollation.h"
#include "db/TError.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSqlDialect", text);
}

} // namespace

qsizetype TSqlDialect::QuotedEnd(const QString& sql, qsizetype i)
{
    const QChar quote = sql.at(i);
    const qsizetype n = sql.size();
    qsizetype j = i + 1;
    while (j < n) {
        if (sql.at(j) == quote) {
            if (j + 1 < n && sql.at(j + 1) == quote) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return n;
}

namespace {

using TSqlDialect::QuotedEnd;

// Walks the text once: each quoted text (quotes included) goes to quoted(); at every other
// position other(i) may take what stands there and return the position after it, or return i
// to leave the character to plain(c).
template <typename Quoted, typename Other, typename Plain>
void ScanOutsideQuotes(const QString& sql, Quoted quoted, Other other, Plain plain)
{
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype end = QuotedEnd(sql, i);
            quoted(QStringView(sql).mid(i, end - i));
            i = end;
            continue;
        }
        const qsizetype next = other(i);
        if (next > i) {
            i = next;
            continue;
        }
        plain(c);
        ++i;
    }
}

// Copies the text, letting rewrite(i, out) replace what starts at a position outside quotes
// (it returns the position after what it took, or i to keep the character).
template <typename Rewrite>
QString RewriteOutsideQuotes(const QString& sql, qsizetype extra, Rewrite rewrite)
{
    QString out;
    out.reserve(sql.size() + extra);
    ScanOutsideQuotes(
        sql, [&out](QStringView quoted) { out += quoted; },
        [&](qsizetype i) { return rewrite(i, out); }, [&out](QChar c) { out += c; });
    return out;
}

// Parses the inside of a #...# literal; false when it is not a date.
bool ParseJetDate(const QString& body, QString& iso)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})(?:\\s+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?"
                       "\\s*([AaPp][Mm])?)?\\s*$"));
    const auto m = re.match(body);
    if (!m.hasMatch())
        return false;
    const int month = m.captured(1).toInt();
    const int day = m.captured(2).toInt();
    const int year = m.captured(3).toInt();
    int hour = m.captured(4).isEmpty() ? 0 : m.captured(4).toInt();
    const int minute = m.captured(5).isEmpty() ? 0 : m.captured(5).toInt();
    const int second = m.captured(6).isEmpty() ? 0 : m.captured(6).toInt();
    const QString ampm = m.captured(7).toUpper();
    if (ampm == u"PM" && hour < 12)
        hour += 12;
    else if (ampm == u"AM" && hour == 12)
        hour = 0;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return false;
    iso = QStringLiteral("'%1-%2-%3 %4:%5:%6'")
              .arg(year, 4, 10, QLatin1Char('0'))
              .arg(month, 2, 10, QLatin1Char('0'))
              .arg(day, 2, 10, QLatin1Char('0'))
              .arg(hour, 2, 10, QLatin1Char('0'))
              .arg(minute, 2, 10, QLatin1Char('0'))
              .arg(second, 2, 10, QLatin1Char('0'));
    return true;
}

// A year test on a column becomes a range of ISO texts, which an index on the column serves;
// the registered DatePart would make SQLite read every row. Text between quotes is kept.
QString TranslateYears(const QString& sql)
{
    if (!sql.contains(QLatin1String("DatePart('yyyy'"), Qt::CaseInsensitive))
        return sql;
    static const QRegularExpression yearTest(
        QStringLiteral("DatePart\\('yyyy',\\s*([A-Za-z_][A-Za-z_0-9]*(?:\\.[A-Za-z_][A-Za-z_0-9]*)?)"
                       "\\)\\s*=\\s*([0-9]{4})(?![0-9.])"),
        QRegularExpression::CaseInsensitiveOption);
    return RewriteOutsideQuotes(sql, 32, [&sql](qsizetype i, QString& out) -> qsizetype {
        const QChar c = sql.at(i);
        if (c != u'D' && c != u'd')
            return i;
        const auto m = yearTest.match(sql, i, QRegularExpression::NormalMatch,
                                      QRegularExpression::AnchorAtOffsetMatchOption);
        const int year = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (!m.hasMatch() || year < 1000 || year >= 9999)
            return i;
        out += QStringLiteral("(%1 >= '%2-01-01' and %1 < '%3-01-01')")
                   .arg(m.captured(1))
                   .arg(year)
                   .arg(year + 1);
        return m.capturedEnd(0);
    });
}

} // namespace

QString TSqlDialect::Translate(const QString& sql)
{
    return TCollation::InOrderBy(TranslateYears(TranslateDates(sql)));
}

namespace {

// Quoted texts are set aside as \x01n\x01 marks while the rewrites run, so no rewrite reaches
// into a literal or a quoted name.
struct TMasked
{
    QString text;
    QStringList quoted;

    explicit TMasked(const QString& sql)
    {
        ScanOutsideQuotes(
            sql,
            [this](QStringView q) {
                text += u'\x01' + QString::number(quoted.size()) + u'\x01';
                quoted << q.toString();
            },
            [](qsizetype i) { return i; }, [this](QChar c) { text += c; });
    }
    QString Restored(const QString& masked) const
    {
        static const QRegularExpression mark(QStringLiteral("\x01(\\d+)\x01"));
        QString out;
        qsizetype last = 0;
        for (auto it = mark.globalMatch(masked); it.hasNext();) {
            const auto m = it.next();
            out += QStringView(masked).mid(last, m.capturedStart() - last);
            out += quoted.value(m.captured(1).toInt());
            last = m.capturedEnd();
        }
        out += QStringView(masked).mid(last);
        return out;
    }
};

QString ExtractField(const QString& interval)
{
    static const QHash<QString, QString> fields{
        {QStringLiteral("yyyy"), QStringLiteral("year")}, {QStringLiteral("q"), QStringLiteral("quarter")},
        {QStringLiteral("m"), QStringLiteral("month")},   {QStringLiteral("d"), QStringLiteral("day")},
        {QStringLiteral("y"), QStringLiteral("doy")},     {QStringLiteral("ww"), QStringLiteral("week")},
        {QStringLiteral("h"), QStringLiteral("hour")},    {QStringLiteral("n"), QStringLiteral("minute")},
        {QStringLiteral("s"), QStringLiteral("second")}};
    return fields.value(interval.toLower());
}

// A grouped query without an "order by" comes back from a file in the order of its groups;
// the server gives no order, so the groups are named as the order.
QString OrderGroups(const QString& s)
{
    static const QRegularExpression groupBy(QStringLiteral("\\bgroup\\s+by\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression stop(QStringLiteral("\\b(order\\s+by|having|limit|union)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    qsizetype at = -1;
    qsizetype listStart = -1;
    for (auto it = groupBy.globalMatch(s); it.hasNext();) {
        const auto m = it.next();
        at = m.capturedStart();
        listStart = m.capturedEnd();
    }
    if (at < 0)
        return s;
    // The list runs to the end of its (sub-)query.
    qsizetype end = s.size();
    int depth = 0;
    for (qsizetype i = at; i < s.size(); ++i) {
        if (s.at(i) == u'(')
            ++depth;
        else if (s.at(i) == u')' && depth-- == 0) {
            end = i;
            break;
        }
    }
    QString list = s.mid(listStart, end - listStart);
    if (list.contains(stop) || list.contains(u'('))
        return s;
    list = list.trimmed();
    return s.left(end).trimmed() + QStringLiteral(" order by ") + list + u' ' + s.mid(end);
}

} // namespace

QString TSqlDialect::TranslateForServer(const QString& sql, const TServerFlavour& flavour)
{
    const TMasked masked(Translate(sql));
    QString s = masked.text;
    static const QRegularExpression brackets(QStringLiteral("\\[([A-Za-z_][A-Za-z0-9_]*)\\]"));
    s.replace(brackets, QStringLiteral("\\1"));
    static const QRegularExpression datePart(
        QStringLiteral("\\bDatePart\\(\x01(\\d+)\x01,\\s*([A-Za-z_][A-Za-z0-9_.]*)\\)"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto m = datePart.match(s); m.hasMatch(); m = datePart.match(s, m.capturedStart() + 1)) {
        const QString interval = masked.quoted.value(m.captured(1).toInt()).mid(1).chopped(1);
        const QString column = m.captured(2);
        QString replacement;
        if (interval.compare(u"w", Qt::CaseInsensitive) == 0)
            replacement = QStringLiteral("(cast(extract(dow from %1) as integer) + 1)").arg(column);
        else if (const QString field = ExtractField(interval); !field.isEmpty())
            replacement = QStringLiteral("cast(extract(%1 from %2) as integer)").arg(field, column);
        else
            throw EDatabaseError(Tr("Invalid interval in DatePart: '%1'.").arg(interval));
        s.replace(m.capturedStart(), m.capturedLength(), replacement);
    }
    static const QRegularExpression ifnull(QStringLiteral("\\bifnull\\("),
                                           QRegularExpression::CaseInsensitiveOption);
    s.replace(ifnull, QStringLiteral("coalesce("));
    static const QRegularExpression groupConcat(
        QStringLiteral("\\bgroup_concat\\(((?:[^(),]|\\([^()]*\\))+)(?:,\\s*([^(),]+))?\\)"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto m = groupConcat.match(s); m.hasMatch(); m = groupConcat.match(s, m.capturedStart() + 1))
        s.replace(m.capturedStart(), m.capturedLength(),
                  QStringLiteral("string_agg(cast(%1 as text), %2)")
                      .arg(m.captured(1).trimmed(),
                           m.captured(2).isEmpty() ? QStringLiteral("','") : m.captured(2).trimmed()));
    static const QRegularExpression like(
        QStringLiteral("((?:[A-Za-z_][A-Za-z0-9_]*\\.)?[A-Za-z_][A-Za-z0-9_]*)\\s+(not\\s+)?like\\s+"
                       "(\x01\\d+\x01|\\?[0-9]*|:[A-Za-z_][A-Za-z0-9_]*)"),
        QRegularExpression::CaseInsensitiveOption);
    s.replace(like, flavour.icu
                        ? QStringLiteral("lower(\\1 collate \"und-x-icu\") \\2like lower(\\3 collate "
                                         "\"und-x-icu\")")
                        : QStringLiteral("\\1 \\2ilike \\3"));
    s = OrderGroups(s);
    const QString collate = QStringLiteral(" collate ") + QLatin1String(TCollation::kName);
    s.replace(collate, flavour.orderCollation.isEmpty()
                           ? QString()
                           : QStringLiteral(" collate \"%1\"").arg(flavour.orderCollation),
              Qt::CaseInsensitive);
    return masked.Restored(s);
}

QString TSqlDialect::TranslateDates(const QString& sql)
{
    if (!sql.contains(u'#'))
        return sql;
    return RewriteOutsideQuotes(sql, 16, [&sql](qsizetype i, QString& out) -> qsizetype {
        if (sql.at(i) != u'#')
            return i;
        const qsizetype close = sql.indexOf(u'#', i + 1);
        QString iso;
        if (close > i && ParseJetDate(sql.mid(i + 1, close - i - 1), iso)) {
            out += iso;
            return close + 1;
        }
        throw EDatabaseError(Tr("Syntax error in date in query expression near '%1'.")
                                 .arg(sql.mid(i, close > i ? close - i + 1 : 20)));
    });
}

QString TSqlDialect::EscapeQuotes(const QString& text)
{
    QString s = text;
    s.replace(u'\'', QStringLiteral("''"));
    return s;
}

QString TSqlDialect::QuoteText(const QString& text)
{
    return u'\'' + EscapeQuotes(text) + u'\'';
}
