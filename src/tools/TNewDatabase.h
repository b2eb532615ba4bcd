#pragma once

#include <QString>
#include <QStringList>

class TConnection;

// The target of a build: a folder that will hold a new cme.mdb. Construction refuses a folder
// that already has one, so nothing is ever overwritten. Unless Keep() is called, destruction
// removes the database file again, so a failed build leaves no half-filled file that would
// block the next attempt.
class TNewDatabase
{
public:
    // Creates the folder when needed. Throws EOperationError when the folder already holds
    // cme.mdb, TError when the folder cannot be created.
    explicit TNewDatabase(const QString& folder);
    ~TNewDatabase();
    TNewDatabase(const TNewDatabase&) = delete;
    TNewDatabase& operator=(const TNewDatabase&) = delete;

    // Absolute paths.
    const QString& Folder() const { return m_folder; }
    const QString& Path() const { return m_path; }
    QString FilePath(const QString& name) const;

    // What "quorvel-admin init" does: an empty cme.mdb with the full schema in folder (created
    // when needed). Returns the database's absolute path; throws as the constructor does, or
    // when the file cannot be written, leaving no file behind.
    static QString CreateEmpty(const QString& folder);

    // Runs the whole schema on a connection opened on Path().
    static void CreateSchema(TConnection& conn);
    // The schema split in two, so bulk loads can create the indexes after the rows.
    static QStringList TableStatements();
    static QStringList IndexStatements();

    // The build succeeded: the file stays.
    void Keep() { m_keep = true; }

private:
    QString m_folder;
    QString m_path;
    bool m_keep = false;
};
