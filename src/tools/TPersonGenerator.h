#pragma once

#include <QString>
#include <QStringList>

class TRandom;

// Invents people for generated databases: names (with accents and apostrophes, as real lists
// have them), US postal addresses, digits-only phone and fax numbers, e-mail addresses at
// reserved example domains so no real mailbox is ever written to.
class TPersonGenerator
{
public:
    // A null text is stored as null; an id of 0 as null.
    struct TPerson {
        QString lastName;
        QString firstName;
        QString address;
        QString city;
        QString state;
        QString zip;
        QString phone;
        QString email;
        int titleId = 0;
        int specId = 0;
        int mailType = 1;
        QString fax;
        QString place; // speakers only
    };

    // frequencySkew 1 draws last names evenly from the list; larger values favour the common
    // names the way a real register does. syntheticShare is the share of last names composed
    // from syllables instead, which widens the set of distinct names for large tables.
    TPersonGenerator(TRandom& random, double frequencySkew, double syntheticShare);

    TPerson Participant(int titleCount, int specialityCount);
    // Name, place and title only; titles are those of people who teach.
    TPerson Speaker(const QStringList& titles);

    QString LastName();
    QString FirstName();
    QString PhoneNumber();
    // A plain ASCII mailbox name made of the person's names.
    static QString MailboxName(const QString& firstName, const QString& lastName);

    static const QStringList& LastNames();
    static const QStringList& FirstNames();

private:
    TRandom& m_random;
    double m_frequencySkew;
    double m_syntheticShare;
};
