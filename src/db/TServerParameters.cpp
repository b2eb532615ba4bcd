#include "db/TServerParameters.h"

#include "db/TError.h"
#include "db/TSqlDialect.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>

namespace
{

// A value as an SQL literal: quoted text the server reads as the type the place asks for.
QString Literal(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("NULL");
    QString text;
    switch (v.typeId()) {
    case QMetaType::Bool:
        text = v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        text = QString::number(v.toDouble(), 'g', 17);
        break;
    case QMetaType::QDateTime:
        text = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        break;
    case QMetaType::QDate:
        text = v.toDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
        break;
    default:
        text = v.toString();
    }
    if (text.contains(QChar(0)))
        throw EDatabaseError(QCoreApplication::translate(
            "TConnection", "A text with a NUL character cannot be stored."));
    text.replace(u'\'', QStringLiteral("''"));
    return u'\'' + text + u'\'';
}

} // namespace

// Replaces the parameter marks outside quoted text and comments with literals.
QString InlineServerParameters(const QString& sql, const TDatabaseEngine::TParamLookup& lookup)
{
    QString out;
    out.reserve(sql.size() + 32);
    const qsizetype n = sql.size();
    int position = 0;
    qsizetype i = 0;
    auto isNameStart = [](QChar c) { return c.isLetter() || c == u'_' || c.isDigit(); };
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype end = TSqlDialect::QuotedEnd(sql, i);
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == u'$' && i + 1 < n && sql.at(i + 1) == u'$') {
            const qsizetype close = sql.indexOf(QLatin1String("$$"), i + 2);
            const qsizetype end = close < 0 ? n : close + 2;
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            const qsizetype close = sql.indexOf(u'\n', i);
            const qsizetype end = close < 0 ? n : close;
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == u'?') {
            qsizetype j = i + 1;
            while (j < n && sql.at(j).isDigit())
                ++j;
            ++position;
            out += Literal(lookup(sql.mid(i + 1, j - i - 1), position));
            i = j;
            continue;
        }
        if (c == u':' && i + 1 < n && isNameStart(sql.at(i + 1)) &&
            (i == 0 || sql.at(i - 1) != u':')) {
            qsizetype j = i + 1;
            while (j < n && (isNameStart(sql.at(j))))
                ++j;
            ++position;
            out += Literal(lookup(sql.mid(i + 1, j - i - 1), position));
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}
