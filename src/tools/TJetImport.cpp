// libmdb's header wraps its includes (glib among them) in extern "C", where glib's C++ parts
// cannot live: glib comes first, on its own.
#include <glib.h>
#include <mdbtools.h>

#include "tools/TJetImport.h"

#include "tools/TBatchedInsert.h"

#include "db/TConnection.h"
#include "db/TError.h"
#include "tools/TReportProjectFile.h"
#include "db/TSchema.h"
#include "db/TSqlDialect.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <cmath>
#include <cstring>
#include <memory>

namespace
{

// A value as the file stores it, in the machine's byte order (Jet files are little-endian, as
// the machines this runs on).
template <typename T>
T Stored(const unsigned char* bytes)
{
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

QString Tr(const char* text)
{
    return QCoreApplication::translate("TJetImport", text);
}

// What a column of ours holds, taken from our own table statements.
struct TKind {
    enum Type { Integer, Text, Date, Units } type = Integer;
    int length = 0;   // characters, for Text
    bool key = false; // the table's own key
    int minimum = 0;  // range of a small integer (mail_type)
    int maximum = -1;
};

const QHash<QString, QHash<QString, TKind>>& Kinds()
{
    static const QHash<QString, QHash<QString, TKind>> kinds = [] {
        QHash<QString, QHash<QString, TKind>> all;
        const QRegularExpression table(QStringLiteral("^CREATE TABLE (\\w+) \\("));
        for (const QString& statement : TSchema::CreateStatements()) {
            const auto m = table.match(statement);
            if (!m.hasMatch())
                continue;
            const QString name = m.captured(1);
            QHash<QString, TKind>& columns = all[name];
            for (const QString& column : TSchema::ColumnNames(name)) {
                const QRegularExpression def(
                    QStringLiteral("[(,] ?%1 (\\w+)(\\((\\d+)(,\\d+)?\\))?([^,]*)").arg(column));
                const auto d = def.match(statement);
                TKind kind;
                const QString type = d.captured(1).toUpper();
                if (type == QLatin1String("VARCHAR")) {
                    kind.type = TKind::Text;
                    kind.length = d.captured(3).toInt();
                } else if (type == QLatin1String("DATETIME")) {
                    kind.type = TKind::Date;
                } else if (type == QLatin1String("NUMERIC")) {
                    kind.type = TKind::Units;
                } else if (type == QLatin1String("SMALLINT")) {
                    kind.minimum = 0;
                    kind.maximum = 255;
                }
                kind.key = d.captured(5).contains(QLatin1String("PRIMARY KEY"));
                columns.insert(column, kind);
            }
        }
        return all;
    }();
    return kinds;
}

// The text of a Jet 4 text value: UTF-16LE, or the compressed form (FF FE, then runs of
// one-byte characters; a zero byte switches between one-byte and two-byte runs). Decoded here
// from the bytes libmdb locates, because libmdb's own conversion turns characters outside the
// basic plane (emoji) into question marks.
QString DecodeText(const unsigned char* b, int size)
{
    if (size >= 2 && b[0] == 0xff && b[1] == 0xfe) {
        QString out;
        out.reserve(size);
        bool oneByte = true;
        for (int i = 2; i < size;) {
            if (b[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                out.append(QChar(b[i]));
                ++i;
            } else if (i + 1 < size) {
                out.append(QChar(char16_t(b[i] | (b[i + 1] << 8))));
                i += 2;
            } else {
                break;
            }
        }
        return out;
    }
    QString out(size / 2, Qt::Uninitialized);
    for (int i = 0; i + 1 < size; i += 2)
        out[i / 2] = QChar(char16_t(b[i] | (b[i + 1] << 8)));
    return out;
}

// A Jet date: days since 30 December 1899, the time of day as the fraction (also for days
// before it, where the whole part counts backwards and the fraction still forwards).
bool DateText(double value, QString& text)
{
    if (!std::isfinite(value) || std::abs(value) > 3.0e6)
        return false;
    qint64 days = static_cast<qint64>(std::trunc(value));
    qint64 seconds = std::llround(std::abs(value - double(days)) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += value < 0 ? -1 : 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(days);
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return false;
    text = date.toString(QStringLiteral("yyyy-MM-dd")) +
           QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral(" HH:mm:ss"));
    return true;
}

struct TMdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TTableCloser {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// A value read from the file, before it is checked against our column.
struct TJetValue {
    enum { Null, Number, Cents, Text, Date } kind = Null;
    double number = 0;         // Number: integers and doubles
    qint64 tenThousandths = 0; // Cents: currency
    QString text;
};

} // namespace

bool TJetImport::IsJetFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    return head.size() == 19 && head.mid(4, 15) == "Standard Jet DB";
}

bool TJetImport::IsOurReportProject(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // nothing to keep aside
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

TJetImport::TJetImport(const QString& jetPath, const TProgress& progress)
    : m_path(QFileInfo(jetPath).absoluteFilePath())
{
    if (!IsJetFile(m_path))
        throw TError(
            Tr("%1 is not a database in the Jet format.").arg(QDir::toNativeSeparators(m_path)));
    std::unique_ptr<MdbHandle, TMdbCloser> mdb(
        mdb_open(QFile::encodeName(m_path).constData(), MDB_NOFLAGS));
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw TError(Tr("The Jet file %1 cannot be read.").arg(QDir::toNativeSeparators(m_path)));

    // Tables of the file that are not ours are named in the report.
    QSet<QString> ours;
    for (const QString& t : TSchema::TableNames())
        ours.insert(t.toLower());
    qint64 total = 0;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (!mdb_is_user_table(entry))
            continue;
        const QString name = QString::fromUtf8(entry->object_name);
        if (!ours.contains(name.toLower())) {
            m_notes
                << Tr("Table %1 of the Jet file is not one of ours and was not moved.").arg(name);
            continue;
        }
        std::unique_ptr<MdbTableDef, TTableCloser> table(mdb_read_table(entry));
        if (table)
            total += table->num_rows;
    }
    qint64 done = 0;
    for (const QString& name : TSchema::TableNames())
        ReadTable(mdb.get(), name, done, total, progress);
}

void TJetImport::ReadTable(void* handle, const QString& name, qint64& done, qint64 total,
                           const TProgress& progress)
{
    auto* mdb = static_cast<MdbHandle*>(handle);
    QByteArray tableName = name.toUtf8();
    std::unique_ptr<MdbTableDef, TTableCloser> table(
        mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE));
    if (!table)
        throw TError(Tr("The Jet file has no table %1; nothing was imported.").arg(name));
    if (!mdb_read_columns(table.get()))
        throw TError(Tr("The columns of table %1 in the Jet file cannot be read.").arg(name));

    const QStringList columns = TSchema::ColumnNames(name);
    const QHash<QString, TKind>& kinds = Kinds().value(name);
    // Our column i is the file's column at jetIndex[i].
    QList<int> jetIndex(columns.size(), -1);
    for (unsigned int c = 0; c < table->num_cols; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        const QString colName = QString::fromUtf8(col->name);
        bool found = false;
        for (int i = 0; i < columns.size(); ++i)
            if (columns.at(i).compare(colName, Qt::CaseInsensitive) == 0) {
                jetIndex[i] = int(c);
                found = true;
            }
        if (!found)
            m_notes << Tr("Column %1 of table %2 in the Jet file is not one of ours and was not "
                          "moved.")
                           .arg(colName, name);
    }
    for (int i = 0; i < columns.size(); ++i)
        if (jetIndex.at(i) < 0)
            throw TError(Tr("Table %1 of the Jet file has no column %2; nothing was imported.")
                             .arg(name, columns.at(i)));

    TTable out;
    out.name = name;
    out.columns = columns;
    const bool keyed = kinds.value(columns.first()).key;
    QSet<qint64> keys;
    QSet<QPair<qint64, qint64>> pairs;
    const bool pairRule = name == QLatin1String("attendances");
    std::vector<MdbField> fields(table->num_cols + 1);
    const bool jet4 = mdb->f->jet_version != MDB_VER_JET3;

    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        ++out.read;
        ++done;
        if (progress && (done % 2000 == 0) && !progress(done, total, name))
            throw EOperationError(Tr("The import was stopped; nothing was changed."));
        int start = 0;
        size_t size = 0;
        mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size);
        start &= 0x1fff;
        mdb_crack_row(table.get(), start, size, fields.data());

        QVariantList row;
        row.reserve(columns.size());
        QStringList reasons;
        for (int i = 0; i < columns.size(); ++i) {
            const int c = jetIndex.at(i);
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
            const MdbField& f = fields[c];
            const unsigned char* b = mdb->pg_buf + f.start;
            TJetValue v;
            if (col->col_type == MDB_BOOL) {
                v.kind = TJetValue::Number;
                v.number = f.is_null ? 0 : 1; // a yes/no keeps its value in the null bit
            } else if (!f.is_null) {
                switch (col->col_type) {
                case MDB_BYTE:
                    v.kind = TJetValue::Number;
                    v.number = b[0];
                    break;
                case MDB_INT:
                    v.kind = TJetValue::Number;
                    v.number = Stored<qint16>(b);
                    break;
                case MDB_LONGINT:
                    v.kind = TJetValue::Number;
                    v.number = Stored<qint32>(b);
                    break;
                case MDB_FLOAT:
                    v.kind = TJetValue::Number;
                    v.number = Stored<float>(b);
                    break;
                case MDB_DOUBLE:
                    v.kind = TJetValue::Number;
                    std::memcpy(&v.number, b, 8);
                    break;
                case MDB_MONEY:
                    v.kind = TJetValue::Cents;
                    std::memcpy(&v.tenThousandths, b, 8);
                    break;
                case MDB_DATETIME: {
                    v.kind = TJetValue::Date;
                    if (!DateText(Stored<double>(b), v.text))
                        reasons << Tr("%1 is not a date of years 1 to 9999").arg(columns.at(i));
                    break;
                }
                case MDB_TEXT:
                    v.kind = TJetValue::Text;
                    if (jet4) {
                        v.text = DecodeText(b, f.siz);
                    } else {
                        // Jet 3 texts are in the file's code page: libmdb converts them.
                        char* text = mdb_col_to_string(mdb, mdb->pg_buf, f.start, MDB_TEXT, f.siz);
                        v.text = QString::fromUtf8(text ? text : "");
                        g_free(text);
                    }
                    break;
                case MDB_MEMO: {
                    v.kind = TJetValue::Text;
                    quint32 head = 0;
                    if (f.siz >= MDB_MEMO_OVERHEAD)
                        std::memcpy(&head, b, 4);
                    if (jet4 && (head & 0x80000000u)) {
                        v.text = DecodeText(b + MDB_MEMO_OVERHEAD, f.siz - MDB_MEMO_OVERHEAD);
                    } else {
                        // Kept on long-value pages: libmdb gathers them.
                        char* text = mdb_col_to_string(mdb, mdb->pg_buf, f.start, MDB_MEMO, f.siz);
                        v.text = QString::fromUtf8(text ? text : "");
                        g_free(text);
                    }
                    break;
                }
                default: {
                    char* text = mdb_col_to_string(mdb, mdb->pg_buf, f.start, col->col_type, f.siz);
                    v.kind = TJetValue::Text;
                    v.text = QString::fromUtf8(text ? text : "");
                    g_free(text);
                    break;
                }
                }
            }

            // Our column's rules.
            const QString& column = columns.at(i);
            const TKind kind = kinds.value(column);
            QVariant value;
            if (v.kind == TJetValue::Null) {
                if (kind.key)
                    reasons << Tr("the key %1 is empty").arg(column);
            } else if (kind.type == TKind::Text) {
                const QString text =
                    v.kind == TJetValue::Number ? QString::number(v.number, 'g', 17)
                    : v.kind == TJetValue::Cents
                        ? QString::number(double(v.tenThousandths) / 10000.0, 'g', 17)
                        : v.text;
                // Characters as our tables count them: one per code point.
                const int length = int(text.toUcs4().size());
                if (length > kind.length)
                    reasons << Tr("%1 is longer than %2 characters (%3)")
                                   .arg(column)
                                   .arg(kind.length)
                                   .arg(length);
                value = text;
            } else if (kind.type == TKind::Date) {
                if (v.kind == TJetValue::Date)
                    value = v.text;
                else
                    reasons << Tr("%1 is not a date").arg(column);
            } else if (kind.type == TKind::Units) {
                qint64 cents = 0;
                bool exact = true;
                if (v.kind == TJetValue::Cents) {
                    exact = v.tenThousandths % 100 == 0;
                    cents = v.tenThousandths / 100;
                } else if (v.kind == TJetValue::Number) {
                    const double scaled = v.number * 100.0;
                    cents = std::llround(scaled);
                    exact = std::isfinite(scaled) && std::abs(scaled - double(cents)) < 1e-6;
                } else {
                    reasons << Tr("%1 is not a number").arg(column);
                }
                if (v.kind != TJetValue::Text) {
                    if (!exact)
                        reasons << Tr("%1 has more than two decimals").arg(column);
                    else if (cents < 0 || cents > 9999)
                        reasons << Tr("%1 is outside 0 to 99.99 (%2)")
                                       .arg(column)
                                       .arg(QString::number(double(cents) / 100.0, 'f', 2));
                    else
                        value = double(cents) / 100.0;
                }
            } else {
                const double number =
                    v.kind == TJetValue::Cents ? double(v.tenThousandths) / 10000.0 : v.number;
                if (v.kind == TJetValue::Text || v.kind == TJetValue::Date ||
                    number != std::trunc(number) || std::abs(number) > 2147483647.0)
                    reasons << Tr("%1 is not a whole number").arg(column);
                else if (kind.maximum >= kind.minimum &&
                         (number < kind.minimum || number > kind.maximum))
                    reasons << Tr("%1 is outside %2 to %3 (%4)")
                                   .arg(column)
                                   .arg(kind.minimum)
                                   .arg(kind.maximum)
                                   .arg(qint64(number));
                else
                    value = qint64(number);
            }
            row.append(value);
        }

        auto shown = [](const QVariant& v) { return v.isNull() ? Tr("(empty)") : v.toString(); };
        QString key;
        if (keyed) {
            key = QStringLiteral("%1 %2").arg(columns.first(), shown(row.first()));
            if (!row.first().isNull() && reasons.isEmpty()) {
                const qint64 k = row.first().toLongLong();
                if (keys.contains(k))
                    reasons << Tr("the key %1 appears twice").arg(k);
            }
        } else {
            key = QStringLiteral("%1 %2, %3 %4")
                      .arg(columns.at(0), shown(row.at(0)), columns.at(1), shown(row.at(1)));
            if (pairRule && reasons.isEmpty()) {
                const QPair<qint64, qint64> pair(row.at(0).toLongLong(), row.at(1).toLongLong());
                if (pairs.contains(pair))
                    reasons << Tr(
                        "the pair appears twice (a participant attends a conference once)");
                else
                    pairs.insert(pair);
            }
        }
        if (!reasons.isEmpty()) {
            m_refusals.append({name, key, reasons.join(QStringLiteral("; "))});
            continue;
        }
        if (keyed)
            keys.insert(row.first().toLongLong());
        out.rows.append(row);
    }
    if (out.read != table->num_rows)
        throw TError(Tr("Table %1 of the Jet file declares %2 rows, but %3 could be read; nothing "
                        "was imported.")
                         .arg(name)
                         .arg(table->num_rows)
                         .arg(out.read));
    m_tables.append(out);
}

qint64 TJetImport::RowsToWrite(const QString& table) const
{
    for (const TTable& t : m_tables)
        if (t.name == table)
            return t.rows.size();
    return 0;
}

QStringList TJetImport::ReadReport() const
{
    QStringList lines;
    lines << Tr("Read %1:").arg(QDir::toNativeSeparators(m_path));
    for (const TTable& t : m_tables)
        lines << Tr("  %1: %2 rows").arg(t.name).arg(t.read);
    for (const QString& note : m_notes)
        lines << QStringLiteral("  ") + note;
    if (!m_refusals.isEmpty()) {
        lines << QCoreApplication::translate("TJetImport",
                                             "%n row(s) hold values our tables refuse:", nullptr,
                                             int(m_refusals.size()));
        for (const TRefusal& r : m_refusals)
            lines << QStringLiteral("  %1, %2: %3").arg(r.table, r.key, r.reason);
    }
    return lines;
}

void TJetImport::WriteInto(TConnection& target, const TProgress& progress)
{
    if (target.HasTables())
        throw EOperationError(Tr("The target database already holds tables of this program; "
                                 "nothing was changed."));
    qint64 total = 0;
    for (const TTable& t : m_tables)
        total += t.rows.size();
    qint64 done = 0;
    TTransaction transaction(target);
    for (const QString& statement : target.CreateStatements())
        target.Execute(statement);
    constexpr int kBatch = 400;
    for (const TTable& t : m_tables) {
        const QString head = QStringLiteral("insert into %1 (%2) values ")
                                 .arg(t.name, t.columns.join(QStringLiteral(", ")));
        TBatchedInsert insert(target, head, kBatch);
        for (const QVariantList& row : t.rows) {
            QString cells;
            for (const QVariant& v : row) {
                if (!cells.isEmpty())
                    cells += u',';
                if (v.isNull())
                    cells += QStringLiteral("NULL");
                else if (v.typeId() == QMetaType::LongLong)
                    cells += QString::number(v.toLongLong());
                else if (v.typeId() == QMetaType::Double)
                    cells += QString::number(v.toDouble(), 'f', 2);
                else
                    cells += TSqlDialect::QuoteText(v.toString());
            }
            insert.Add(u'(' + cells + u')');
            if (progress && (++done % 2000 == 0) && !progress(done, total, t.name))
                throw EOperationError(Tr("The import was stopped; nothing was changed."));
        }
        insert.Flush();
        const qint64 written =
            target.ScalarQuery(QStringLiteral("select count(*) from %1").arg(t.name)).toLongLong();
        if (written != t.rows.size())
            throw EDatabaseError(Tr("The new %1 holds %2 rows instead of %3; nothing was imported.")
                                     .arg(t.name)
                                     .arg(written)
                                     .arg(t.rows.size()));
    }
    transaction.Commit();
}

QStringList TJetImport::WriteFolder(const QString& folderText, const TProgress& progress)
{
    const QDir folder(
        QFileInfo(folderText.isEmpty() ? QStringLiteral(".") : folderText).absoluteFilePath());
    if (!folder.exists())
        throw TError(
            Tr("The folder %1 does not exist.").arg(QDir::toNativeSeparators(folder.path())));
    const QString database = folder.filePath(QStringLiteral("cme.mdb"));
    const QString kept = folder.filePath(KeptName());
    const QString temporary = folder.filePath(TemporaryName());
    const bool inPlace = QFileInfo(database).exists() && QFileInfo(database).canonicalFilePath() ==
                                                             QFileInfo(m_path).canonicalFilePath();
    if (inPlace && QFileInfo::exists(kept))
        throw EOperationError(Tr("%1 exists already; move it away first. Nothing was changed.")
                                  .arg(QDir::toNativeSeparators(kept)));
    if (!inPlace && (QFileInfo::exists(database) || QFileInfo(database).isSymLink()))
        throw EOperationError(
            Tr("%1 exists already; nothing was changed.").arg(QDir::toNativeSeparators(database)));

    auto removeTemporary = [&] {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(temporary + QLatin1String(suffix));
    };
    // A temporary file left by an import that was cut off is ours to remove.
    removeTemporary();

    QStringList lines;
    const QString reports = folder.filePath(QStringLiteral("cme.rav"));
    const QString oldReports = folder.filePath(OldReportsName());
    const QString newReports = folder.filePath(QStringLiteral("cme.rav.importing"));
    const bool replaceReports = QFileInfo::exists(reports) && !IsOurReportProject(reports);
    if (replaceReports && QFileInfo::exists(oldReports))
        throw EOperationError(Tr("%1 exists already; move it away first. Nothing was changed.")
                                  .arg(QDir::toNativeSeparators(oldReports)));
    try {
        {
            TConnection target;
            target.OpenForCreate(temporary);
            WriteInto(target, progress);
            target.Close();
        }
        // The finished file is read back as the program will read it, and counted once more.
        {
            TConnection check;
            check.Open(temporary);
            for (const TTable& t : m_tables) {
                const qint64 n =
                    check.ScalarQuery(QStringLiteral("select count(*) from %1").arg(t.name))
                        .toLongLong();
                if (n != t.rows.size())
                    throw EDatabaseError(Tr("The new %1 holds %2 rows instead of %3; nothing was "
                                            "imported.")
                                             .arg(t.name)
                                             .arg(n)
                                             .arg(t.rows.size()));
            }
            check.Close();
        }
        for (const char* suffix : {"-wal", "-journal"})
            if (QFileInfo(temporary + QLatin1String(suffix)).size() > 0)
                throw EDatabaseError(Tr("The new database was not closed cleanly; nothing was "
                                        "imported."));
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            QFile::remove(temporary + QLatin1String(suffix));
        if (replaceReports) {
            QFile::remove(newReports);
            QFile file(newReports);
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(TReportProjectFile::DefaultText()) < 0 || !file.flush())
                throw TError(Tr("Cannot write %1; nothing was imported.")
                                 .arg(QDir::toNativeSeparators(newReports)));
        }
    } catch (...) {
        removeTemporary();
        QFile::remove(newReports);
        throw;
    }

    // The switch: the report project first, the database last. A failed step undoes the ones
    // before it.
    QStringList undo;
    auto fail = [&](const QString& what) {
        if (undo.contains(QStringLiteral("database")))
            QFile::rename(kept, database);
        if (undo.contains(QStringLiteral("reports"))) {
            QFile::remove(reports);
            QFile::rename(oldReports, reports);
        }
        removeTemporary();
        QFile::remove(newReports);
        throw TError(
            Tr("Cannot rename %1; nothing was changed.").arg(QDir::toNativeSeparators(what)));
    };
    if (replaceReports) {
        if (!QFile::rename(reports, oldReports))
            fail(reports);
        undo << QStringLiteral("reports");
        if (!QFile::rename(newReports, reports))
            fail(newReports);
    }
    if (inPlace) {
        if (!QFile::rename(database, kept))
            fail(database);
        undo << QStringLiteral("database");
    }
    if (!QFile::rename(temporary, database))
        fail(temporary);

    lines << Tr("Written:");
    for (const TTable& t : m_tables)
        lines << Tr("  %1: %2 rows").arg(t.name).arg(t.rows.size());
    lines << Tr("Wrote %1; the row counts agree.").arg(QDir::toNativeSeparators(database));
    if (inPlace)
        lines << Tr("The Jet file is kept unchanged as %1.").arg(QDir::toNativeSeparators(kept));
    if (replaceReports)
        lines << Tr("cme.rav was in the older report format: it is kept as %1, and the default "
                    "cme.rav was written.")
                     .arg(OldReportsName());
    else if (!QFileInfo::exists(reports)) {
        try {
            if (TReportProjectFile::WriteDefault(folder.path()))
                lines << Tr("Wrote the default report project cme.rav.");
        } catch (const TError& e) {
            lines << e.Message();
        }
    }
    return lines;
}
