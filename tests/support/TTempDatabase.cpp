#include "TTempDatabase.h"

#include "TConnection.h"
#include "TSchema.h"

#include <QDir>

TTempDatabase::TTempDatabase()
{
    m_dir.setAutoRemove(true);
    TConnection create;
    create.OpenForCreate(DatabasePath());
    for (const QString& statement : TSchema::CreateStatements())
        create.Execute(statement);
    create.Close();
}

TTempDatabase::~TTempDatabase() = default;

QString TTempDatabase::DatabasePath() const
{
    return FilePath(QStringLiteral("cme.mdb"));
}

QString TTempDatabase::FilePath(const QString& name) const
{
    return QDir(m_dir.path()).filePath(name);
}

TConnection& TTempDatabase::Conn()
{
    if (!m_conn) {
        m_conn = std::make_unique<TConnection>();
        m_conn->Open(DatabasePath());
    }
    return *m_conn;
}

void TTempDatabase::Exec(const QString& sql)
{
    Conn().Execute(sql);
}
