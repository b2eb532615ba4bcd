#include "db/TCollation.h"
#include "db/TDisplayFormat.h"
#include "db/TError.h"
#include "db/TFilterExpression.h"
#include "db/TLikePattern.h"
#include "db/TSqlDialect.h"

#include <QtTest>

class TstDialect : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void translate_data();
    void translate();
    void translateForServer_data();
    void translateForServer();
    void malformedDateLiteral();
    void collationOfUtf8AgreesWithTheCollator();
    void like_data();
    void like();
    void displayFormats_data();
    void displayFormats();
    void numberFormat();
    void filterSyntaxErrors_data();
    void filterSyntaxErrors();
};

void TstDialect::translate_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("no literal") << "select * from conferences" << "select * from conferences";
    QTest::newRow("range") << " c.begin_date between #1/1/2005# and #3/31/2005# and "
                           << " c.begin_date between '2005-01-01 00:00:00' and '2005-03-31 00:00:00' and ";
    QTest::newRow("with time") << "x = #12/5/2026 3:07:09 PM#" << "x = '2026-12-05 15:07:09'";
    QTest::newRow("midnight 12 AM") << "x = #1/2/2026 12:00 AM#" << "x = '2026-01-02 00:00:00'";
    QTest::newRow("noon 12 PM") << "x = #1/2/2026 12:30 PM#" << "x = '2026-01-02 12:30:00'";
    QTest::newRow("11 PM") << "x = #1/2/2026 11:59:59 pm#" << "x = '2026-01-02 23:59:59'";
    QTest::newRow("inside quotes untouched")
        << "conf_name like '%#1/1/2005#%' and d = #2/3/2004#"
        << "conf_name like '%#1/1/2005#%' and d = '2004-02-03 00:00:00'";
    QTest::newRow("doubled quote stays quoted")
        << "t = 'O''Brien #1/1/2005#' or d = #1/1/2005#"
        << "t = 'O''Brien #1/1/2005#' or d = '2005-01-01 00:00:00'";
    QTest::newRow("names sort by the locale")
        << "select * from t p order by p.last_name, p.first_name desc, begin_date desc"
        << "select * from t p order by p.last_name collate LOCALE, p.first_name collate LOCALE desc, "
           "begin_date desc";
    QTest::newRow("order inside a sub-query")
        << "select * from (select c_name from credits order by c_name) where x = #1/1/2005#"
        << "select * from (select c_name from credits order by c_name collate LOCALE) where x = "
           "'2005-01-01 00:00:00'";
    QTest::newRow("order by inside quotes untouched")
        << "select * from conferences where conf_name like '%order by series%' order by series"
        << "select * from conferences where conf_name like '%order by series%' order by series "
           "collate LOCALE";
    QTest::newRow("a year test becomes an indexable range")
        << "( DatePart('yyyy', c.begin_date) = 2005 or DatePart('yyyy', begin_date)=1999 )"
        << "( (c.begin_date >= '2005-01-01' and c.begin_date < '2006-01-01') or (begin_date >= "
           "'1999-01-01' and begin_date < '2000-01-01') )";
    QTest::newRow("other date parts and quoted year tests kept")
        << "DatePart('m', x) = 3 and y like '%DatePart(''yyyy'', x) = 2005%' and "
           "DatePart('yyyy', x) = 20051"
        << "DatePart('m', x) = 3 and y like '%DatePart(''yyyy'', x) = 2005%' and "
           "DatePart('yyyy', x) = 20051";
}

void TstDialect::translate()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QCOMPARE(TSqlDialect::Translate(jet), sqlite);
}

void TstDialect::translateForServer_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("server");
    QTest::newRow("brackets, dates and a year range")
        << "delete from t where [conf_id] = 3 and d = #2/3/2004# and DatePart('yyyy', d) = 2005"
        << "delete from t where conf_id = 3 and d = '2004-02-03 00:00:00' and (d >= '2005-01-01' "
           "and d < '2006-01-01')";
    QTest::newRow("noon on the server")
        << "d = #1/2/2026 12:30 PM#"
        << "d = '2026-01-02 12:30:00'";
    QTest::newRow("other date parts extract")
        << "DatePart('m', c.begin_date) = 3 or DatePart('w', x) = 1"
        << "cast(extract(month from c.begin_date) as integer) = 3 or (cast(extract(dow from x) as "
           "integer) + 1) = 1";
    QTest::newRow("like in every alphabet, quotes kept")
        << "p.last_name like 'mü%' and series not like '%like ''x''%'"
        << "lower(p.last_name collate \"und-x-icu\") like lower('mü%' collate \"und-x-icu\") and "
           "lower(series collate \"und-x-icu\") not like lower('%like ''x''%' collate \"und-x-icu\")";
    QTest::newRow("names order by the server collation")
        << "select * from speakers order by last_name"
        << "select * from speakers order by last_name collate \"quorvel_en\"";
    QTest::newRow("groups give the order")
        << "select p.user_id, count(*) from p left outer join a on (p.user_id = a.user_id and "
           "a.conf_id = :conf_id) group by p.user_id, p.last_name"
        << "select p.user_id, count(*) from p left outer join a on (p.user_id = a.user_id and "
           "a.conf_id = :conf_id) group by p.user_id, p.last_name order by p.user_id, p.last_name ";
    QTest::newRow("group_concat and ifnull")
        << "select group_concat(ifnull(x, '') || y, ';') from t"
        << "select string_agg(cast(coalesce(x, '') || y as text), ';') from t";
}

void TstDialect::translateForServer()
{
    QFETCH(QString, jet);
    QFETCH(QString, server);
    QCOMPARE(TSqlDialect::TranslateForServer(jet, {QStringLiteral("quorvel_en"), true}), server);
}

void TstDialect::collationOfUtf8AgreesWithTheCollator()
{
    // Texts that begin with plain letters take a shortcut; it must give the collator's order.
    const QStringList names = {"Smith",  "smith",  "Smithers", "SMITH", "adams", "Adams",
                               "Zimmerman", "zz",  "O'Brien",  "Ødegaard", "Östberg", "Łukasz",
                               "Oe",     "Ob",     "van Berg", "Van-Berg", "a",   "",
                               "Muñoz",  "Munoz",  "Mun\u0303oz", "Munro", "Mu", "Ana María",
                               "Anab",   "Anna-Lena", "Annabel", "Ab2",  "Abc", "Zoë", "Zoe"};
    auto sign = [](int c) { return c < 0 ? -1 : c > 0 ? 1 : 0; };
    for (const QString& a : names) {
        for (const QString& b : names) {
            const QByteArray x = a.toUtf8(), y = b.toUtf8();
            QCOMPARE(sign(TCollation::CompareUtf8(x.constData(), int(x.size()), y.constData(), int(y.size()))),
                     sign(TCollation::Compare(a, b)));
            QCOMPARE(sign(TCollation::Compare(a, b)), -sign(TCollation::Compare(b, a)));
        }
    }
}

void TstDialect::malformedDateLiteral()
{
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, TSqlDialect::Translate("d = #13/45/2005#"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, TSqlDialect::Translate("d = #1/1/2005"));
    QCOMPARE(TSqlDialect::QuoteText("x' or '1'='1"), QString("'x'' or ''1''=''1'"));
}

void TstDialect::like_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("match");
    QTest::newRow("prefix") << "Smi%" << "Smith" << true;
    QTest::newRow("prefix case") << "smi%" << "SMITH" << true;
    QTest::newRow("umlaut case") << "mü%" << "Müller" << true;
    QTest::newRow("umlaut upper pattern") << "MÜ%" << "müller" << true;
    QTest::newRow("scandinavian") << "ö%" << "Östberg" << true;
    QTest::newRow("cyrillic") << "ив%" << "Иванов" << true;
    QTest::newRow("not prefix") << "mi%" << "Smith" << false;
    QTest::newRow("contains") << "%card%" << "Cardiology Update" << true;
    QTest::newRow("underscore") << "J_n%" << "Jones" << true;
    QTest::newRow("exact no wildcard") << "abc" << "abcd" << false;
    QTest::newRow("apostrophe") << "O'B%" << "O'Brien" << true;
    QTest::newRow("empty text") << "%" << "" << true;
    QTest::newRow("backtracking") << "%a%b" << "aaab" << true;
}

void TstDialect::like()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, match);
    TLikePattern p(pattern);
    QCOMPARE(p.Matches(text), match);
    const QByteArray utf8 = text.toUtf8();
    QCOMPARE(p.MatchesUtf8(utf8.constData(), utf8.size()), match);
}

void TstDialect::displayFormats_data()
{
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text");
    const QDateTime afternoon(QDate(2005, 3, 7), QTime(14, 5, 9));
    const QDateTime midnight(QDate(2005, 3, 7), QTime(0, 0));
    QTest::newRow("ampm") << afternoon << "dd.mm.yyyy  hh:mm AM/PM" << "07.03.2005  02:05 PM";
    QTest::newRow("ampm seconds") << afternoon << "dd.mm.yyyy  hh:mm:ss AM/PM" << "07.03.2005  02:05:09 PM";
    QTest::newRow("midnight is 12 AM") << midnight << "dd.mm.yyyy  hh:mm AM/PM" << "07.03.2005  12:00 AM";
    QTest::newRow("c with time") << afternoon << "c" << "3/7/05 2:05:09 PM";
    QTest::newRow("c at midnight leaves the time out") << midnight << "c" << "3/7/05";
    QTest::newRow("ddddd") << afternoon << "ddddd" << "3/7/05";
}

void TstDialect::displayFormats()
{
    QFETCH(QDateTime, value);
    QFETCH(QString, format);
    QFETCH(QString, text);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(TDisplayFormat::FormatDateTime(value, format, us).replace(QChar(0x202F), u' '), text);
}

void TstDialect::numberFormat()
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(TDisplayFormat::FormatNumber(3.5, "0.00", us), QString("3.50"));
    QCOMPARE(TDisplayFormat::FormatNumber(1234.125, "0.00", us), QString("1234.13"));
    const QLocale de(QLocale::German, QLocale::Germany);
    QCOMPARE(TDisplayFormat::FormatNumber(0.25, "0.00", de), QString("0,25"));
}

void TstDialect::filterSyntaxErrors_data()
{
    QTest::addColumn<QString>("expression");
    QTest::newRow("unclosed quote") << "last_name like 'Smi%";
    QTest::newRow("unknown field") << "nope = 3";
    QTest::newRow("missing value") << "user_id =";
    QTest::newRow("missing operator") << "user_id 12";
    QTest::newRow("dangling and") << "user_id = 1 and";
    QTest::newRow("unclosed paren") << "(user_id = 1";
    QTest::newRow("like needs text") << "last_name like 12";
    QTest::newRow("garbage") << "%%%";
}

void TstDialect::filterSyntaxErrors()
{
    QFETCH(QString, expression);
    auto resolve = [](const QString& name) {
        return name == "user_id" ? 0 : name == "last_name" ? 1 : -1;
    };
    try {
        TFilterExpression e(expression, resolve);
        QFAIL("a malformed filter was accepted");
    } catch (const EDatabaseError& e) {
        QVERIFY(e.Message().contains(expression));
    }
}

QTEST_GUILESS_MAIN(TstDialect)
#include "tst_dialect.moc"
