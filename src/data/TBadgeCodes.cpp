#include "data/TBadgeCodes.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "db/TSchema.h"

#include <QRandomGenerator>

namespace
{

// Crockford's alphabet: no I, L, O or U, so a code read aloud or typed by hand is not misread.
constexpr char kAlphabet[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
const QString kPrefix = QStringLiteral("QV-");

int DigitValue(QChar c)
{
    const char16_t u = c.toUpper().unicode();
    if (u == u'O')
        return 0;
    if (u == u'I' || u == u'L')
        return 1;
    for (int i = 0; i < 32; ++i)
        if (kAlphabet[i] == u)
            return i;
    return -1;
}

} // namespace

QString TBadgeCodes::NewCode()
{
    // Sixty bits from the operating system's generator, five to a character.
    const quint64 bits = QRandomGenerator::system()->generate64();
    QString code = kPrefix;
    for (int i = 0; i < 12; ++i) {
        if (i > 0 && i % 4 == 0)
            code += QLatin1Char('-');
        code += QLatin1Char(kAlphabet[(bits >> (5 * i)) & 31]);
    }
    return code;
}

QString TBadgeCodes::Normalised(const QString& text)
{
    if (text.size() > kMaxLength)
        return {};
    for (QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return {};
    const QString trimmed = text.trimmed();
    if (trimmed.size() != kLength || !trimmed.startsWith(kPrefix, Qt::CaseInsensitive))
        return {};
    QString code = kPrefix;
    for (int i = kPrefix.size(); i < trimmed.size(); ++i) {
        const bool dash = (i - kPrefix.size()) % 5 == 4;
        if (dash) {
            if (trimmed.at(i) != QLatin1Char('-'))
                return {};
            code += QLatin1Char('-');
            continue;
        }
        const int value = DigitValue(trimmed.at(i));
        if (value < 0)
            return {};
        code += QLatin1Char(kAlphabet[value]);
    }
    return code;
}

bool TBadgeCodes::Prepared(bool create)
{
    if (m_prepared == 1 || (m_prepared == 0 && !create))
        return m_prepared == 1;
    const QString check =
        m_conn.IsServer()
            ? QStringLiteral("select count(*) from information_schema.columns where table_schema "
                             "= current_schema() and table_name = 'participants' and "
                             "column_name = 'badge_code'")
            : QStringLiteral("select count(*) from pragma_table_info('participants') where name "
                             "= 'badge_code'");
    m_prepared = m_conn.ScalarQuery(check).toInt() > 0 ? 1 : 0;
    if (m_prepared == 1 || !create)
        return m_prepared == 1;
    // A database made before badges gains them at the first code it stores.
    TTransaction transaction(m_conn);
    for (const QString& statement : TSchema::BadgeStatements(m_conn.IsServer()))
        m_conn.Execute(statement);
    transaction.Commit();
    m_prepared = 1;
    return true;
}

QString TBadgeCodes::FreshCode()
{
    for (;;) {
        const QString code = NewCode();
        if (m_conn.ScalarQuery(QStringLiteral("select (select count(*) from participants where "
                                              "badge_code = ?) + (select count(*) from "
                                              "replaced_badges where badge_code = ?)"),
                               {code, code})
                .toInt() == 0)
            return code;
    }
}

QString TBadgeCodes::CodeFor(int userId)
{
    return CodesFor({userId}).value(userId);
}

QHash<int, QString> TBadgeCodes::CodesFor(const QList<int>& userIds)
{
    QHash<int, QString> codes;
    if (userIds.isEmpty())
        return codes;
    Prepared(true);
    TTransaction transaction(m_conn);
    for (int userId : userIds) {
        if (codes.contains(userId))
            continue;
        const QVariant stored = m_conn.ScalarQuery(
            QStringLiteral("select coalesce(badge_code, '') from participants where user_id = ?"),
            {userId});
        if (stored.isNull())
            continue; // no such participant
        QString code = stored.toString();
        if (code.isEmpty()) {
            code = FreshCode();
            m_conn.Execute(QStringLiteral("update participants set badge_code = ? where user_id = ?"),
                           {code, userId});
        }
        codes.insert(userId, code);
    }
    transaction.Commit();
    return codes;
}

QString TBadgeCodes::Replace(int userId)
{
    Prepared(true);
    TTransaction transaction(m_conn);
    const QVariant old = m_conn.ScalarQuery(
        QStringLiteral("select coalesce(badge_code, '') from participants where user_id = ?"),
        {userId});
    if (old.isNull())
        return {};
    if (!old.toString().isEmpty())
        // The table has no key column for the server to hand back: the statement names what
        // it returns itself.
        m_conn.Execute(QStringLiteral("insert into replaced_badges (badge_code, user_id) values "
                                      "(?, ?)") +
                           (m_conn.IsServer() ? QStringLiteral(" returning user_id") : QString()),
                       {old.toString(), userId});
    const QString code = FreshCode();
    m_conn.Execute(QStringLiteral("update participants set badge_code = ? where user_id = ?"),
                   {code, userId});
    transaction.Commit();
    return code;
}

TBadgeCodes::TLookup TBadgeCodes::Find(const QString& text)
{
    const QString code = Normalised(text);
    if (code.isEmpty() || !Prepared(false))
        return {};
    const QVariant userId = m_conn.ScalarQuery(
        QStringLiteral("select user_id from participants where badge_code = ?"), {code});
    if (!userId.isNull())
        return {TKind::Found, userId.toInt()};
    const QVariant replaced = m_conn.ScalarQuery(
        QStringLiteral("select user_id from replaced_badges where badge_code = ?"), {code});
    if (!replaced.isNull())
        return {TKind::Replaced, replaced.toInt()};
    return {};
}

QHash<QString, TBadgeCodes::TLookup> TBadgeCodes::AllCodes()
{
    QHash<QString, TLookup> codes;
    if (!Prepared(false))
        return codes;
    TDataSet rows(m_conn, QStringLiteral("BadgeCodes"));
    rows.SetSQL(QStringLiteral("select badge_code, user_id, 0 as replaced from participants "
                               "where badge_code is not null union all select badge_code, "
                               "user_id, 1 from replaced_badges"));
    rows.Open();
    codes.reserve(rows.RecordCount());
    for (int r = 0; r < rows.RecordCount(); ++r)
        codes.insert(rows.RowValue(r, 0).toString(),
                     {rows.RowValue(r, 2).toInt() != 0 ? TKind::Replaced : TKind::Found,
                      rows.RowValue(r, 1).toInt()});
    return codes;
}
