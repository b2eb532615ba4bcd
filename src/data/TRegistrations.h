#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class TConnection;
class TDM;
class TDataSet;

// Who registered for which conference. A registration is not an attendance: it grants no
// credit, and the transcripts and units count attendances only. The data module owns one.
class TRegistrations : public QObject
{
    Q_OBJECT
public:
    // Creates ConfRegs as a detail of the data module's Conferences and opens it when the
    // database holds the table (a read-only older file may not).
    explicit TRegistrations(TDM& dm);

    struct TCounts
    {
        int registered = 0;
        int signedIn = 0; // every sign-in, registered or not
        int notCome = 0;  // registered and not signed in
    };

    // The registrants of the current conference, ordered by last and first name: conf_id,
    // user_id, registered_at, source, last_name, first_name.
    TDataSet* ConfRegs = nullptr;

    // False when the database has no registrations table (a read-only older file).
    bool Available() const { return m_available; }

    // Registers the pair unless it is there; true when a row was written. Runs inside the
    // caller's transaction when one is open.
    static bool Register(TConnection& conn, int confId, int userId, const QString& source);
    // Registers the current participant for the current conference and requeries ConfRegs.
    // Does nothing while either list has no stored current row.
    void RegisterCurrentParticipant(const QString& source);
    // Removes the pair (nothing when it is not there) and requeries ConfRegs.
    void Remove(int confId, int userId);
    // Reads the list of the current conference again.
    void Requery();

    static TCounts Counts(TConnection& conn, int confId);
    // "Registered 240 · Signed in 198 · Not come 42"
    static QString CountsText(const TCounts& counts);
    // Registered and not signed in: user_id, last_name, first_name, email, phone, by name.
    static QString NotComeSql(int confId);
    static QSet<int> RegisteredIds(TConnection& conn, int confId);
    bool IsRegistered(int confId, int userId) const;

private:
    TDM& m_dm;
    bool m_available = false;
};
