#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class TConnection;

// Moves an office's older Jet 4 cme.mdb into a database of ours. The Jet file is only ever
// read (through libmdb). Every row of the eleven tables is read and checked first; a value our
// tables refuse (a text over its length, units outside 0 to 99.99, a key or attendance pair
// that appears twice, ...) is listed with its table, key and reason and never changed. The
// caller then writes the rest, or stops.
//
// Writing into a folder builds "cme.mdb.importing" in one transaction, compares the row counts
// of every table, and only then renames the Jet file to "cme-jet.mdb" and the new file to
// "cme.mdb" (the last step). Any failure removes the temporary file and leaves the folder as it
// was.
class TJetImport
{
public:
    struct TRefusal {
        QString table;
        QString key; // "user_id 17", or the pair of a link table
        QString reason;
    };

    // done of total rows; what names the table at hand. Returning false stops the import
    // (nothing is written).
    using TProgress = std::function<bool(qint64 done, qint64 total, const QString& what)>;

    static QString TemporaryName() { return QStringLiteral("cme.mdb.importing"); }
    static QString KeptName() { return QStringLiteral("cme-jet.mdb"); }
    static QString OldReportsName() { return QStringLiteral("cme-old.rav"); }

    // The file's bytes at offset 4 read "Standard Jet DB".
    static bool IsJetFile(const QString& path);
    // A cme.rav of ours is text (UTF-8 without NUL bytes); the older format is binary.
    static bool IsOurReportProject(const QString& path);

    // Reads and checks the whole file. Throws TError when it cannot be read, lacks one of the
    // eleven tables or one of their columns, or when libmdb gives fewer rows than the file
    // declares; throws EOperationError when progress stops it.
    explicit TJetImport(const QString& jetPath, const TProgress& progress = {});

    const QList<TRefusal>& Refusals() const { return m_refusals; }
    // Tables and columns of the file that have no place in ours (named, not moved).
    const QStringList& Notes() const { return m_notes; }
    // What was read: rows per table, columns that have no place here, then each refused row.
    QStringList ReadReport() const;

    // Writes into folder as described above (the Jet file may lie elsewhere; then folder must
    // not hold a cme.mdb). Refused rows are left out; call only after the user agreed to that
    // when Refusals() is not empty. Returns the lines of the report.
    QStringList WriteFolder(const QString& folder, const TProgress& progress = {});
    // Writes every row that is not refused into an open connection that holds no tables yet,
    // in one transaction, comparing the row counts before the commit.
    void WriteInto(TConnection& target, const TProgress& progress = {});

    // Rows that go across, per table in creation order.
    qint64 RowsToWrite(const QString& table) const;

private:
    struct TTable {
        QString name;
        QStringList columns;
        QList<QVariantList> rows; // values ready for our tables; refused rows removed
        qint64 read = 0;
    };

    void ReadTable(void* mdb, const QString& name, qint64& done, qint64 total,
                   const TProgress& progress);

    QString m_path;
    QList<TTable> m_tables;
    QList<TRefusal> m_refusals;
    QStringList m_notes;
};
