#include "tools/TNewDatabase.h"

#include "db/TConnection.h"
#include "db/TError.h"
#include "db/TSchema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TNewDatabase", text);
}

bool IsIndexStatement(const QString& statement)
{
    return statement.trimmed().startsWith(QStringLiteral("CREATE INDEX"), Qt::CaseInsensitive) ||
           statement.trimmed().startsWith(QStringLiteral("CREATE UNIQUE INDEX"),
                                          Qt::CaseInsensitive);
}

} // namespace

TNewDatabase::TNewDatabase(const QString& folder)
{
    const QString given = folder.isEmpty() ? QStringLiteral(".") : folder;
    m_folder = QDir(given).absolutePath();
    m_path = QDir(m_folder).filePath(QStringLiteral("cme.mdb"));
    if (QFileInfo::exists(m_path) || QFileInfo(m_path).isSymLink())
        throw EOperationError(
            Tr("%1 already exists; remove it first or choose another folder").arg(m_path));
    if (QFileInfo(m_folder).exists() && !QFileInfo(m_folder).isDir())
        throw TError(Tr("Cannot create the folder %1: a file of that name exists").arg(m_folder));
    if (!QDir().mkpath(m_folder))
        throw TError(Tr("Cannot create the folder %1").arg(m_folder));
}

TNewDatabase::~TNewDatabase()
{
    if (m_keep)
        return;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(m_path + QLatin1String(suffix));
}

QString TNewDatabase::FilePath(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

QString TNewDatabase::CreateEmpty(const QString& folder)
{
    TNewDatabase target(folder);
    TConnection conn;
    conn.OpenForCreate(target.Path());
    CreateSchema(conn);
    conn.Close();
    target.Keep();
    return target.Path();
}

void TNewDatabase::CreateSchema(TConnection& conn)
{
    for (const QString& statement : TSchema::CreateStatements())
        conn.Execute(statement);
}

QStringList TNewDatabase::TableStatements()
{
    QStringList statements;
    for (const QString& statement : TSchema::CreateStatements())
        if (!IsIndexStatement(statement))
            statements << statement;
    return statements;
}

QStringList TNewDatabase::IndexStatements()
{
    QStringList statements;
    for (const QString& statement : TSchema::CreateStatements())
        if (IsIndexStatement(statement))
            statements << statement;
    return statements;
}
