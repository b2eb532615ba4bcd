#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class TConnection;

// A temporary folder holding a fresh cme.mdb with the full schema and no rows. The folder and
// everything in it are removed when the object goes.
//
// With QUORVEL_TEST_ENGINE=postgresql the database is a fresh one on the server that
// QUORVEL_TEST_PG names, and the folder's quorvel.ini points the data module at it; the
// database is dropped at the end. Without a server the test program exits with code 77, which
// CTest reports as skipped.
class TTempDatabase
{
public:
    TTempDatabase();
    ~TTempDatabase();

    QString Dir() const { return m_dir.path(); }
    QString DatabasePath() const;
    QString FilePath(const QString& name) const;
    // A connection of its own on the database, for seeding rows and checking what was stored.
    TConnection& Conn();
    // Opens another connection on the same database.
    void Open(TConnection& conn) const;
    // Runs statements on that connection (seeding); throws on failure.
    void Exec(const QString& sql);
    // Makes the engine refuse a change with the message: event is "before insert", "before
    // update" or "before delete"; when, if given, limits it to rows that meet the condition
    // ("new.last_name = 'Refused'"). Unrefuse takes it away again.
    void Refuse(const QString& name, const QString& event, const QString& table,
                const QString& message, const QString& when = {});
    void Unrefuse(const QString& name, const QString& table);
    // True when the tests run on a database server.
    static bool OnServer();
    // The libpq connection text of this database (empty on a file).
    QString ServerConnectText() const { return m_serverText; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TConnection> m_conn;
    QString m_serverName;
    QString m_serverText;
};
