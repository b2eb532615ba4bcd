#pragma once

#include <QString>

// Translates the Jet forms that the program's SQL texts are written in into SQLite's dialect,
// just before execution. Text between single quotes is never touched.
//  - #m/d/yyyy# and #m/d/yyyy h:nn[:ss] [AM|PM]# become ISO literals 'yyyy-mm-dd hh:mm:ss'.
//  - DatePart and the case-insensitive like are functions registered on the connection; a year
//    test "DatePart('yyyy', col) = 2005" becomes "(col >= '2005-01-01' and col < '2006-01-01')",
//    the same rows for the ISO texts stored, read through an index on col.
//  - Name and title columns in an "order by" sort by the locale's collation (TCollation).
namespace TSqlDialect {

QString Translate(const QString& sql);

// The same texts for a PostgreSQL server. On top of the rewrites above: "[name]" loses its
// brackets, group_concat and ifnull become string_agg and coalesce, "x like y" compares both
// sides in lower case by the ICU rules of every alphabet (or uses "ilike" when the server has
// no ICU), other DatePart calls become "extract", and the ordering collation is the server
// collation named here (empty: the server's default).
struct TServerFlavour
{
    QString orderCollation;
    bool icu = true;
};
QString TranslateForServer(const QString& sql, const TServerFlavour& flavour);
QString TranslateDates(const QString& sql);

// The position just after the quoted text that starts at i (a doubled quote stays inside), or
// the end of the text when the quote is never closed.
qsizetype QuotedEnd(const QString& sql, qsizetype i);

// The text between single quotes with every quote doubled, so typed input stays literal.
QString QuoteText(const QString& text);
// Only doubles the quotes (for building "like '%s%%'" patterns).
QString EscapeQuotes(const QString& text);

} // namespace TSqlDialect
