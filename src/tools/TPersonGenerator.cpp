#include "tools/TPersonGenerator.h"

#include "tools/TRandom.h"

#include <cmath>

namespace
{

struct TCity {
    const char* name;
    const char* state;
    const char* zipPrefix;
};

const QList<TCity>& Cities()
{
    static const QList<TCity> cities = {
        {"Springfield", "IL", "627"}, {"Boston", "MA", "021"},    {"Chicago", "IL", "606"},
        {"Columbus", "OH", "432"},    {"Denver", "CO", "802"},    {"Portland", "OR", "972"},
        {"Austin", "TX", "787"},      {"Madison", "WI", "537"},   {"Rochester", "MN", "559"},
        {"Nashville", "TN", "372"},   {"Albany", "NY", "122"},    {"Sacramento", "CA", "958"},
        {"Raleigh", "NC", "276"},     {"Richmond", "VA", "232"},  {"Hartford", "CT", "061"},
        {"Des Moines", "IA", "503"},  {"Omaha", "NE", "681"},     {"Baltimore", "MD", "212"},
        {"Pittsburgh", "PA", "152"},  {"St. Louis", "MO", "631"}, {"Coeur d'Alene", "ID", "838"},
        {"Santa Fe", "NM", "875"},    {"Ann Arbor", "MI", "481"}, {"Burlington", "VT", "054"},
        {"Peoria", "IL", "616"},      {"Evanston", "IL", "602"},  {"Naperville", "IL", "605"},
    };
    return cities;
}

const QStringList& Streets()
{
    static const QStringList streets = {
        QStringLiteral("Maple"),     QStringLiteral("Oak"),
        QStringLiteral("Elm"),       QStringLiteral("Cedar"),
        QStringLiteral("Pine"),      QStringLiteral("Washington"),
        QStringLiteral("Lincoln"),   QStringLiteral("Park"),
        QStringLiteral("Lake"),      QStringLiteral("Hill"),
        QStringLiteral("Main"),      QStringLiteral("Church"),
        QStringLiteral("Mill"),      QStringLiteral("River"),
        QStringLiteral("Sunset"),    QStringLiteral("Highland"),
        QStringLiteral("Chestnut"),  QStringLiteral("Walnut"),
        QStringLiteral("Jefferson"), QStringLiteral("Prairie"),
        QStringLiteral("Lakeshore"), QStringLiteral("Martin Luther King Jr."),
        QStringLiteral("St. Clair"), QStringLiteral("O'Hara")};
    return streets;
}

const QStringList& StreetKinds()
{
    static const QStringList kinds = {
        QStringLiteral("Street"),    QStringLiteral("Avenue"), QStringLiteral("Road"),
        QStringLiteral("Lane"),      QStringLiteral("Drive"),  QStringLiteral("Court"),
        QStringLiteral("Boulevard"), QStringLiteral("Way"),    QStringLiteral("Place")};
    return kinds;
}

const QStringList& Domains()
{
    static const QStringList domains = {
        QStringLiteral("example.org"),          QStringLiteral("example.com"),
        QStringLiteral("example.net"),          QStringLiteral("mail.example.org"),
        QStringLiteral("hospital.example.org"), QStringLiteral("clinic.example.com")};
    return domains;
}

const QStringList& Institutions()
{
    static const QStringList institutions = {QStringLiteral("Riverside Medical Center"),
                                             QStringLiteral("St. Mary's Hospital"),
                                             QStringLiteral("University Hospital"),
                                             QStringLiteral("Children's Hospital"),
                                             QStringLiteral("Mercy Health System"),
                                             QStringLiteral("Lakeside Family Clinic"),
                                             QStringLiteral("Memorial Heart Institute"),
                                             QStringLiteral("State University School of Medicine"),
                                             QStringLiteral("College of Pharmacy"),
                                             QStringLiteral("Regional Cancer Center"),
                                             QStringLiteral("Valley Rehabilitation Hospital"),
                                             QStringLiteral("School of Nursing")};
    return institutions;
}

// Syllables for composed last names: "Kelford", "Ashworth", "Brandley" ...
const QStringList& NameStarts()
{
    static const QStringList starts = {
        QStringLiteral("Bar"),  QStringLiteral("Ber"),   QStringLiteral("Cal"),
        QStringLiteral("Dor"),  QStringLiteral("Fen"),   QStringLiteral("Gar"),
        QStringLiteral("Hal"),  QStringLiteral("Kel"),   QStringLiteral("Lan"),
        QStringLiteral("Mar"),  QStringLiteral("Nor"),   QStringLiteral("Pem"),
        QStringLiteral("Ros"),  QStringLiteral("Sal"),   QStringLiteral("Tor"),
        QStringLiteral("Wel"),  QStringLiteral("Ash"),   QStringLiteral("Brad"),
        QStringLiteral("Carr"), QStringLiteral("Dun"),   QStringLiteral("Ell"),
        QStringLiteral("Hart"), QStringLiteral("Kings"), QStringLiteral("Mill"),
        QStringLiteral("Stan"), QStringLiteral("Whit"),  QStringLiteral("Lind"),
        QStringLiteral("Holm"), QStringLiteral("Cran"),  QStringLiteral("Pres"),
        QStringLiteral("Ol"),   QStringLiteral("Ul"),    QStringLiteral("Ever"),
        QStringLiteral("Quin"), QStringLiteral("Vick"),  QStringLiteral("Yar"),
        QStringLiteral("Zell"), QStringLiteral("Ing"),   QStringLiteral("Jas"),
        QStringLiteral("Ab")};
    return starts;
}

const QStringList& NameEnds()
{
    static const QStringList ends = {
        QStringLiteral("ton"),   QStringLiteral("son"),   QStringLiteral("ley"),
        QStringLiteral("field"), QStringLiteral("wood"),  QStringLiteral("man"),
        QStringLiteral("er"),    QStringLiteral("ford"),  QStringLiteral("well"),
        QStringLiteral("by"),    QStringLiteral("worth"), QStringLiteral("ridge"),
        QStringLiteral("more"),  QStringLiteral("ham"),   QStringLiteral("stead")};
    return ends;
}

} // namespace

const QStringList& TPersonGenerator::LastNames()
{
    // Roughly in order of how common the names are; the skew of LastName() relies on it.
    static const QStringList names = {
        QStringLiteral("Smith"),        QStringLiteral("Johnson"),    QStringLiteral("Williams"),
        QStringLiteral("Brown"),        QStringLiteral("Jones"),      QStringLiteral("Garcia"),
        QStringLiteral("Miller"),       QStringLiteral("Davis"),      QStringLiteral("Rodriguez"),
        QStringLiteral("Martinez"),     QStringLiteral("Hernandez"),  QStringLiteral("Lopez"),
        QStringLiteral("Gonzalez"),     QStringLiteral("Wilson"),     QStringLiteral("Anderson"),
        QStringLiteral("Thomas"),       QStringLiteral("Taylor"),     QStringLiteral("Moore"),
        QStringLiteral("Jackson"),      QStringLiteral("Martin"),     QStringLiteral("Lee"),
        QStringLiteral("Perez"),        QStringLiteral("Thompson"),   QStringLiteral("White"),
        QStringLiteral("Harris"),       QStringLiteral("Sanchez"),    QStringLiteral("Clark"),
        QStringLiteral("Ramirez"),      QStringLiteral("Lewis"),      QStringLiteral("Robinson"),
        QStringLiteral("Walker"),       QStringLiteral("Young"),      QStringLiteral("Allen"),
        QStringLiteral("King"),         QStringLiteral("Wright"),     QStringLiteral("Scott"),
        QStringLiteral("Torres"),       QStringLiteral("Nguyen"),     QStringLiteral("Hill"),
        QStringLiteral("Flores"),       QStringLiteral("Green"),      QStringLiteral("Adams"),
        QStringLiteral("Nelson"),       QStringLiteral("Baker"),      QStringLiteral("Hall"),
        QStringLiteral("Rivera"),       QStringLiteral("Campbell"),   QStringLiteral("Mitchell"),
        QStringLiteral("Carter"),       QStringLiteral("Roberts"),    QStringLiteral("Gomez"),
        QStringLiteral("Phillips"),     QStringLiteral("Evans"),      QStringLiteral("Turner"),
        QStringLiteral("Diaz"),         QStringLiteral("Parker"),     QStringLiteral("Cruz"),
        QStringLiteral("Edwards"),      QStringLiteral("Collins"),    QStringLiteral("Reyes"),
        QStringLiteral("Stewart"),      QStringLiteral("Morris"),     QStringLiteral("Morales"),
        QStringLiteral("Murphy"),       QStringLiteral("Cook"),       QStringLiteral("Rogers"),
        QStringLiteral("Gutierrez"),    QStringLiteral("Ortiz"),      QStringLiteral("Morgan"),
        QStringLiteral("Cooper"),       QStringLiteral("Peterson"),   QStringLiteral("Bailey"),
        QStringLiteral("Reed"),         QStringLiteral("Kelly"),      QStringLiteral("Howard"),
        QStringLiteral("Ramos"),        QStringLiteral("Kim"),        QStringLiteral("Cox"),
        QStringLiteral("Ward"),         QStringLiteral("Richardson"), QStringLiteral("Watson"),
        QStringLiteral("Brooks"),       QStringLiteral("Chavez"),     QStringLiteral("Wood"),
        QStringLiteral("James"),        QStringLiteral("Bennett"),    QStringLiteral("Gray"),
        QStringLiteral("Mendoza"),      QStringLiteral("Ruiz"),       QStringLiteral("Hughes"),
        QStringLiteral("Price"),        QStringLiteral("Alvarez"),    QStringLiteral("Castillo"),
        QStringLiteral("Sanders"),      QStringLiteral("Patel"),      QStringLiteral("Myers"),
        QStringLiteral("Long"),         QStringLiteral("Ross"),       QStringLiteral("Foster"),
        QStringLiteral("Jimenez"),      QStringLiteral("Powell"),     QStringLiteral("Jenkins"),
        QStringLiteral("Perry"),        QStringLiteral("Russell"),    QStringLiteral("Sullivan"),
        QStringLiteral("Bell"),         QStringLiteral("Coleman"),    QStringLiteral("Butler"),
        QStringLiteral("Henderson"),    QStringLiteral("Barnes"),     QStringLiteral("Fisher"),
        QStringLiteral("Vasquez"),      QStringLiteral("Simmons"),    QStringLiteral("Romero"),
        QStringLiteral("Jordan"),       QStringLiteral("Patterson"),  QStringLiteral("Alexander"),
        QStringLiteral("Hamilton"),     QStringLiteral("Graham"),     QStringLiteral("Reynolds"),
        QStringLiteral("Griffin"),      QStringLiteral("Wallace"),    QStringLiteral("Moreno"),
        QStringLiteral("West"),         QStringLiteral("Cole"),       QStringLiteral("Hayes"),
        QStringLiteral("Bryant"),       QStringLiteral("Herrera"),    QStringLiteral("Gibson"),
        QStringLiteral("Ellis"),        QStringLiteral("Tran"),       QStringLiteral("Medina"),
        QStringLiteral("Aguilar"),      QStringLiteral("Stevens"),    QStringLiteral("Murray"),
        QStringLiteral("Ford"),         QStringLiteral("Castro"),     QStringLiteral("Marshall"),
        QStringLiteral("Owens"),        QStringLiteral("Harrison"),   QStringLiteral("Fernandez"),
        QStringLiteral("McDonald"),     QStringLiteral("Woods"),      QStringLiteral("Washington"),
        QStringLiteral("Kennedy"),      QStringLiteral("Wells"),      QStringLiteral("Vargas"),
        QStringLiteral("Henry"),        QStringLiteral("Chen"),       QStringLiteral("Freeman"),
        QStringLiteral("Webb"),         QStringLiteral("Tucker"),     QStringLiteral("Guzman"),
        QStringLiteral("Burns"),        QStringLiteral("Crawford"),   QStringLiteral("Olson"),
        QStringLiteral("Simpson"),      QStringLiteral("Porter"),     QStringLiteral("Hunter"),
        QStringLiteral("Gordon"),       QStringLiteral("Mendez"),     QStringLiteral("Silva"),
        QStringLiteral("Shaw"),         QStringLiteral("Snyder"),     QStringLiteral("Mason"),
        QStringLiteral("Dixon"),        QStringLiteral("Muñoz"),      QStringLiteral("Hunt"),
        QStringLiteral("Hicks"),        QStringLiteral("Holmes"),     QStringLiteral("Palmer"),
        QStringLiteral("Wagner"),       QStringLiteral("Black"),      QStringLiteral("Robertson"),
        QStringLiteral("Boyd"),         QStringLiteral("Rose"),       QStringLiteral("Stone"),
        QStringLiteral("Salazar"),      QStringLiteral("Fox"),        QStringLiteral("Warren"),
        QStringLiteral("Mills"),        QStringLiteral("Meyer"),      QStringLiteral("Rice"),
        QStringLiteral("Schmidt"),      QStringLiteral("O'Brien"),    QStringLiteral("O'Connor"),
        QStringLiteral("O'Neill"),      QStringLiteral("D'Angelo"),   QStringLiteral("D'Souza"),
        QStringLiteral("Müller"),       QStringLiteral("Schröder"),   QStringLiteral("Østberg"),
        QStringLiteral("Ødegaard"),     QStringLiteral("Björklund"),  QStringLiteral("Lindqvist"),
        QStringLiteral("García-López"), QStringLiteral("Núñez"),      QStringLiteral("Peña"),
        QStringLiteral("Ibáñez"),       QStringLiteral("Côté"),       QStringLiteral("Lefèvre"),
        QStringLiteral("Dubois"),       QStringLiteral("Kowalski"),   QStringLiteral("Nowak"),
        QStringLiteral("Wiśniewski"),   QStringLiteral("Dvořák"),     QStringLiteral("Yılmaz"),
        QStringLiteral("Papadopoulos"), QStringLiteral("Rossi"),      QStringLiteral("Esposito"),
        QStringLiteral("Van der Berg"), QStringLiteral("De la Cruz"), QStringLiteral("MacLeod"),
        QStringLiteral("McAllister"),   QStringLiteral("FitzGerald"), QStringLiteral("Okafor"),
        QStringLiteral("Mensah"),       QStringLiteral("Haddad"),     QStringLiteral("Khan"),
        QStringLiteral("Singh"),        QStringLiteral("Sato"),       QStringLiteral("Tanaka"),
        QStringLiteral("Yamamoto"),     QStringLiteral("Park"),       QStringLiteral("Choi"),
        QStringLiteral("Wang"),         QStringLiteral("Li"),         QStringLiteral("Zhang"),
        QStringLiteral("Liu"),          QStringLiteral("Huang"),      QStringLiteral("Pham"),
        QStringLiteral("Le"),           QStringLiteral("Cohen"),      QStringLiteral("Levy"),
        QStringLiteral("Friedman"),     QStringLiteral("Goldberg"),   QStringLiteral("Petrov"),
        QStringLiteral("Novikova"),     QStringLiteral("Ivanescu"),   QStringLiteral("Quinn"),
        QStringLiteral("Underwood"),    QStringLiteral("Xiong"),      QStringLiteral("Zimmerman")};
    return names;
}

const QStringList& TPersonGenerator::FirstNames()
{
    static const QStringList names = {
        QStringLiteral("James"),     QStringLiteral("Mary"),      QStringLiteral("John"),
        QStringLiteral("Patricia"),  QStringLiteral("Robert"),    QStringLiteral("Jennifer"),
        QStringLiteral("Michael"),   QStringLiteral("Linda"),     QStringLiteral("William"),
        QStringLiteral("Elizabeth"), QStringLiteral("David"),     QStringLiteral("Barbara"),
        QStringLiteral("Richard"),   QStringLiteral("Susan"),     QStringLiteral("Joseph"),
        QStringLiteral("Jessica"),   QStringLiteral("Thomas"),    QStringLiteral("Sarah"),
        QStringLiteral("Charles"),   QStringLiteral("Karen"),     QStringLiteral("Christopher"),
        QStringLiteral("Nancy"),     QStringLiteral("Daniel"),    QStringLiteral("Lisa"),
        QStringLiteral("Matthew"),   QStringLiteral("Margaret"),  QStringLiteral("Anthony"),
        QStringLiteral("Sandra"),    QStringLiteral("Mark"),      QStringLiteral("Ashley"),
        QStringLiteral("Steven"),    QStringLiteral("Kimberly"),  QStringLiteral("Paul"),
        QStringLiteral("Emily"),     QStringLiteral("Andrew"),    QStringLiteral("Donna"),
        QStringLiteral("Joshua"),    QStringLiteral("Michelle"),  QStringLiteral("Kevin"),
        QStringLiteral("Carol"),     QStringLiteral("Brian"),     QStringLiteral("Amanda"),
        QStringLiteral("George"),    QStringLiteral("Melissa"),   QStringLiteral("Edward"),
        QStringLiteral("Deborah"),   QStringLiteral("Ronald"),    QStringLiteral("Stephanie"),
        QStringLiteral("Timothy"),   QStringLiteral("Rebecca"),   QStringLiteral("Jason"),
        QStringLiteral("Laura"),     QStringLiteral("Ryan"),      QStringLiteral("Helen"),
        QStringLiteral("Jacob"),     QStringLiteral("Sharon"),    QStringLiteral("Gary"),
        QStringLiteral("Cynthia"),   QStringLiteral("Nicholas"),  QStringLiteral("Kathleen"),
        QStringLiteral("Eric"),      QStringLiteral("Amy"),       QStringLiteral("Jonathan"),
        QStringLiteral("Angela"),    QStringLiteral("Stephen"),   QStringLiteral("Anna"),
        QStringLiteral("Larry"),     QStringLiteral("Ruth"),      QStringLiteral("Justin"),
        QStringLiteral("Brenda"),    QStringLiteral("Scott"),     QStringLiteral("Pamela"),
        QStringLiteral("Benjamin"),  QStringLiteral("Nicole"),    QStringLiteral("Samuel"),
        QStringLiteral("Katherine"), QStringLiteral("Gregory"),   QStringLiteral("Virginia"),
        QStringLiteral("José"),      QStringLiteral("Zoë"),       QStringLiteral("Renée"),
        QStringLiteral("Søren"),     QStringLiteral("François"),  QStringLiteral("Björn"),
        QStringLiteral("Chloé"),     QStringLiteral("Anaïs"),     QStringLiteral("Jürgen"),
        QStringLiteral("Åsa"),       QStringLiteral("Siobhán"),   QStringLiteral("Seán"),
        QStringLiteral("Mary-Kate"), QStringLiteral("Ana María"), QStringLiteral("Priya"),
        QStringLiteral("Wei"),       QStringLiteral("Hiroshi"),   QStringLiteral("Fatima"),
        QStringLiteral("Ahmed"),     QStringLiteral("Olga"),      QStringLiteral("Ingrid"),
        QStringLiteral("Lars"),      QStringLiteral("Mei"),       QStringLiteral("Raj"),
        QStringLiteral("Aisha"),     QStringLiteral("Kwame"),     QStringLiteral("Chen"),
        QStringLiteral("Dmitri"),    QStringLiteral("Noémie"),    QStringLiteral("Matías"),
        QStringLiteral("Lucía"),     QStringLiteral("Grace"),     QStringLiteral("Olivia"),
        QStringLiteral("Liam"),      QStringLiteral("Noah"),      QStringLiteral("Emma"),
        QStringLiteral("Ava"),       QStringLiteral("Ethan"),     QStringLiteral("Sophia")};
    return names;
}

TPersonGenerator::TPersonGenerator(TRandom& random, double frequencySkew, double syntheticShare)
    : m_random(random), m_frequencySkew(frequencySkew), m_syntheticShare(syntheticShare)
{
}

QString TPersonGenerator::LastName()
{
    if (m_syntheticShare > 0 && m_random.Chance(m_syntheticShare))
        return m_random.Pick(NameStarts()) + m_random.Pick(NameEnds());
    const QStringList& names = LastNames();
    // A power of a uniform number leans towards the front of the list, where the common
    // names are; a skew of 1 keeps it even.
    const double position = std::pow(m_random.Uniform(), m_frequencySkew);
    const auto index = std::min(static_cast<qsizetype>(position * names.size()), names.size() - 1);
    return names.at(index);
}

QString TPersonGenerator::FirstName()
{
    return m_random.Pick(FirstNames());
}

QString TPersonGenerator::PhoneNumber()
{
    // A North American number: area code and exchange never start with 0 or 1; some are
    // stored with the leading country digit.
    QString digits = QString::number(m_random.Between(201, 989)) +
                     QString::number(m_random.Between(200, 999)) +
                     QStringLiteral("%1").arg(m_random.Between(0, 9999), 4, 10, QLatin1Char('0'));
    if (m_random.Chance(0.2))
        digits.prepend(u'1');
    return digits;
}

QString TPersonGenerator::MailboxName(const QString& firstName, const QString& lastName)
{
    auto fold = [](const QString& name) {
        QString folded;
        for (QChar c : name.normalized(QString::NormalizationForm_D)) {
            const char16_t u = c.toLower().unicode();
            if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'-')
                folded += QChar(u);
            else if (u == u'ø')
                folded += u'o';
            else if (u == u'æ')
                folded += QStringLiteral("ae");
            else if (u == u'ß')
                folded += QStringLiteral("ss");
            else if (u == u'ł')
                folded += u'l';
            else if (u == u'ı')
                folded += u'i';
        }
        return folded;
    };
    return QString(fold(firstName) + u'.' + fold(lastName)).left(36);
}

TPersonGenerator::TPerson TPersonGenerator::Participant(int titleCount, int specialityCount)
{
    TPerson p;
    p.firstName = FirstName();
    p.lastName = LastName();

    const TCity& city = m_random.Pick(Cities());
    p.address = QStringLiteral("%1 %2 %3")
                    .arg(m_random.Between(1, 9899))
                    .arg(m_random.Pick(Streets()), m_random.Pick(StreetKinds()));
    if (m_random.Chance(0.15))
        p.address += m_random.Chance(0.5)
                         ? QStringLiteral(", Apt %1").arg(m_random.Between(1, 40))
                         : QStringLiteral(", Suite %1").arg(m_random.Between(1, 9) * 100);
    p.city = QString::fromUtf8(city.name);
    p.state = QString::fromLatin1(city.state);
    p.zip = QString::fromLatin1(city.zipPrefix) +
            QStringLiteral("%1").arg(m_random.Between(1, 99), 2, 10, QLatin1Char('0'));
    if (m_random.Chance(0.15))
        p.zip += QStringLiteral("-%1").arg(m_random.Between(1, 9999), 4, 10, QLatin1Char('0'));

    if (m_random.Chance(0.95))
        p.phone = PhoneNumber();
    if (m_random.Chance(0.3))
        p.fax = PhoneNumber();

    const bool hasEmail = m_random.Chance(0.88);
    if (hasEmail)
        p.email = MailboxName(p.firstName, p.lastName) + u'@' + m_random.Pick(Domains());
    else if (m_random.Chance(0.5))
        p.email = QStringLiteral(""); // cleared in a form rather than never typed

    p.titleId = titleCount > 0 && m_random.Chance(0.85) ? m_random.Between(1, titleCount) : 0;
    p.specId =
        specialityCount > 0 && m_random.Chance(0.8) ? m_random.Between(1, specialityCount) : 0;

    // Most want e-mail; some of those have no address, as real registers do.
    const double roll = m_random.Uniform();
    if (hasEmail)
        p.mailType = roll < 0.7 ? 1 : (roll < 0.9 ? 2 : 3);
    else
        p.mailType = roll < 0.25 ? 1 : (roll < 0.85 ? 2 : 3);
    if (p.mailType == 3 && p.fax.isNull())
        p.fax = PhoneNumber();
    return p;
}

TPersonGenerator::TPerson TPersonGenerator::Speaker(const QStringList& titles)
{
    TPerson p;
    p.firstName = FirstName();
    p.lastName = LastName();
    const TCity& city = m_random.Pick(Cities());
    p.place = QStringLiteral("%1, %2, %3")
                  .arg(m_random.Pick(Institutions()), QString::fromUtf8(city.name),
                       QString::fromLatin1(city.state));
    static const QStringList teaching = {
        QStringLiteral("MD"),     QStringLiteral("MD"), QStringLiteral("DO"), QStringLiteral("PhD"),
        QStringLiteral("PharmD"), QStringLiteral("NP"), QStringLiteral("RN")};
    if (m_random.Chance(0.9)) {
        const qsizetype index = titles.indexOf(m_random.Pick(teaching));
        p.titleId = index >= 0 ? static_cast<int>(index) + 1 : 0;
    }
    return p;
}
