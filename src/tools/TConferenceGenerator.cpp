#include "tools/TConferenceGenerator.h"

#include "tools/TRandom.h"

#include <QStringList>

#include <cmath>

namespace
{

const QStringList& Topics()
{
    static const QStringList topics = {QStringLiteral("Cardiology"),
                                       QStringLiteral("Diabetes Care"),
                                       QStringLiteral("Pediatric Asthma"),
                                       QStringLiteral("Emergency Medicine"),
                                       QStringLiteral("Oncology"),
                                       QStringLiteral("Infectious Disease"),
                                       QStringLiteral("Pain Management"),
                                       QStringLiteral("Geriatric Care"),
                                       QStringLiteral("Women's Health"),
                                       QStringLiteral("Behavioral Health"),
                                       QStringLiteral("Stroke Care"),
                                       QStringLiteral("Sleep Medicine"),
                                       QStringLiteral("Antimicrobial Stewardship"),
                                       QStringLiteral("Wound Care"),
                                       QStringLiteral("Hypertension"),
                                       QStringLiteral("Dermatology"),
                                       QStringLiteral("Clinical Nutrition"),
                                       QStringLiteral("Safe Opioid Prescribing"),
                                       QStringLiteral("Sepsis Management"),
                                       QStringLiteral("Heart Failure"),
                                       QStringLiteral("Immunization"),
                                       QStringLiteral("Patient Safety"),
                                       QStringLiteral("Critical Care Nursing"),
                                       QStringLiteral("Pharmacotherapy")};
    return topics;
}

const QStringList& SeriesNames()
{
    static const QStringList series = {QStringLiteral("Grand Rounds"),
                                       QStringLiteral("Annual Symposium"),
                                       QStringLiteral("Evening Lecture Series"),
                                       QStringLiteral("Hands-on Workshops"),
                                       QStringLiteral("Primary Care Forum"),
                                       QStringLiteral("Nursing Education Days"),
                                       QStringLiteral("Pharmacy Continuing Education"),
                                       QStringLiteral("Morning Case Conference")};
    return series;
}

} // namespace

TConferenceGenerator::TConferenceGenerator(TRandom& random) : m_random(random) {}

QString TConferenceGenerator::StorageText(const QDateTime& value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

TConferenceGenerator::TConference TConferenceGenerator::Conference(const QDate& day)
{
    QDate date = day;
    if (date.dayOfWeek() == Qt::Saturday)
        date = date.addDays(-1);
    else if (date.dayOfWeek() == Qt::Sunday)
        date = date.addDays(1);

    TConference c;
    const QString topic = m_random.Pick(Topics());
    const QString year = QString::number(date.year());
    switch (m_random.Between(0, 7)) {
    case 0:
    case 1:
        c.name = topic + QStringLiteral(" Update ") + year;
        break;
    case 2:
        c.name = QStringLiteral("Advances in ") + topic + u' ' + year;
        break;
    case 3:
        c.name = topic + QStringLiteral(" Grand Rounds");
        c.series = QStringLiteral("Grand Rounds");
        break;
    case 4:
        c.name = QStringLiteral("Practical ") + topic + QStringLiteral(" Workshop");
        c.series = QStringLiteral("Hands-on Workshops");
        break;
    case 5:
        c.name = topic + QStringLiteral(": Cases and Controversies");
        break;
    case 6:
        c.name = QStringLiteral("Annual ") + topic + QStringLiteral(" Symposium ") + year;
        c.series = QStringLiteral("Annual Symposium");
        break;
    default:
        c.name = topic + QStringLiteral(": What Primary Care Needs to Know");
        c.series = QStringLiteral("Primary Care Forum");
        break;
    }
    if (c.series.isEmpty() && m_random.Chance(0.85))
        c.series = m_random.Pick(SeriesNames());

    // Short sessions are the common case; full days are rarer.
    const int quarters = m_random.Chance(0.6) ? m_random.Between(0, 12) : m_random.Between(0, 28);
    c.units = 1 + quarters * 0.25;

    const QTime start = QTime(8, 0).addSecs(m_random.Between(0, 8) * 15 * 60);
    c.begin = QDateTime(date, start);
    // The session itself, rounded up to the half hour, plus a lunch break for long days.
    int minutes = static_cast<int>(std::ceil(c.units * 2)) * 30;
    if (c.units > 4)
        minutes += 60;
    c.end = c.begin.addSecs(minutes * 60);
    return c;
}
