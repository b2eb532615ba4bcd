#include "tools/TReferenceLists.h"

QStringList TReferenceLists::Credits()
{
    return {QStringLiteral("CME"),  QStringLiteral("AMA-1"), QStringLiteral("ANCC"),
            QStringLiteral("AAFP"), QStringLiteral("ACPE"),  QStringLiteral("CEU")};
}

QStringList TReferenceLists::Titles()
{
    return {QStringLiteral("MD"), QStringLiteral("DO"),   QStringLiteral("RN"),
            QStringLiteral("NP"), QStringLiteral("PA-C"), QStringLiteral("PharmD"),
            QStringLiteral("PhD")};
}

QStringList TReferenceLists::Specialities()
{
    return {QStringLiteral("Cardiology"),
            QStringLiteral("Family Medicine"),
            QStringLiteral("Internal Medicine"),
            QStringLiteral("Pediatrics"),
            QStringLiteral("Emergency Medicine"),
            QStringLiteral("Oncology"),
            QStringLiteral("Neurology"),
            QStringLiteral("Psychiatry"),
            QStringLiteral("Obstetrics and Gynecology"),
            QStringLiteral("Anesthesiology"),
            QStringLiteral("Pharmacy"),
            QStringLiteral("Nursing")};
}

QStringList TReferenceLists::Extras()
{
    return {QStringLiteral("Lunch provided"),
            QStringLiteral("Hands-on workshop"),
            QStringLiteral("Breakfast provided"),
            QStringLiteral("Parking validated at the front desk"),
            QStringLiteral("Handouts available online"),
            QStringLiteral("Live webcast"),
            QStringLiteral("Case discussions"),
            QStringLiteral("Poster session"),
            QStringLiteral("Panel Q&A with the speakers"),
            QStringLiteral("Evaluation form required for credit")};
}
