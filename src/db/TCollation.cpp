#include "db/TCollation.h"

#include <QCollator>
#include <QLocale>
#include <QRegularExpression>
#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace
{

struct TLocaleCollator {
    explicit TLocaleCollator(const QLocale& locale) : collator(locale)
    {
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        switch (locale.language()) {
        case QLocale::C:
        case QLocale::English:
        case QLocale::German:
        case QLocale::French:
        case QLocale::Italian:
        case QLocale::Dutch:
        case QLocale::Portuguese:
            plainLetters = true;
            break;
        default:
            plainLetters = false;
        }
    }

    QCollator collator;
    // The locale orders the letters a to z alphabetically with no letter pairs of its own (as
    // Danish "aa" or Czech "ch"), so texts of those letters alone compare without the collator.
    bool plainLetters = false;
};

// A collator for the current default locale, made again when the locale changes.
const TLocaleCollator& Collator()
{
    thread_local std::unique_ptr<TLocaleCollator> current;
    thread_local QString localeName;
    const QLocale locale;
    if (!current || localeName != locale.name()) {
        current = std::make_unique<TLocaleCollator>(locale);
        localeName = locale.name();
    }
    return *current;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Compares two texts as the collator would while they begin with ASCII letters: the first
// letter that differs ignoring case decides alphabetically, whatever follows it, as the
// locale's letters a to z weigh more than any accent or case; texts of letters alone that are
// equal ignoring case compare by code points. False when the texts need the collator.
bool ComparePlainLetters(const char* a, int aLength, const char* b, int bLength, int& result)
{
    int caseOrder = 0;
    const int n = std::min(aLength, bLength);
    for (int i = 0; i < n; ++i) {
        const char x = a[i], y = b[i];
        if (!IsAsciiLetter(x) || !IsAsciiLetter(y))
            return false;
        const char lx = char(x | 0x20), ly = char(y | 0x20);
        if (lx != ly) {
            // A combining mark right after the letter could belong to it.
            if ((i + 1 < aLength && !IsAsciiLetter(a[i + 1])) ||
                (i + 1 < bLength && !IsAsciiLetter(b[i + 1])))
                return false;
            result = lx < ly ? -1 : 1;
            return true;
        }
        if (caseOrder == 0 && x != y)
            caseOrder = x < y ? -1 : 1;
    }
    for (int j = n; j < aLength; ++j)
        if (!IsAsciiLetter(a[j]))
            return false;
    for (int j = n; j < bLength; ++j)
        if (!IsAsciiLetter(b[j]))
            return false;
    result = aLength != bLength ? (aLength < bLength ? -1 : 1) : caseOrder;
    return true;
}

int CompareWith(const TLocaleCollator& c, QStringView a, QStringView b)
{
    const int result = c.collator.compare(a, b);
    // Names equal to the collator (case, accents) keep one fixed order.
    return result != 0 ? result : a.compare(b);
}

int CompareUtf8With(const TLocaleCollator& c, const char* a, int aLength, const char* b,
                    int bLength)
{
    int result = 0;
    if (c.plainLetters && ComparePlainLetters(a, aLength, b, bLength, result))
        return result;
    return CompareWith(c, QString::fromUtf8(a, aLength), QString::fromUtf8(b, bLength));
}

// The connection's collator is made when the collation is registered, so a sort in SQL pays
// for no locale look-up per comparison.
int SqliteCompare(void* collator, int aLength, const void* a, int bLength, const void* b)
{
    return CompareUtf8With(*static_cast<const TLocaleCollator*>(collator),
                           static_cast<const char*>(a), aLength, static_cast<const char*>(b),
                           bLength);
}

void DestroyCollator(void* collator)
{
    delete static_cast<TLocaleCollator*>(collator);
}

} // namespace

int TCollation::Compare(QStringView a, QStringView b)
{
    return CompareWith(Collator(), a, b);
}

int TCollation::CompareUtf8(const char* a, int aLength, const char* b, int bLength)
{
    return CompareUtf8With(Collator(), a, aLength, b, bLength);
}

TCollation::TLocaleOrder::TLocaleOrder() : m_collator(&Collator()) {}

int TCollation::TLocaleOrder::CompareUtf8(const char* a, int aLength, const char* b,
                                          int bLength) const
{
    return CompareUtf8With(*static_cast<const TLocaleCollator*>(m_collator), a, aLength, b,
                           bLength);
}

bool TCollation::Register(sqlite3* db)
{
    auto collator = std::make_unique<TLocaleCollator>(QLocale());
    if (sqlite3_create_collation_v2(db, kName, SQLITE_UTF8, collator.get(), SqliteCompare,
                                    DestroyCollator) != SQLITE_OK)
        return false; // SQLite does not take the collator when it refuses it
    collator.release();
    return true;
}

QString TCollation::InOrderBy(const QString& sql)
{
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\s"),
                                            QRegularExpression::CaseInsensitiveOption);
    // A name column, optionally with its table alias, as one term of the list.
    static const QRegularExpression nameTerm(
        QStringLiteral("^(\\s*(?:[A-Za-z_][A-Za-z0-9_]*\\.)?(?:last_name|first_name|conf_name|"
                       "series|place|c_name|t_name|s_name|e_name))(\\s+(?:asc|desc))?(\\s*)$"),
        QRegularExpression::CaseInsensitiveOption);
    // The first "order by" outside quoted text.
    auto found = orderBy.match(sql);
    while (found.hasMatch() && sql.left(found.capturedStart()).count(u'\'') % 2 != 0)
        found = orderBy.match(sql, found.capturedEnd());
    if (!found.hasMatch())
        return sql;
    const qsizetype start = found.capturedEnd();
    // The clause runs to the end of the text or to a closing parenthesis of a sub-query.
    qsizetype end = sql.indexOf(u')', start);
    if (end < 0)
        end = sql.size();
    QStringList terms = sql.mid(start, end - start).split(u',');
    for (QString& term : terms) {
        const auto m = nameTerm.match(term);
        if (m.hasMatch())
            term = m.captured(1) + QStringLiteral(" collate ") + QLatin1String(kName) +
                   m.captured(2) + m.captured(3);
    }
    return sql.left(start) + terms.join(u',') + InOrderBy(sql.mid(end));
}
