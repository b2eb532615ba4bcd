#pragma once

#include <QSet>
#include <QString>
#include <QVariant>

class TConfig;
class TDM;

// Who registered for the conference of the sign-in window: read at each opening, it marks
// their rows in the names list and tells a walk-in that they were not registered.
class TSignInRegistrations
{
public:
    explicit TSignInRegistrations(TDM& dm) : m_dm(dm) {}

    // The setting of the Configure page that lists the registrants first in the window.
    static bool RegistrantsFirst(const TConfig* config);
    static void SetRegistrantsFirst(TConfig& config, bool on);

    // Before the names list opens: with the setting on (and a database that keeps
    // registrations) the list also reads whether each person registered and shows the
    // registrants first, by name; otherwise it reads and sorts as it always did.
    void PrepareList();

    // Reads the registrants of the conference; none for a null id or a database without
    // registrations.
    void Load(const QVariant& confId);
    void Clear() { m_registered.clear(); }
    bool IsEmpty() const { return m_registered.isEmpty(); }
    bool Contains(int userId) const { return m_registered.contains(userId); }

    // The mark of a registered row of the names list (SignInParts): its background and its
    // tool tip "Registered"; null for other rows and roles.
    QVariant Mark(int row, int role) const;
    // "Signed in: <name>", or "Signed in (not registered): <name>" at a conference that has
    // registrants when this person is not one of them.
    QString SignedInLine(int userId, const QString& name) const;

private:
    TDM& m_dm;
    QSet<int> m_registered;
    // The list's own statement, kept while the registrants-first one is in use.
    QString m_plainSql;
};
