#pragma once

#include <QStringView>

struct sqlite3;

// The one order of names and titles: the system locale's, ignoring case, accents as the locale
// treats them. SQL "order by" of name columns and the grids' client-side sort both use it, so
// a list shows the same order however it was sorted.
namespace TCollation
{

// Name of the collation in SQL texts ("order by last_name collate LOCALE").
inline constexpr char kName[] = "LOCALE";

// Negative, zero or positive as a sorts before, with or after b.
int Compare(QStringView a, QStringView b);
int CompareUtf8(const char* a, int aLength, const char* b, int bLength);

// The same comparison with the default locale's collator taken once, for the many comparisons
// of one sort; valid while the default locale stays as it was.
class TLocaleOrder
{
public:
    TLocaleOrder();
    int CompareUtf8(const char* a, int aLength, const char* b, int bLength) const;

private:
    const void* m_collator;
};

// SQLite forgets collations with the connection, so this runs on every open; the connection
// keeps the order of the default locale at that moment.
bool Register(sqlite3* db);

// Appends "collate LOCALE" to the name and title columns of the "order by" clauses of a text.
QString InOrderBy(const QString& sql);

} // namespace TCollation
