#include "db/TSchema.h"

#include <QHash>
#include <QRegularExpression>

namespace {

struct TTableDef
{
    QString name;
    QStringList columns;
    QString ddl;
};

// Text columns refuse longer values through a named CHECK, so the engine's message names the
// column. Date-times are ISO text in local time; units are a number rounded to two decimals.
QString Text(const char* column, int size)
{
    return QStringLiteral("%1 VARCHAR(%2) CONSTRAINT \"%1 is longer than %2 characters\" "
                          "CHECK (length(%1) <= %2)")
        .arg(QLatin1String(column))
        .arg(size);
}

const QList<TTableDef>& Tables()
{
    static const QList<TTableDef> tables = [] {
        QList<TTableDef> t;
        t.append({QStringLiteral("titles"),
                  {QStringLiteral("title_id"), QStringLiteral("t_name")},
                  QStringLiteral("CREATE TABLE titles (title_id INTEGER PRIMARY KEY AUTOINCREMENT, ") +
                      Text("t_name", 15) + QStringLiteral(")")});
        t.append({QStringLiteral("specialities"),
                  {QStringLiteral("spec_id"), QStringLiteral("s_name")},
                  QStringLiteral("CREATE TABLE specialities (spec_id INTEGER PRIMARY KEY AUTOINCREMENT, ") +
                      Text("s_name", 40) + QStringLiteral(")")});
        t.append({QStringLiteral("credits"),
                  {QStringLiteral("credit_id"), QStringLiteral("c_name")},
                  QStringLiteral("CREATE TABLE credits (credit_id INTEGER PRIMARY KEY AUTOINCREMENT, ") +
                      Text("c_name", 10) + QStringLiteral(")")});
        t.append({QStringLiteral("extras"),
                  {QStringLiteral("extra_id"), QStringLiteral("e_name")},
                  QStringLiteral("CREATE TABLE extras (extra_id INTEGER PRIMARY KEY AUTOINCREMENT, ") +
                      Text("e_name", 50) + QStringLiteral(")")});
        t.append({QStringLiteral("participants"),
                  {QStringLiteral("user_id"), QStringLiteral("last_name"), QStringLiteral("first_name"),
                   QStringLiteral("address"), QStringLiteral("city"), QStringLiteral("state"),
                   QStringLiteral("zip"), QStringLiteral("phone"), QStringLiteral("email"),
                   QStringLiteral("title_id"), QStringLiteral("spec_id"), QStringLiteral("mail_type"),
                   QStringLiteral("fax")},
                  QStringLiteral("CREATE TABLE participants (user_id INTEGER PRIMARY KEY AUTOINCREMENT, ") +
                      Text("last_name", 30) + u", " + Text("first_name", 30) + u", " +
                      Text("address", 100) + u", " + Text("city", 50) + u", " + Text("state", 2) +
                      u", " + Text("zip", 10) + u", " + Text("phone", 12) + u", " +
                      Text("email", 50) +
                      QStringLiteral(", title_id INTEGER, spec_id INTEGER, mail_type SMALLINT "
                                     "CONSTRAINT \"mail_type must be between 0 and 255\" "
                                     "CHECK (mail_type IS NULL OR (mail_type >= 0 AND mail_type <= 255)), ") +
                      Text("fax", 12) + QStringLiteral(")")});
        t.append({QStringLiteral("conferences"),
                  {QStringLiteral("conf_id"), QStringLiteral("conf_name"), QStringLiteral("begin_date"),
                   QStringLiteral("end_date"), QStringLiteral("series"), QStringLiteral("units")},
                  QStringLiteral("CREATE TABLE conferences (conf_id INTEGER PRIMARY KEY AUTOINCREMENT, ") +
                      Text("conf_name", 100) +
                      QStringLiteral(", begin_date DATETIME, end_date DATETIME, ") + Text("series", 100) +
                      QStringLiteral(", units NUMERIC(4,2))")});
        t.append({QStringLiteral("attendances"),
                  {QStringLiteral("conf_id"), QStringLiteral("user_id"), QStringLiteral("sign_in_date")},
                  QStringLiteral("CREATE TABLE attendances (conf_id INTEGER, user_id INTEGER, "
                                 "sign_in_date DATETIME DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', "
                                 "'localtime')), UNIQUE (conf_id, user_id))")});
        t.append({QStringLiteral("speakers"),
                  {QStringLiteral("speak_id"), QStringLiteral("last_name"), QStringLiteral("first_name"),
                   QStringLiteral("place"), QStringLiteral("title_id")},
                  QStringLiteral("CREATE TABLE speakers (speak_id INTEGER PRIMARY KEY AUTOINCREMENT, ") +
                      Text("last_name", 30) + u", " + Text("first_name", 30) + u", " +
                      Text("place", 100) + QStringLiteral(", title_id INTEGER)")});
        t.append({QStringLiteral("conf_speakers"),
                  {QStringLiteral("conf_id"), QStringLiteral("speak_id")},
                  QStringLiteral("CREATE TABLE conf_speakers (conf_id INTEGER, speak_id INTEGER)")});
        t.append({QStringLiteral("conf_credits"),
                  {QStringLiteral("conf_id"), QStringLiteral("credit_id")},
                  QStringLiteral("CREATE TABLE conf_credits (conf_id INTEGER, credit_id INTEGER)")});
        t.append({QStringLiteral("conf_extras"),
                  {QStringLiteral("conf_id"), QStringLiteral("extra_id")},
                  QStringLiteral("CREATE TABLE conf_extras (conf_id INTEGER, extra_id INTEGER)")});
        return t;
    }();
    return tables;
}

} // namespace

QStringList TSchema::TableNames()
{
    QStringList names;
    for (const auto& t : Tables())
        names << t.name;
    return names;
}

QStringList TSchema::ColumnNames(const QString& table)
{
    for (const auto& t : Tables())
        if (t.name.compare(table, Qt::CaseInsensitive) == 0)
            return t.columns;
    return {};
}

QStringList TSchema::CreateStatements()
{
    QStringList statements;
    for (const auto& t : Tables())
        statements << t.ddl;
    // Every link column is indexed; the pair rule of attendances is its UNIQUE constraint.
    statements << QStringLiteral("CREATE INDEX ix_participants_last_name ON participants (last_name)")
               << QStringLiteral("CREATE INDEX ix_participants_title ON participants (title_id)")
               << QStringLiteral("CREATE INDEX ix_participants_spec ON participants (spec_id)")
               << QStringLiteral("CREATE INDEX ix_conferences_begin ON conferences (begin_date)")
               << QStringLiteral("CREATE INDEX ix_attendances_user ON attendances (user_id)")
               << QStringLiteral("CREATE INDEX ix_speakers_title ON speakers (title_id)")
               << QStringLiteral("CREATE INDEX ix_conf_speakers_conf ON conf_speakers (conf_id)")
               << QStringLiteral("CREATE INDEX ix_conf_speakers_speak ON conf_speakers (speak_id)")
               << QStringLiteral("CREATE INDEX ix_conf_credits_conf ON conf_credits (conf_id)")
               << QStringLiteral("CREATE INDEX ix_conf_credits_credit ON conf_credits (credit_id)")
               << QStringLiteral("CREATE INDEX ix_conf_extras_conf ON conf_extras (conf_id)")
               << QStringLiteral("CREATE INDEX ix_conf_extras_extra ON conf_extras (extra_id)");
    statements << AddedTableStatements();
    statements << BadgeStatements(false);
    return statements;
}

QStringList TSchema::BadgeStatements(bool server)
{
    return {server ? QStringLiteral("ALTER TABLE participants ADD COLUMN IF NOT EXISTS badge_code "
                                    "varchar(20)")
                   : QStringLiteral("ALTER TABLE participants ADD COLUMN badge_code VARCHAR(20)"),
            QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ix_participants_badge_code ON "
                           "participants (badge_code)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS replaced_badges (badge_code VARCHAR(20) "
                           "PRIMARY KEY, user_id INTEGER NOT NULL)")};
}

QStringList TSchema::AddedTableStatements()
{
    // One row per message a transcript e-mail run tried: when, to whom, which file, through
    // which handler, and the result ("sent", "refused" with the server's text, "not sent").
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS mail_log (log_id INTEGER PRIMARY KEY "
                           "AUTOINCREMENT, run_id INTEGER NOT NULL, log_time TEXT NOT NULL, "
                           "user_id INTEGER, email TEXT, file_name TEXT, handler TEXT, "
                           "status TEXT NOT NULL, detail TEXT, attempts INTEGER NOT NULL DEFAULT 1)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS ix_mail_log_run ON mail_log (run_id)"),
            // Who registered for a conference, once per pair; where the row came from ("import",
            // "desk"). A registration is not an attendance and grants no credit.
            QStringLiteral("CREATE TABLE IF NOT EXISTS registrations (conf_id INTEGER NOT NULL, "
                           "user_id INTEGER NOT NULL, registered_at DATETIME DEFAULT "
                           "(strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')), source TEXT, "
                           "UNIQUE (conf_id, user_id))"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS ix_registrations_user ON registrations "
                           "(user_id)")};
}

QStringList TSchema::DuplicateIndexStatements()
{
    // The duplicate check's index of the participants, kept in the file (one row), and the
    // people changed since it was written. The triggers log every change, by this program or
    // any other, so the kept index is never taken for current when it is not.
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS dupe_changes (seq INTEGER PRIMARY KEY "
                           "AUTOINCREMENT, user_id INTEGER NOT NULL)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS dupe_index (part INTEGER PRIMARY KEY, "
                           "data BLOB NOT NULL)"),
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS participants_dupe_insert AFTER INSERT ON "
                           "participants BEGIN INSERT INTO dupe_changes (user_id) VALUES "
                           "(new.user_id); END"),
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS participants_dupe_update AFTER UPDATE OF "
                           "user_id, last_name, first_name, email, phone, zip, city ON "
                           "participants BEGIN INSERT INTO dupe_changes (user_id) VALUES "
                           "(old.user_id); INSERT INTO dupe_changes (user_id) SELECT new.user_id "
                           "WHERE new.user_id <> old.user_id; END"),
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS participants_dupe_delete AFTER DELETE ON "
                           "participants BEGIN INSERT INTO dupe_changes (user_id) VALUES "
                           "(old.user_id); END")};
}

QString TSchema::RowIdColumn(const QString& table)
{
    for (const auto& t : Tables())
        if (t.name.compare(table, Qt::CaseInsensitive) == 0)
            return t.ddl.contains(QLatin1String("PRIMARY KEY AUTOINCREMENT")) ? t.columns.first()
                                                                            : QStringLiteral("rowid");
    if (table.compare(QLatin1String("mail_log"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("log_id");
    return QStringLiteral("rowid");
}

QString TSchema::AttendanceChannel()
{
    return QStringLiteral("quorvel_attendances");
}

QStringList TSchema::ServerCreateStatements()
{
    auto server = [](QString ddl) {
        ddl.replace(QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT"),
                    QLatin1String("integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
        ddl.replace(QLatin1String("DATETIME DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', "
                                  "'localtime'))"),
                    QLatin1String("timestamp(0) DEFAULT localtimestamp(0)"));
        ddl.replace(QLatin1String("DATETIME"), QLatin1String("timestamp(0)"));
        // The length stays with the named CHECK, so that a refused text names its column as it
        // does on a file; a declared varchar(n) would refuse it first without the name.
        static const QRegularExpression length(QStringLiteral("VARCHAR\\(\\d+\\)"));
        ddl.replace(length, QStringLiteral("varchar"));
        return ddl;
    };
    QStringList statements;
    // An identity does not move past keys given explicitly (seeded or copied rows); after each
    // insert this moves it past the highest new key, so the next row without one gets a free key.
    statements << QStringLiteral(
        "CREATE FUNCTION quorvel_follow_key() RETURNS trigger LANGUAGE plpgsql AS $$\n"
        "DECLARE top bigint; seq text;\n"
        "BEGIN\n"
        "  EXECUTE format('SELECT max(%I) FROM new_rows', TG_ARGV[0]) INTO top;\n"
        "  seq := pg_get_serial_sequence(format('%I', TG_TABLE_NAME), TG_ARGV[0]);\n"
        "  IF top IS NOT NULL AND seq IS NOT NULL THEN\n"
        "    EXECUTE format('SELECT setval(%L, %s) FROM %s WHERE (is_called AND last_value < %s) "
        "OR (NOT is_called AND last_value <= %s)', seq, top, seq, top, top);\n"
        "  END IF;\n"
        "  RETURN NULL;\n"
        "END $$");
    // Other stations learn of sign-ins: up to 100 changed pairs by name, more as "*".
    statements << QStringLiteral(
        "CREATE FUNCTION quorvel_attendances_changed() RETURNS trigger LANGUAGE plpgsql AS $$\n"
        "DECLARE pairs text; n bigint;\n"
        "BEGIN\n"
        "  IF TG_OP = 'DELETE' THEN\n"
        "    SELECT count(*), string_agg(conf_id || ' ' || user_id, ',') INTO n, pairs FROM "
        "(SELECT conf_id, user_id FROM old_rows LIMIT 101) o;\n"
        "  ELSE\n"
        "    SELECT count(*), string_agg(conf_id || ' ' || user_id, ',') INTO n, pairs FROM "
        "(SELECT conf_id, user_id FROM new_rows LIMIT 101) o;\n"
        "  END IF;\n"
        "  IF n > 100 THEN pairs := '*'; END IF;\n"
        "  IF n > 0 THEN PERFORM pg_notify('%1', pairs); END IF;\n"
        "  RETURN NULL;\n"
        "END $$").arg(AttendanceChannel());
    for (const auto& t : Tables()) {
        QString ddl = server(t.ddl);
        // Last, so that an insert without a column list fills the table's own columns.
        if (RowIdColumn(t.name) == u"rowid")
            ddl = ddl.chopped(1) + QStringLiteral(", rowid bigint GENERATED BY DEFAULT AS "
                                                  "IDENTITY PRIMARY KEY)");
        statements << ddl;
        if (RowIdColumn(t.name) != u"rowid")
            statements << QStringLiteral("CREATE TRIGGER %1_follow_key AFTER INSERT ON %1 "
                                         "REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT "
                                         "EXECUTE FUNCTION quorvel_follow_key('%2')")
                              .arg(t.name, RowIdColumn(t.name));
    }
    for (const QString& op : {QStringLiteral("INSERT"), QStringLiteral("DELETE")})
        statements << QStringLiteral("CREATE TRIGGER attendances_%1 AFTER %2 ON attendances "
                                     "REFERENCING %3 TABLE AS %4 FOR EACH STATEMENT EXECUTE "
                                     "FUNCTION quorvel_attendances_changed()")
                          .arg(op.toLower(), op, op == u"DELETE" ? QStringLiteral("OLD")
                                                                  : QStringLiteral("NEW"),
                               op == u"DELETE" ? QStringLiteral("old_rows")
                                               : QStringLiteral("new_rows"));
    for (const QString& statement : CreateStatements())
        if (statement.startsWith(QLatin1String("CREATE INDEX")) &&
            !statement.contains(QLatin1String("IF NOT EXISTS")))
            statements << statement;
    for (const QString& statement : ServerAddedTableStatements())
        if (!statements.contains(statement))
            statements << statement;
    statements << BadgeStatements(true);
    return statements;
}

QStringList TSchema::ServerAddedTableStatements()
{
    QStringList statements;
    for (QString statement : AddedTableStatements()) {
        statement.replace(QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT"),
                          QLatin1String("integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
        statement.replace(QLatin1String("DATETIME DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', "
                                        "'localtime'))"),
                          QLatin1String("timestamp(0) DEFAULT localtimestamp(0)"));
        // An insert asks for the new row's "rowid", as in the link tables.
        if (statement.startsWith(QLatin1String("CREATE TABLE IF NOT EXISTS registrations")))
            statement = statement.chopped(1) + QStringLiteral(", rowid bigint GENERATED BY "
                                                              "DEFAULT AS IDENTITY PRIMARY KEY)");
        statements << statement;
    }
    statements << QStringLiteral("CREATE OR REPLACE TRIGGER mail_log_follow_key AFTER INSERT ON "
                                 "mail_log REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT "
                                 "EXECUTE FUNCTION quorvel_follow_key('log_id')");
    return statements;
}
