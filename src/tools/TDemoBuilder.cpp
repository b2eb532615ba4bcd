#include "tools/TDemoBuilder.h"

#include "tools/TConferenceGenerator.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "tools/TNewDatabase.h"
#include "tools/TPersonGenerator.h"
#include "tools/TRandom.h"
#include "tools/TReferenceLists.h"

#include <QDate>
#include <QSet>
#include <QVariant>

#include <cmath>

namespace
{

// Keeps the demonstration stable from run to run.
constexpr quint32 DemoSeed = 0x51a7e5u;

QVariant Nullable(const QString& text)
{
    return text.isNull() ? QVariant() : QVariant(text);
}

QVariant NullableId(int id)
{
    return id > 0 ? QVariant(id) : QVariant();
}

// Splits total into count parts proportional to weights, summing exactly to total.
// Registers one person for a conference a few weeks before it, as a registration form would.
template <typename Conference>
void Register(TConnection& conn, const Conference& conference, qint64 userId, TRandom& random)
{
    const QDateTime at = conference.begin.addDays(-random.Between(3, 40)).addSecs(
        random.Between(8 * 3600, 18 * 3600) - conference.begin.time().msecsSinceStartOfDay() / 1000);
    conn.Execute(QStringLiteral("insert into registrations (conf_id, user_id, "
                                "registered_at, source) values (?, ?, ?, 'import')"),
                 {conference.id, userId, TConferenceGenerator::StorageText(at)});
}

QList<int> Apportion(const QList<double>& weights, int total)
{
    double sum = 0;
    for (double w : weights)
        sum += w;
    QList<int> parts;
    double running = 0;
    int given = 0;
    for (double w : weights) {
        running += w;
        const int upTo = static_cast<int>(std::lround(total * running / sum));
        parts << upTo - given;
        given = upTo;
    }
    if (!parts.isEmpty())
        parts.last() += total - given;
    return parts;
}

} // namespace

TDemoBuilder::TDemoBuilder(int currentYear)
    : m_currentYear(currentYear > 0 ? currentYear : QDate::currentDate().year())
{
}

void TDemoBuilder::Build(const QString& folder)
{
    TNewDatabase target(folder);
    {
        TConnection conn;
        conn.OpenForCreate(target.Path());
        TNewDatabase::CreateSchema(conn);
        Fill(conn);
        conn.Close();
    }
    TConfig config(target.FilePath(QStringLiteral("quorvel.ini")));
    WriteSettings(config);
    config.Flush();
    target.Keep();
}

void TDemoBuilder::WriteSettings(TConfig& config)
{
    const QString mail = QStringLiteral("Mail");
    const QString smtp = QStringLiteral("SMTP");
    config.WriteString(mail, QStringLiteral("HandlerType"), QStringLiteral("1"));
    config.WriteString(mail, QStringLiteral("From"), QStringLiteral("cme-office@example.org"));
    config.WriteString(mail, QStringLiteral("Subject"),
                       QStringLiteral("Your continuing education transcript"));
    config.WriteString(smtp, QStringLiteral("Host"), QStringLiteral("localhost"));
    config.WriteString(smtp, QStringLiteral("Port"), QStringLiteral("25"));
    config.WriteString(smtp, QStringLiteral("AuthType"), QStringLiteral("0"));
    config.WriteString(smtp, QStringLiteral("UserName"), QString());
    config.WriteString(smtp, QStringLiteral("Password"), QString());
    config.WriteList(QStringLiteral("Body"),
                     {QStringLiteral("Dear participant,"), QString(),
                      QStringLiteral("please find attached your transcript of continuing "
                                     "education credits."),
                      QStringLiteral("Contact us if anything is missing or wrong."), QString(),
                      QStringLiteral("Kind regards,"), QStringLiteral("The CME Office")});
    config.WriteList(QStringLiteral("Header"),
                     {QStringLiteral("Riverside Medical Center"),
                      QStringLiteral("Office of Continuing Medical Education"),
                      QStringLiteral("1200 Harbor Boulevard, Springfield, IL 62701")});
    config.WriteList(QStringLiteral("Footer"),
                     {QStringLiteral("This transcript lists the activities recorded by the CME "
                                     "Office."),
                      QStringLiteral("Questions: cme-office@example.org, (217) 555-0142")});
}

void TDemoBuilder::Fill(TConnection& conn)
{
    TRandom random(DemoSeed);
    TPersonGenerator people(random, 1.0, 0.0);
    TConferenceGenerator generator(random);
    TTransaction transaction(conn);

    const QStringList titles = TReferenceLists::Titles();
    for (const QString& name : TReferenceLists::Credits())
        conn.Execute(QStringLiteral("insert into credits (c_name) values (?)"), {name});
    for (const QString& name : titles)
        conn.Execute(QStringLiteral("insert into titles (t_name) values (?)"), {name});
    const QStringList specialities = TReferenceLists::Specialities();
    for (const QString& name : specialities)
        conn.Execute(QStringLiteral("insert into specialities (s_name) values (?)"), {name});
    for (const QString& name : TReferenceLists::Extras())
        conn.Execute(QStringLiteral("insert into extras (e_name) values (?)"), {name});
    const int creditCount = static_cast<int>(TReferenceLists::Credits().size());
    const int extraCount = static_cast<int>(TReferenceLists::Extras().size());

    for (int i = 0; i < SpeakerCount; ++i) {
        const TPersonGenerator::TPerson s = people.Speaker(titles);
        conn.Execute(QStringLiteral("insert into speakers (last_name, first_name, place, "
                                    "title_id) values (?, ?, ?, ?)"),
                     {s.lastName, s.firstName, s.place, NullableId(s.titleId)});
    }

    // Conferences in date order, a third in each year, the odd ones in the current year.
    struct TStored {
        qint64 id;
        QDateTime begin;
    };
    QList<TStored> stored;
    for (int yearIndex = 0; yearIndex < 3; ++yearIndex) {
        const int year = m_currentYear - 2 + yearIndex;
        const int count = ConferenceCount / 3 + (yearIndex == 2 ? ConferenceCount % 3 : 0);
        const int step = 350 / std::max(count, 1);
        for (int i = 0; i < count; ++i) {
            const QDate day = QDate(year, 1, 8).addDays(i * step + random.Between(0, step - 3));
            const TConferenceGenerator::TConference c = generator.Conference(day);
            conn.Execute(QStringLiteral("insert into conferences (conf_name, begin_date, "
                                        "end_date, series, units) values (?, ?, ?, ?, ?)"),
                         {c.name, TConferenceGenerator::StorageText(c.begin),
                          TConferenceGenerator::StorageText(c.end), c.series, c.units});
            const qint64 id = conn.LastInsertRowId();
            stored.append({id, c.begin});
            for (int speaker : random.DistinctBetween(random.Between(1, 3), 1, SpeakerCount))
                conn.Execute(QStringLiteral("insert into conf_speakers (conf_id, speak_id) "
                                            "values (?, ?)"),
                             {id, speaker});
            for (int credit : random.DistinctBetween(random.Between(1, 3), 1, creditCount))
                conn.Execute(QStringLiteral("insert into conf_credits (conf_id, credit_id) "
                                            "values (?, ?)"),
                             {id, credit});
            for (int extra : random.DistinctBetween(random.Between(0, 2), 1, extraCount))
                conn.Execute(QStringLiteral("insert into conf_extras (conf_id, extra_id) "
                                            "values (?, ?)"),
                             {id, extra});
        }
    }

    // The first participants carry the names that show how the program copes with accents
    // and apostrophes; the rest are drawn, never the same person twice.
    const QStringList showcase = {QStringLiteral("O'Brien"),      QStringLiteral("Müller"),
                                  QStringLiteral("Østberg"),      QStringLiteral("D'Angelo"),
                                  QStringLiteral("García-López"), QStringLiteral("Van der Berg")};
    QSet<QString> names;
    QList<qint64> participantIds;
    while (participantIds.size() < ParticipantCount) {
        TPersonGenerator::TPerson p = people.Participant(static_cast<int>(titles.size()),
                                                         static_cast<int>(specialities.size()));
        if (participantIds.size() < showcase.size()) {
            p.lastName = showcase.at(participantIds.size());
            if (!p.email.isEmpty())
                p.email = TPersonGenerator::MailboxName(p.firstName, p.lastName) +
                          QStringLiteral("@example.org");
        }
        const QString key = p.lastName + u'\t' + p.firstName;
        if (names.contains(key))
            continue;
        names.insert(key);
        conn.Execute(QStringLiteral("insert into participants (last_name, first_name, address, "
                                    "city, state, zip, phone, email, title_id, spec_id, "
                                    "mail_type, fax) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                     {p.lastName, p.firstName, p.address, p.city, p.state, p.zip, Nullable(p.phone),
                      Nullable(p.email), NullableId(p.titleId), NullableId(p.specId), p.mailType,
                      Nullable(p.fax)});
        participantIds << conn.LastInsertRowId();
    }

    // Attendances: the past conferences share the total unevenly, and a core of regulars
    // (the front of the participant list) attends far more often than the rest.
    const int held = static_cast<int>(stored.size()) - UpcomingCount;
    QList<double> weights;
    for (int i = 0; i < held; ++i)
        weights << 0.4 + random.Uniform() * 1.2;
    const QList<int> counts = Apportion(weights, AttendanceCount);
    for (int i = 0; i < held; ++i) {
        const int wanted = std::min(counts.at(i), static_cast<int>(participantIds.size()));
        QSet<int> chosen;
        while (chosen.size() < wanted) {
            const double position = std::pow(random.Uniform(), 1.6);
            chosen.insert(static_cast<int>(position * participantIds.size()));
        }
        QList<int> ordered(chosen.begin(), chosen.end());
        std::sort(ordered.begin(), ordered.end());
        for (int index : ordered) {
            const QDateTime signIn = stored.at(i).begin.addSecs(random.Between(-45 * 60, 20 * 60));
            conn.Execute(QStringLiteral("insert into attendances (conf_id, user_id, "
                                        "sign_in_date) values (?, ?, ?)"),
                         {stored.at(i).id, participantIds.at(index),
                          TConferenceGenerator::StorageText(signIn)});
        }
        // The last conference held had a registration list: most who came, and some who did not.
        if (i == held - 1) {
            for (int index : ordered)
                if (random.Chance(0.85))
                    Register(conn, stored.at(i), participantIds.at(index), random);
            QSet<int> notCome;
            for (int n = 0; n < std::max(3, wanted / 6); ++n) {
                const int index = random.Between(0, static_cast<int>(participantIds.size()) - 1);
                if (!chosen.contains(index) && !notCome.contains(index)) {
                    notCome.insert(index);
                    Register(conn, stored.at(i), participantIds.at(index), random);
                }
            }
        }
    }
    // The coming conferences have registrants and nobody signed in yet.
    for (qsizetype i = std::max(held, 0); i < stored.size(); ++i)
        for (int index : random.DistinctBetween(random.Between(15, 40), 0,
                                                static_cast<int>(participantIds.size()) - 1))
            Register(conn, stored.at(i), participantIds.at(index), random);
    transaction.Commit();
}
