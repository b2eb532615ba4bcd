#include "data/TBadgeCodes.h"
#include "db/TConnection.h"
#include "TDataFixture.h"
#include "db/TError.h"
#include "support/TTempDatabase.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

// Badge codes on a real database: their shape and randomness, storing them once, replacing
// a lost one, and a database made before badges.
class TstBadgeCodes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup() { m_db.reset(); }

    void newCodesAreWellFormedAndDiffer();
    void normalisedAcceptsOnlyTheShape_data();
    void normalisedAcceptsOnlyTheShape();
    void codesAreStoredOnceAndUnique();
    void replacedCodeStopsWorking();
    void olderDatabaseGainsTheColumnAtTheFirstCode();

private:
    std::unique_ptr<TTempDatabase> m_db;
};

void TstBadgeCodes::init()
{
    m_db = std::make_unique<TTempDatabase>();
    TDataFixture::Seed(*m_db);
}

void TstBadgeCodes::newCodesAreWellFormedAndDiffer()
{
    const QRegularExpression shape(
        QStringLiteral("^QV-[0-9A-HJKMNP-TV-Z]{4}-[0-9A-HJKMNP-TV-Z]{4}-[0-9A-HJKMNP-TV-Z]{4}$"));
    QSet<QString> codes;
    QList<QSet<QChar>> seen(TBadgeCodes::kLength);
    for (int i = 0; i < 2000; ++i) {
        const QString code = TBadgeCodes::NewCode();
        QVERIFY2(shape.match(code).hasMatch(), qPrintable(code));
        QCOMPARE(TBadgeCodes::Normalised(code), code);
        codes.insert(code);
        for (int c = 0; c < code.size(); ++c)
            seen[c].insert(code.at(c));
    }
    QCOMPARE(codes.size(), 2000);
    // Every one of the twelve random places takes all 32 letters: no place is fixed or biased
    // towards a few values.
    for (int c = 3; c < TBadgeCodes::kLength; ++c)
        if (c != 7 && c != 12)
            QCOMPARE(seen[c].size(), 32);
}

void TstBadgeCodes::normalisedAcceptsOnlyTheShape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code");
    QTest::newRow("stored form") << "QV-7KQ2-M9XD-4TZ0" << "QV-7KQ2-M9XD-4TZ0";
    QTest::newRow("lower case, misread letters") << "qv-7kq2-m9xd-4tzo"
                                                 << "QV-7KQ2-M9XD-4TZ0";
    QTest::newRow("I and L read as one") << "QV-I1L1-0000-0000" << "QV-1111-0000-0000";
    QTest::newRow("blanks around") << " QV-7KQ2-M9XD-4TZ0 " << "QV-7KQ2-M9XD-4TZ0";
    QTest::newRow("U is not in the alphabet") << "QV-7KQ2-M9XD-4TZU" << "";
    QTest::newRow("one short") << "QV-7KQ2-M9XD-4TZ" << "";
    QTest::newRow("one long") << "QV-7KQ2-M9XD-4TZ00" << "";
    QTest::newRow("dash moved") << "QV-7KQ-2M9XD-4TZ0" << "";
    QTest::newRow("other prefix") << "QX-7KQ2-M9XD-4TZ0" << "";
    QTest::newRow("control character") << "QV-7KQ2-M9XD\t4TZ0" << "";
    QTest::newRow("control character inside") << "QV-7KQ2-M9\x01X-4TZ0" << "";
    QTest::newRow("over-long") << QString(200, u'Q') << "";
    QTest::newRow("a name") << "Smith" << "";
    QTest::newRow("empty") << "" << "";
}

void TstBadgeCodes::normalisedAcceptsOnlyTheShape()
{
    QFETCH(QString, text);
    QFETCH(QString, code);
    QCOMPARE(TBadgeCodes::Normalised(text), code);
}

void TstBadgeCodes::codesAreStoredOnceAndUnique()
{
    TConnection& conn = m_db->Conn();
    TBadgeCodes badges(conn);
    // Before the first badge nobody has a code.
    QCOMPARE(TDataFixture::Count(conn, "select count(*) from participants where badge_code is "
                                       "not null"),
             0);
    const QHash<int, QString> codes = badges.CodesFor({1, 2, 3, 99, 2});
    QCOMPARE(codes.size(), 3); // 99 is nobody; 2 once
    QCOMPARE(QSet<QString>(codes.begin(), codes.end()).size(), 3);
    // A second print keeps the codes.
    QCOMPARE(badges.CodeFor(2), codes.value(2));
    QCOMPARE(badges.CodesFor({1, 3}).value(3), codes.value(3));
    QCOMPARE(badges.CodeFor(99), QString());
    for (int userId : {1, 2, 3}) {
        const auto found = badges.Find(codes.value(userId).toLower());
        QCOMPARE(int(found.kind), int(TBadgeCodes::TKind::Found));
        QCOMPARE(found.userId, userId);
    }
    QCOMPARE(int(badges.Find(TBadgeCodes::NewCode()).kind), int(TBadgeCodes::TKind::Unknown));
    QCOMPARE(badges.AllCodes().size(), 3);
    // The database itself refuses a second holder of a code.
    QVERIFY_THROWS_EXCEPTION(TError, conn.Execute(QStringLiteral("update participants set "
                                                                 "badge_code = ? where user_id "
                                                                 "= 4"),
                                                  {codes.value(1)}));
}

void TstBadgeCodes::replacedCodeStopsWorking()
{
    TBadgeCodes badges(m_db->Conn());
    const QString lost = badges.CodeFor(1);
    const QString fresh = badges.Replace(1);
    QVERIFY(!fresh.isEmpty());
    QVERIFY(fresh != lost);
    QCOMPARE(badges.CodeFor(1), fresh);
    auto found = badges.Find(lost);
    QCOMPARE(int(found.kind), int(TBadgeCodes::TKind::Replaced));
    QCOMPARE(found.userId, 1);
    found = badges.Find(fresh);
    QCOMPARE(int(found.kind), int(TBadgeCodes::TKind::Found));
    // Replaced twice: both old codes are known as replaced, also in a station's list.
    const QString third = badges.Replace(1);
    const QHash<QString, TBadgeCodes::TLookup> listed = badges.AllCodes();
    QCOMPARE(listed.size(), 3);
    for (const QString& code : {lost, fresh, third}) {
        QCOMPARE(int(badges.Find(code).kind), int(listed.value(code).kind));
        QCOMPARE(listed.value(code).userId, 1);
    }
    QCOMPARE(int(listed.value(third).kind), int(TBadgeCodes::TKind::Found));
    QCOMPARE(int(listed.value(lost).kind), int(TBadgeCodes::TKind::Replaced));
    // A participant without a code simply gets one.
    QVERIFY(!badges.Replace(4).isEmpty());
    QCOMPARE(badges.Replace(99), QString());
}

void TstBadgeCodes::olderDatabaseGainsTheColumnAtTheFirstCode()
{
    TConnection& conn = m_db->Conn();
    conn.Execute(QStringLiteral("drop index ix_participants_badge_code"));
    conn.Execute(QStringLiteral("drop table replaced_badges"));
    conn.Execute(QStringLiteral("alter table participants drop column badge_code"));
    {
        TBadgeCodes badges(conn);
        // Looking up writes nothing: such a database knows no badge.
        QCOMPARE(int(badges.Find(TBadgeCodes::NewCode()).kind), int(TBadgeCodes::TKind::Unknown));
        QVERIFY(badges.AllCodes().isEmpty());
    }
    QVERIFY_THROWS_EXCEPTION(TError, conn.ScalarQuery(QStringLiteral("select count(*) from "
                                                                     "replaced_badges")));
    TBadgeCodes badges(conn);
    const QString code = badges.CodeFor(5);
    QVERIFY(!code.isEmpty());
    QCOMPARE(badges.Find(code).userId, 5);
    QVERIFY_THROWS_EXCEPTION(TError, conn.Execute(QStringLiteral("update participants set "
                                                                 "badge_code = ? where user_id "
                                                                 "= 4"),
                                                  {code}));
}

QTEST_GUILESS_MAIN(TstBadgeCodes)
#include "tst_badgecodes.moc"
