#include "support/TJetFixture.h"

#include <QDateTime>
#include <QProcess>

namespace TJetFixture
{

namespace
{

using J = TJetWriter;

QString Pick(const QStringList& list, int i)
{
    return list.at(i % list.size());
}

QVariant Maybe(bool present, const QVariant& value)
{
    return present ? value : QVariant();
}

} // namespace

void BuildOffice(TJetWriter& w, const TSize& size)
{
    w.AddTable("titles", {{"title_id", J::Long, 0, true}, {"t_name", J::Text, 15}});
    w.AddTable("specialities", {{"spec_id", J::Long, 0, true}, {"s_name", J::Text, 40}});
    w.AddTable("credits", {{"credit_id", J::Long, 0, true}, {"c_name", J::Text, 10}});
    w.AddTable("extras", {{"extra_id", J::Long, 0, true}, {"e_name", J::Text, 50}});
    w.AddTable("participants", {{"user_id", J::Long, 0, true},
                                {"last_name", J::Text, 30},
                                {"first_name", J::Text, 30},
                                {"address", J::Text, 100},
                                {"city", J::Text, 50},
                                {"state", J::Text, 2},
                                {"zip", J::Text, 10},
                                {"phone", J::Text, 12},
                                {"email", J::Text, 50},
                                {"title_id", J::Long},
                                {"spec_id", J::Long},
                                {"mail_type", J::Byte},
                                {"fax", J::Text, 12}});
    w.AddTable("conferences", {{"conf_id", J::Long, 0, true},
                               {"conf_name", J::Text, 100},
                               {"begin_date", J::DateTime},
                               {"end_date", J::DateTime},
                               {"series", J::Memo},
                               {"units", J::Currency}});
    w.AddTable("attendances",
               {{"conf_id", J::Long}, {"user_id", J::Long}, {"sign_in_date", J::DateTime}});
    w.AddTable("speakers", {{"speak_id", J::Long, 0, true},
                            {"last_name", J::Text, 30},
                            {"first_name", J::Text, 30},
                            {"place", J::Text, 100},
                            {"title_id", J::Long}});
    w.AddTable("conf_speakers", {{"conf_id", J::Long}, {"speak_id", J::Long}});
    w.AddTable("conf_credits", {{"conf_id", J::Long}, {"credit_id", J::Long}});
    w.AddTable("conf_extras", {{"conf_id", J::Long}, {"extra_id", J::Long}});

    const QStringList titles{"MD", "DO", "RN", "PhD", "Dr. med.", "先生"};
    for (int i = 0; i < titles.size(); ++i)
        w.AddRow("titles", {i + 1, titles.at(i)});
    const QStringList specialities{
        "Cardiology", "Kardiologie für Ärzte", "Pédiatrie", "内科",
        "Neurology",  "Chirurgie générale",    "Oncology",  "Dermatología"};
    for (int i = 0; i < specialities.size(); ++i)
        w.AddRow("specialities", {i + 1, specialities.at(i)});
    const QStringList credits{"CME", "CEU", "AMA PRA"};
    for (int i = 0; i < credits.size(); ++i)
        w.AddRow("credits", {i + 1, credits.at(i)});
    const QStringList extras{"Lunch", "Parking \U0001F17F", "Handouts – printed", "Zertifikat"};
    for (int i = 0; i < extras.size(); ++i)
        w.AddRow("extras", {i + 1, extras.at(i)});

    const QStringList last{"Müller", "García", "Øster",    "李",      "Nguyễn", "O'Brien",
                           "Smith",  "Dvořák", "Ångström", "Smile 😀", "Żółć",   "Björk"};
    const QStringList first{"Anna", "José",    "Zoë", "伟",    "Thảo",  "Seán",
                            "John", "Antonín", "Åsa", "Joy 🎉", "Łucja", "Sigrún"};
    const QStringList cities{"Köln", "東京", "Paris", "New York", "São Paulo", "Zürich"};
    for (int i = 1; i <= size.participants; ++i)
        w.AddRow("participants",
                 {i, Pick(last, i), Pick(first, i / 3), QString("%1 Main Street").arg(i),
                  Pick(cities, i), Maybe(i % 4 != 0, "NY"), QString("%1").arg(10000 + i),
                  QString("555%1").arg(1000000 + i), QString("p%1@example.org").arg(i),
                  Maybe(i % 7 != 0, 1 + i % int(titles.size())),
                  Maybe(i % 5 != 0, 1 + i % int(specialities.size())), 1 + i % 3,
                  Maybe(i % 6 == 0, QString("555%1").arg(2000000 + i))});

    const QDateTime start(QDate(2003, 1, 6), QTime(9, 0));
    QList<QDateTime> begins;
    for (int i = 1; i <= size.conferences; ++i) {
        const QDateTime begin = start.addDays(i * 3).addSecs((i % 4) * 900 + i % 60);
        begins << begin;
        w.AddRow("conferences",
                 {i, QString("Conference %1 – Kardiologie").arg(i), begin,
                  Maybe(i % 10 != 0, begin.addSecs(3 * 3600)),
                  Maybe(i % 3 != 0, QString("Series %1 — Fortbildung für Ärzte").arg(i % 17)),
                  double(i % 400) / 4.0});
    }
    for (int k = 0; k < size.attendances; ++k) {
        const int c = k % size.conferences;
        const int user = 1 + (k / size.conferences + c * 7) % size.participants;
        w.AddRow("attendances",
                 {c + 1, user, Maybe(k % 97 != 0, begins.at(c).addSecs(-60 - k % 600))});
    }
    for (int i = 1; i <= 20; ++i)
        w.AddRow("speakers",
                 {i, Pick(last, i + 3), Pick(first, i), Maybe(i % 4 != 0, Pick(cities, i)),
                  Maybe(i % 3 != 0, 1 + i % int(titles.size()))});
    for (int c = 1; c <= size.conferences; ++c) {
        w.AddRow("conf_speakers", {c, 1 + c % 20});
        if ((c * 3) % 20 != c % 20)
            w.AddRow("conf_speakers", {c, 1 + (c * 3) % 20});
        w.AddRow("conf_credits", {c, 1 + c % int(credits.size())});
        if (c % 2 == 0)
            w.AddRow("conf_extras", {c, 1 + c % int(extras.size())});
    }
}

QByteArray Run(const QString& program, const QStringList& arguments, bool* ok)
{
    QProcess process;
    process.start(program, arguments);
    const bool done = process.waitForFinished(120000) &&
                      process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (ok)
        *ok = done;
    return done ? process.readAllStandardOutput() : QByteArray();
}

QString CheckWithMdbTools(const TJetWriter& writer, const QString& path)
{
    bool ok = false;
    const QStringList listed =
        QString::fromUtf8(Run("mdb-tables", {"-1", path}, &ok)).split('\n', Qt::SkipEmptyParts);
    if (!ok)
        return "mdb-tables cannot read the file";
    if (listed != writer.TableNames())
        return "mdb-tables lists " + listed.join(',');
    const QString schema = QString::fromUtf8(Run("mdb-schema", {path}, &ok));
    if (!ok)
        return "mdb-schema cannot read the file";
    for (const QString& table : writer.TableNames()) {
        if (!schema.contains("CREATE TABLE [" + table + "]"))
            return "mdb-schema lacks " + table;
        const QStringList lines =
            QString::fromUtf8(Run("mdb-export",
                                  {"-H", "-Q", "-d", "|", "-T", "%Y-%m-%d %H:%M:%S", path, table},
                                  &ok))
                .split('\n', Qt::SkipEmptyParts);
        if (!ok)
            return "mdb-export cannot read " + table;
        const QList<QVariantList> rows = writer.Rows(table);
        if (lines.size() != rows.size())
            return QString("mdb-export gives %1 rows of %2, not %3")
                .arg(lines.size())
                .arg(table)
                .arg(rows.size());
        for (int r = 0; r < rows.size(); ++r) {
            QStringList expected;
            for (const QVariant& v : rows.at(r)) {
                if (v.isNull())
                    expected << QString();
                else if (v.typeId() == QMetaType::QDateTime)
                    expected << v.toDateTime().toString("yyyy-MM-dd HH:mm:ss");
                else if (v.typeId() == QMetaType::Double)
                    expected << QString::number(v.toDouble(), 'f', 4);
                else {
                    // libmdb's text conversion shows each half of a character outside the basic
                    // plane as a question mark.
                    QString text = v.toString();
                    for (QChar& ch : text)
                        if (ch.isSurrogate())
                            ch = u'?';
                    expected << text;
                }
            }
            if (lines.at(r) != expected.join('|'))
                return QString("%1 row %2: mdb-export gives \"%3\", the writer was given \"%4\"")
                    .arg(table)
                    .arg(r)
                    .arg(lines.at(r), expected.join('|'));
        }
    }
    return {};
}

} // namespace TJetFixture
