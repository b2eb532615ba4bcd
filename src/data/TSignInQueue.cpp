#include "data/TSignInQueue.h"

#include "db/TConnection.h"
#include "db/TError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace
{

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

}

TSignInQueue::TSignInQueue(const QString& filePath) : m_path(filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList parts = in.readLine().split(u' ', Qt::SkipEmptyParts);
        if (parts.size() != 4)
            continue;
        bool confOk = false;
        bool userOk = false;
        TEntry entry{parts.at(0).toLongLong(&confOk), parts.at(1).toLongLong(&userOk),
                     QDateTime::fromString(parts.at(2) + u' ' + parts.at(3), kTimeFormat)};
        if (confOk && userOk && entry.at.isValid() && !Contains(entry.confId, entry.userId))
            m_entries.append(entry);
    }
}

QString TSignInQueue::FileBeside(const QString& iniPath)
{
    return QFileInfo(iniPath).absoluteDir().filePath(QStringLiteral("signins-waiting.txt"));
}

bool TSignInQueue::Contains(qint64 confId, qint64 userId) const
{
    for (const TEntry& entry : m_entries)
        if (entry.confId == confId && entry.userId == userId)
            return true;
    return false;
}

void TSignInQueue::Write() const
{
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream out(&file);
        for (const TEntry& entry : m_entries)
            out << entry.confId << ' ' << entry.userId << ' ' << entry.at.toString(kTimeFormat)
                << '\n';
        out.flush();
        if (file.commit())
            return;
    }
    throw TError(QCoreApplication::translate("TSignInQueue",
                                             "The waiting sign-ins cannot be written to %1: %2")
                     .arg(QDir::toNativeSeparators(m_path), file.errorString()));
}

void TSignInQueue::Add(qint64 confId, qint64 userId, const QDateTime& at)
{
    if (Contains(confId, userId))
        return;
    m_entries.append({confId, userId, at});
    try {
        Write();
    } catch (...) {
        m_entries.removeLast();
        throw;
    }
}

void TSignInQueue::Send(TConnection& conn)
{
    if (m_entries.isEmpty())
        return;
    {
        TTransaction transaction(conn);
        for (const TEntry& entry : m_entries)
            conn.Execute(QStringLiteral("insert into attendances (conf_id, user_id, sign_in_date) "
                                        "values (?, ?, ?) on conflict do nothing"),
                         {entry.confId, entry.userId, entry.at.toString(kTimeFormat)});
        transaction.Commit();
    }
    // Sent twice after a crash here does no harm: the second time every pair is there.
    const QList<TEntry> sent = m_entries;
    m_entries.clear();
    try {
        Write();
    } catch (...) {
        m_entries = sent;
        throw;
    }
}
