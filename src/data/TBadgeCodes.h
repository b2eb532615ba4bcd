#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

class TConnection;

// The codes on the participants' badges: "QV-" and three groups of four characters of a
// 32-letter alphabet without I, L, O and U, sixty random bits from the system's generator. A
// code says nothing about its holder; the participant row holds it (participants.badge_code,
// unique), and a code that was replaced by a new one is kept in replaced_badges so that a lost
// badge is told apart from a wrong one.
class TBadgeCodes
{
public:
    explicit TBadgeCodes(TConnection& conn) : m_conn(conn) {}

    // A new random code (not checked against the database).
    static QString NewCode();
    // The code in its stored form (upper case; O read as 0, I and L as 1; blanks around it
    // dropped), or "" when the text is no badge code: wrong shape, a character outside the
    // alphabet, a control character or too long.
    static QString Normalised(const QString& text);
    // The longest text a scanner may send for one code.
    static constexpr int kMaxLength = 24;
    // The stored code's length: "QV-XXXX-XXXX-XXXX".
    static constexpr int kLength = 17;

    // The participant's code, made and stored when there is none yet. Throws on a failed
    // write; "" for a participant who is not stored.
    QString CodeFor(int userId);
    // The same for many participants in one transaction, in the order of the ids.
    QHash<int, QString> CodesFor(const QList<int>& userIds);
    // Gives the participant a new code; the old one stops working and is remembered as
    // replaced. Returns the new code, "" for a participant who is not stored.
    QString Replace(int userId);

    enum class TKind { Found, Replaced, Unknown };
    struct TLookup {
        TKind kind = TKind::Unknown;
        int userId = 0;
    };
    // Whose badge a scanned text is. Reads only: a database without badge codes knows none.
    TLookup Find(const QString& text);

    // Every stored code with its participant, current and replaced (a station's list for when
    // the server is away).
    QHash<QString, TLookup> AllCodes();
    // Whether the database has badge codes at all. Reads only.
    bool HasCodes() { return Prepared(false); }

private:
    // Whether the database has the badge column; with create, adds it (and its index and the
    // table of replaced codes) where it is missing.
    bool Prepared(bool create);
    // A code stored nowhere yet, current or replaced.
    QString FreshCode();

    TConnection& m_conn;
    int m_prepared = -1; // unknown, 0 no, 1 yes
};
