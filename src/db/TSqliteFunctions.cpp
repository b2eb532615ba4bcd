#include "db/TSqliteFunctions.h"

#include "db/TCollation.h"
#include "db/TLikePattern.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <sqlite3.h>

namespace
{

int ParseInt(const unsigned char* s, int from, int count, int len)
{
    int v = 0;
    for (int i = from; i < from + count && i < len; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// DatePart(interval, date) over ISO texts 'yyyy-mm-dd hh:mm:ss'.
void DatePartFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray interval =
        QByteArray(reinterpret_cast<const char*>(sqlite3_value_text(argv[0]))).toLower();
    const unsigned char* d = sqlite3_value_text(argv[1]);
    const int len = sqlite3_value_bytes(argv[1]);
    const int year = ParseInt(d, 0, 4, len);
    const int month = len >= 7 ? ParseInt(d, 5, 2, len) : 1;
    const int day = len >= 10 ? ParseInt(d, 8, 2, len) : 1;
    const int hour = len >= 13 ? ParseInt(d, 11, 2, len) : 0;
    const int minute = len >= 16 ? ParseInt(d, 14, 2, len) : 0;
    const int second = len >= 19 ? ParseInt(d, 17, 2, len) : 0;
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) {
        sqlite3_result_null(ctx);
        return;
    }
    const QDate date(year, month, day);
    int result = 0;
    if (interval == "yyyy")
        result = year;
    else if (interval == "q")
        result = (month - 1) / 3 + 1;
    else if (interval == "m")
        result = month;
    else if (interval == "d")
        result = day;
    else if (interval == "y")
        result = date.dayOfYear();
    else if (interval == "w")
        result = date.dayOfWeek() % 7 + 1; // Sunday = 1
    else if (interval == "ww")
        result = (date.dayOfYear() + QDate(year, 1, 1).dayOfWeek() % 7 - 1) / 7 + 1;
    else if (interval == "h")
        result = hour;
    else if (interval == "n")
        result = minute;
    else if (interval == "s")
        result = second;
    else {
        sqlite3_result_error(ctx, "Invalid interval in DatePart", -1);
        return;
    }
    sqlite3_result_int(ctx, result);
}

// like(pattern, text[, escape]) ignoring letter case in every alphabet. The compiled pattern is
// cached on the statement while the pattern argument stays the same.
void LikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc == 3) {
        sqlite3_result_error(ctx, "ESCAPE is not supported in like", -1);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* pattern = static_cast<TLikePattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!pattern) {
        const char* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        pattern = new TLikePattern(QString::fromUtf8(p, sqlite3_value_bytes(argv[0])));
        sqlite3_set_auxdata(ctx, 0, pattern, [](void* p) { delete static_cast<TLikePattern*>(p); });
        // sqlite may drop auxdata at once; read it back before use.
        pattern = static_cast<TLikePattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!pattern) {
            const char* p2 = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
            TLikePattern once(QString::fromUtf8(p2, sqlite3_value_bytes(argv[0])));
            const char* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
            sqlite3_result_int(ctx, once.MatchesUtf8(t, sqlite3_value_bytes(argv[1])) ? 1 : 0);
            return;
        }
    }
    const char* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    sqlite3_result_int(ctx, pattern->MatchesUtf8(t, sqlite3_value_bytes(argv[1])) ? 1 : 0);
}

} // namespace

bool TSqliteFunctions::Register(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(db, "DatePart", 2, flags, nullptr, DatePartFunction, nullptr,
                                      nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(db, "like", 2, flags, nullptr, LikeFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(db, "like", 3, flags, nullptr, LikeFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK &&
           TCollation::Register(db);
}
