#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>

// Writes small Jet 4 database files for test fixtures: the header page, the catalogue table
// MSysObjects, one definition page per table, its usage maps and its data pages. Enough for a
// reader to list the tables, their columns and every row; no indexes, no long-value pages
// (a memo is stored inside its row), no relations. Tests check every file it writes with the
// mdb tools before they use it.
class TJetWriter
{
public:
    enum TType {
        Byte = 0x02,
        Integer = 0x03,
        Long = 0x04,
        Currency = 0x05,
        Double = 0x07,
        DateTime = 0x08,
        Text = 0x0A,
        Ole = 0x0B,
        Memo = 0x0C,
    };

    struct TColumn {
        QString name;
        TType type = Long;
        int size = 0; // characters, for Text
        bool autoNumber = false;
    };

    // Texts are stored compressed (one byte per character where the text allows it) unless
    // this is switched off; then every text is plain UCS-2.
    bool compressText = true;

    void AddTable(const QString& name, const QList<TColumn>& columns);
    // values in column order: a null QVariant is a null; numbers as int/qint64/double, dates as
    // QDateTime (local time, whole seconds), texts as QString. Throws std::runtime_error for a
    // row that does not fit a page.
    void AddRow(const QString& table, const QVariantList& values);
    int RowCount(const QString& table) const;
    // The values given to AddRow, for comparing with what a reader makes of them.
    QList<QVariantList> Rows(const QString& table) const;
    QStringList TableNames() const;

    // Writes the whole file; throws std::runtime_error when it cannot.
    void Write(const QString& path) const;

    // The Jet date number of a local date-time (days since 30 Dec 1899, the time as fraction).
    static double DateNumber(const QDateTime& dateTime);

private:
    struct TTable {
        QString name;
        QList<TColumn> columns;
        QList<QByteArray> rows;
        QList<QVariantList> values;
        qint64 nextAutoNumber = 1;
        bool system = false;
    };

    QByteArray EncodeRow(const TTable& table, const QVariantList& values) const;
    QByteArray EncodeText(const QString& text) const;
    static QByteArray DefinitionPage(const TTable& table, quint32 mapPage);
    static QList<QByteArray> DataPages(const QList<QByteArray>& rows, quint32 definitionPage);

    QList<TTable> m_tables;
};
