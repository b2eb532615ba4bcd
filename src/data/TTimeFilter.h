#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

enum TTimeKind : quint8 { tkDateRange = 0, tkYears = 1, tkNone = 2 };

// The one time criterion of the main window: a set of years, a date range, or nothing.
class TTimeFilter
{
public:
    // Kind tkYears with the one given year ("2005"); both dates are the zero date.
    explicit TTimeFilter(const QString& year);
    // The filter every run starts with: the current year only.
    static TTimeFilter CurrentYear();

    bool IsNone() const { return Kind == tkNone; }
    // The years as numbers, oldest first, each once.
    QList<int> SortedYears() const;
    // True when the sorted years run one after the other with none missing.
    static bool InARow(const QList<int>& sortedYears);
    // "2003, 2005, 2006".
    static QString YearList(const QList<int>& sortedYears);

    TTimeKind Kind = tkYears;
    QDate EndDate;     // last day of the range (its date only)
    QDate BeginDate;   // first day of the range (its date only)
    QStringList Years; // four-digit years, newest first as the time filter dialog lists them

    // The zero date-time of the stored dates: 30 December 1899.
    static QDate ZeroDate() { return QDate(1899, 12, 30); }
};
