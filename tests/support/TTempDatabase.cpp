#include "support/TTempDatabase.h"

#include "db/TConnection.h"
#include "db/TSchema.h"
#include "db/TServerAddress.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>

#include <cstdio>
#include <cstdlib>

namespace {

TServerAddress AdminAddress()
{
    const QByteArray text = qgetenv("QUORVEL_TEST_PG");
    if (text.isEmpty()) {
        std::fprintf(stderr, "SKIP: QUORVEL_TEST_ENGINE=postgresql but QUORVEL_TEST_PG names no "
                             "server (scripts/test.sh starts one when PostgreSQL is installed)\n");
        std::exit(77);
    }
    return TServerAddress::FromConnectText(QString::fromLocal8Bit(text));
}

} // namespace

bool TTempDatabase::OnServer()
{
    return qgetenv("QUORVEL_TEST_ENGINE") == "postgresql";
}

TTempDatabase::TTempDatabase()
{
    m_dir.setAutoRemove(true);
    TConnection create;
    if (OnServer()) {
        TServerAddress address = AdminAddress();
        m_serverName = QStringLiteral("quorvel_test_") +
                       QUuid::createUuid().toString(QUuid::Id128).left(16);
        {
            TConnection admin;
            try {
                admin.OpenServerForCreate(address);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "SKIP: the test server cannot be reached: %s\n", e.what());
                std::exit(77);
            }
            admin.Execute(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'")
                              .arg(m_serverName));
        }
        address.name = m_serverName;
        m_serverText = address.ConnectText();
        create.OpenServerForCreate(address);
        QFile ini(FilePath(QStringLiteral("quorvel.ini")));
        if (ini.open(QIODevice::WriteOnly)) {
            QString text = QStringLiteral("[Database]\r\nDriver=postgresql\r\nHost=%1\r\nName=%2\r\n")
                               .arg(address.host, address.name);
            if (address.port > 0)
                text += QStringLiteral("Port=%1\r\n").arg(address.port);
            if (!address.user.isEmpty())
                text += QStringLiteral("User=%1\r\n").arg(address.user);
            ini.write(text.toUtf8());
        }
    } else {
        create.OpenForCreate(DatabasePath());
    }
    for (const QString& statement : create.CreateStatements())
        create.Execute(statement);
    create.Close();
}

TTempDatabase::~TTempDatabase()
{
    m_conn.reset();
    if (m_serverName.isEmpty())
        return;
    try {
        TConnection admin;
        admin.OpenServerForCreate(AdminAddress());
        admin.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_serverName));
    } catch (...) {
    }
}

QString TTempDatabase::DatabasePath() const
{
    return FilePath(QStringLiteral("cme.mdb"));
}

QString TTempDatabase::FilePath(const QString& name) const
{
    return QDir(m_dir.path()).filePath(name);
}

void TTempDatabase::Open(TConnection& conn) const
{
    if (m_serverText.isEmpty())
        conn.Open(DatabasePath());
    else
        conn.OpenServer(TServerAddress::FromConnectText(m_serverText));
}

TConnection& TTempDatabase::Conn()
{
    if (!m_conn) {
        m_conn = std::make_unique<TConnection>();
        Open(*m_conn);
    }
    return *m_conn;
}

void TTempDatabase::Exec(const QString& sql)
{
    Conn().Execute(sql);
}

void TTempDatabase::Refuse(const QString& name, const QString& event, const QString& table,
                           const QString& message, const QString& when)
{
    if (m_serverText.isEmpty()) {
        Exec(QStringLiteral("create trigger %1 %2 on %3 %4 begin select raise(abort, '%5'); end")
                 .arg(name, event, table,
                      when.isEmpty() ? QString() : QStringLiteral("when ") + when, message));
        return;
    }
    Exec(QStringLiteral("create function %1_refuse() returns trigger language plpgsql as $$ "
                        "begin raise exception '%2'; end $$")
             .arg(name, message));
    Exec(QStringLiteral("create trigger %1 %2 on %3 for each row %4 execute function %1_refuse()")
             .arg(name, event, table,
                  when.isEmpty() ? QString() : QStringLiteral("when (%1)").arg(when)));
}

void TTempDatabase::Unrefuse(const QString& name, const QString& table)
{
    if (m_serverText.isEmpty())
        Exec(QStringLiteral("drop trigger %1").arg(name));
    else
        Exec(QStringLiteral("drop trigger %1 on %2").arg(name, table));
}
