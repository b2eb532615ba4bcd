#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class TConnection;

// A temporary folder holding a fresh cme.mdb with the full schema and no rows. The folder and
// everything in it are removed when the object goes.
class TTempDatabase
{
public:
    TTempDatabase();
    ~TTempDatabase();

    QString Dir() const { return m_dir.path(); }
    QString DatabasePath() const;
    QString FilePath(const QString& name) const;
    // A connection of its own on the file, for seeding rows and checking what was stored.
    TConnection& Conn();
    // Runs statements on that connection (seeding); throws on failure.
    void Exec(const QString& sql);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TConnection> m_conn;
};
