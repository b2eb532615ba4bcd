#include "tools/TDatabaseCopy.h"

#include "tools/TBatchedInsert.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "db/TSchema.h"
#include "db/TSqlDialect.h"

#include <QCoreApplication>

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDatabaseCopy", text);
}

// The delivery log is copied along when the source has one.
const QString kMailLog = QStringLiteral("mail_log");
const QStringList kMailLogColumns{
    QStringLiteral("log_id"),    QStringLiteral("run_id"),  QStringLiteral("log_time"),
    QStringLiteral("user_id"),   QStringLiteral("email"),   QStringLiteral("file_name"),
    QStringLiteral("handler"),   QStringLiteral("status"),  QStringLiteral("detail"),
    QStringLiteral("attempts")};

QString Literal(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return u'\'' + v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + u'\'';
    case QMetaType::Double:
        return u'\'' + QString::number(v.toDouble(), 'g', 17) + u'\'';
    default:
        return TSqlDialect::QuoteText(v.toString());
    }
}

// Registrations are copied along when the source has them.
const QString kRegistrations = QStringLiteral("registrations");
const QStringList kRegistrationColumns{QStringLiteral("conf_id"), QStringLiteral("user_id"),
                                       QStringLiteral("registered_at"), QStringLiteral("source")};

bool HasTable(TConnection& conn, const QString& table)
{
    try {
        conn.ScalarQuery(QStringLiteral("select count(*) from %1").arg(table));
        return true;
    } catch (const EDatabaseError&) {
        return false;
    }
}

// The badge codes, current and replaced, are copied along when the source has them.
const QString kReplacedBadges = QStringLiteral("replaced_badges");

bool HasBadges(TConnection& conn)
{
    try {
        conn.ScalarQuery(QStringLiteral("select count(badge_code) from participants"));
        conn.ScalarQuery(QStringLiteral("select count(*) from replaced_badges"));
        return true;
    } catch (const EDatabaseError&) {
        return false;
    }
}

void RefuseUsed(TConnection& target)
{
    if (target.HasTables())
        throw EOperationError(Tr("The target database already holds tables of this program; "
                                 "nothing was changed."));
}

} // namespace

void TDatabaseCopy::CreateOnServer(TConnection& target)
{
    RefuseUsed(target);
    TTransaction transaction(target);
    for (const QString& statement : target.CreateStatements())
        target.Execute(statement);
    transaction.Commit();
}

void TDatabaseCopy::Copy(TConnection& source, TConnection& target, const TProgress& progress)
{
    RefuseUsed(target);
    QList<std::pair<QString, QStringList>> tables;
    for (const QString& table : TSchema::TableNames())
        tables.append({table, TSchema::ColumnNames(table)});
    if (HasTable(source, kMailLog))
        tables.append({kMailLog, kMailLogColumns});
    if (HasTable(source, kRegistrations))
        tables.append({kRegistrations, kRegistrationColumns});
    if (HasBadges(source)) {
        for (auto& [table, columns] : tables)
            if (table == u"participants")
                columns << QStringLiteral("badge_code");
        tables.append({kReplacedBadges, {QStringLiteral("badge_code"), QStringLiteral("user_id")}});
    }

    TTransaction transaction(target);
    for (const QString& statement : target.CreateStatements())
        target.Execute(statement);
    constexpr int kBatch = 500;
    for (const auto& [table, columns] : tables) {
        TDataSet rows(source, table);
        rows.SetSQL(QStringLiteral("select %1 from %2").arg(columns.join(QStringLiteral(", ")), table));
        rows.Open();
        const int count = rows.RecordCount();
        const QString head = QStringLiteral("insert into %1 (%2) values ")
                                 .arg(table, columns.join(QStringLiteral(", ")));
        // A table without a key column names what the server hands back itself.
        const QString tail = table == kReplacedBadges && target.IsServer()
                                 ? QStringLiteral(" returning user_id")
                                 : QString();
        TBatchedInsert insert(target, head, kBatch, tail);
        for (int row = 0; row < count; ++row) {
            QStringList cells;
            for (int field = 0; field < columns.size(); ++field)
                cells << Literal(rows.RowValue(row, field));
            insert.Add(u'(' + cells.join(u',') + u')');
        }
        insert.Flush();
        rows.Close();
        const qint64 copied =
            target.ScalarQuery(QStringLiteral("select count(*) from %1").arg(table)).toLongLong();
        if (copied != count)
            throw EDatabaseError(Tr("The copy of %1 holds %2 rows instead of %3; nothing was "
                                    "copied.")
                                     .arg(table)
                                     .arg(copied)
                                     .arg(count));
        if (progress)
            progress(Tr("%1: %2 rows").arg(table).arg(count));
    }
    transaction.Commit();
    // A server plans its queries from statistics that stay empty after a bulk load until its
    // autovacuum comes round: without them the first stations to sign in would scan whole
    // tables for each person.
    if (target.IsServer())
        target.Execute(QStringLiteral("ANALYZE"));
}
