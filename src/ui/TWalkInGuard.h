#pragma once

#include "import/TDuplicateGuard.h"

#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class TConnection;

// Shown under the fields of a new participant: while the name, e-mail, ZIP, phone or city is
// typed it names the people already on the list who match ("Already on the list? Anna Adams,
// anna@…"), and "That's me" (Alt+A) or a click picks the first of them instead of creating a
// second record.
class TWalkInGuard : public QWidget
{
    Q_OBJECT
public:
    // The edits are looked up in form by objectName: dbePartLastName, dbePartFirstName, dbeEmail,
    // dbePartZip, dbePartPhone, dbePartCity.
    TWalkInGuard(QWidget* form, QWidget* parent);

    // Reads the participants of the database; the guard then follows the typing until Stop.
    void Start(TConnection& conn);
    void Stop();
    // Looks for matches of what is typed now.
    void Check();
    // The user_ids matching what is typed, best first; empty while stopped.
    const QList<qint64>& Matches() const { return m_matches; }

Q_SIGNALS:
    void existingPicked(int userId);

private:
    QString Describe(qint64 userId) const;

    TConnection* m_conn = nullptr;
    TDuplicateIndex m_index;
    QList<qint64> m_matches;
    QLineEdit* m_last = nullptr;
    QLineEdit* m_first = nullptr;
    QLineEdit* m_email = nullptr;
    QLineEdit* m_zip = nullptr;
    QLineEdit* m_phone = nullptr;
    QLineEdit* m_city = nullptr;
    QLabel* lAlreadyListed = nullptr;
    QPushButton* bAlreadyListed = nullptr;
};
