#include "db/TConnection.h"
#include "ui/TDBEdit.h"
#include "ui/TDBGrid.h"
#include "ui/TDBLookupComboBox.h"
#include "ui/TDBRadioGroup.h"
#include "db/TDataSet.h"
#include "data/TSorting.h"
#include "support/TTempDatabase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QtTest>

// The grid and the data-aware controls on real data sets.
class TstBindings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void sortDirectionToggles_data();
    void sortDirectionToggles();
    void gridFollowsDataSetBothWays();
    void titleClicksSortAndBold();
    void editIsReadOnlyWhileBrowsing();
    void phoneMask_data();
    void phoneMask();
    void lookupComboShowsNoneAndWritesKey();
    void radioGroupMapsValues();
    void hiddenGridLeavesDeferredRowsUnread();

private:
    std::unique_ptr<TTempDatabase> m_db;
    std::unique_ptr<TConnection> m_conn;
    std::unique_ptr<TDataSet> m_people;
    std::unique_ptr<TDataSet> m_titles;
};

void TstBindings::init()
{
    m_db = std::make_unique<TTempDatabase>();
    m_db->Exec("insert into titles (t_name) values ('MD'), ('RN')");
    m_db->Exec("insert into participants (last_name, first_name, title_id, mail_type, phone) values "
               "('Smith', 'Anna', 2, 1, '15551234567'), ('Adams', 'Bo', null, 7, null), ('Kent', 'Cy', 1, 3, null)");
    m_conn = std::make_unique<TConnection>();
    m_db->Open(*m_conn);
    m_people = std::make_unique<TDataSet>(*m_conn, "Participants");
    m_people->SetSQL("select * from participants");
    TFieldDef phone = TFieldDef::Data("phone", TFieldType::String, 12);
    phone.editMask = "!9\\(999\\)999-9999;0;_";
    m_people->DeclareFields({TFieldDef::Data("user_id", TFieldType::Integer),
                             TFieldDef::Data("last_name", TFieldType::String, 30),
                             TFieldDef::Data("first_name", TFieldType::String, 30), phone,
                             TFieldDef::Data("title_id", TFieldType::Integer),
                             TFieldDef::Data("mail_type", TFieldType::SmallUInt)});
    m_people->Open();
    m_titles = std::make_unique<TDataSet>(*m_conn, "Titles");
    m_titles->SetSQL("select * from titles order by t_name");
    m_titles->Open();
}

void TstBindings::cleanup()
{
    m_people.reset();
    m_titles.reset();
    m_conn.reset();
    m_db.reset();
}

void TstBindings::sortDirectionToggles_data()
{
    QTest::addColumn<QString>("sortText");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("direction");
    QTest::newRow("no sort yet") << "" << "conf_name" << " ASC";
    QTest::newRow("same field ascending") << "conf_name  ASC" << "conf_name" << " DESC";
    QTest::newRow("same field descending") << "conf_name  DESC" << "conf_name" << " ASC";
    QTest::newRow("other field") << "conf_name  ASC" << "begin_date" << " ASC";
    // Plain substring tests: "name" occurs inside "conf_name".
    QTest::newRow("substring quirk") << "conf_name  ASC" << "name" << " DESC";
}

void TstBindings::sortDirectionToggles()
{
    QFETCH(QString, sortText);
    QFETCH(QString, field);
    QFETCH(QString, direction);
    QCOMPARE(TSorting::NextSortDirection(sortText, field), direction);
}

void TstBindings::gridFollowsDataSetBothWays()
{
    TDBGrid grid("jdbgParticipants");
    grid.SetDataSet(m_people.get(), {{"last_name", "Last name"}, {"first_name", "First name"}});
    grid.SetColumnWidths({100, 120});
    grid.show();
    QCOMPARE(grid.model()->rowCount(), 3);
    QCOMPARE(grid.currentIndex().row(), 0);
    m_people->Last();
    QCOMPARE(grid.currentIndex().row(), 2);
    grid.setCurrentIndex(grid.model()->index(1, 0));
    QCOMPARE(m_people->RecNo(), 1);
    QCOMPARE(m_people->FieldByName("last_name").AsString(), QString("Adams"));
    m_people->SetFilter("last_name like 'K%'");
    m_people->SetFiltered(true);
    QCOMPARE(grid.model()->rowCount(), 1);
    QCOMPARE(grid.model()->index(0, 0).data().toString(), QString("Kent"));
    QCOMPARE(grid.ColumnWidths(), QList<int>({100, 120}));
}

void TstBindings::titleClicksSortAndBold()
{
    TDBGrid grid("jdbgParticipants");
    grid.SetDataSet(m_people.get(), {{"last_name", "Last name"}, {"first_name", "First name"}});
    grid.SetSortable(true);
    grid.show();
    grid.horizontalHeader()->sectionClicked(0);
    QCOMPARE(m_people->Sort(), QString("last_name  ASC"));
    QCOMPARE(grid.model()->index(0, 0).data().toString(), QString("Adams"));
    QVERIFY(grid.IsColumnTitleBold(0));
    grid.horizontalHeader()->sectionClicked(0);
    QCOMPARE(m_people->Sort(), QString("last_name  DESC"));
    QCOMPARE(grid.model()->index(0, 0).data().toString(), QString("Smith"));
    grid.horizontalHeader()->sectionClicked(1);
    QCOMPARE(m_people->Sort(), QString("first_name  ASC"));
    QVERIFY(!grid.IsColumnTitleBold(0));
    QVERIFY(grid.IsColumnTitleBold(1));

    // A second grid on the same data set shows the same order but keeps its own bold title.
    TDBGrid other("dbgPickPart");
    other.SetDataSet(m_people.get(), {{"last_name", "Last name"}});
    other.SetSortable(true);
    QCOMPARE(other.model()->index(0, 0).data().toString(), QString("Smith"));
    QVERIFY(!other.IsColumnTitleBold(0));
}

void TstBindings::editIsReadOnlyWhileBrowsing()
{
    TDBEdit edit("dbeLastName");
    edit.Bind(m_people.get(), "last_name");
    QCOMPARE(edit.text(), QString("Smith"));
    QVERIFY(edit.isReadOnly());
    m_people->Edit();
    QVERIFY(!edit.isReadOnly());
    edit.selectAll();
    QTest::keyClicks(&edit, "Smyth");
    QCOMPARE(m_people->FieldByName("last_name").AsString(), QString("Smyth"));
    m_people->Cancel();
    QCOMPARE(edit.text(), QString("Smith"));
    QVERIFY(edit.isReadOnly());

    // An auto-edit control starts the edit itself.
    TDBEdit autoEdit("dbeCreditName");
    autoEdit.Bind(m_people.get(), "first_name", true);
    QVERIFY(!autoEdit.isReadOnly());
    autoEdit.selectAll();
    QTest::keyClicks(&autoEdit, "Ann");
    QCOMPARE(m_people->DataState(), TDataSet::State::Edit);
    m_people->Post();
    QCOMPARE(m_conn->ScalarQuery("select first_name from participants where last_name = 'Smith'").toString(), QString("Ann"));
}

void TstBindings::phoneMask_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed");   // typed into the emptied box, from its first position
    QTest::addColumn<QVariant>("saved");
    QTest::newRow("10 digits") << QVariant("6175551234") << " (617)555-1234" << "6175551234"
                               << QVariant("6175551234");
    QTest::newRow("11 digits") << QVariant("16175551234") << "1(617)555-1234" << "16175551234"
                               << QVariant("16175551234");
    QTest::newRow("empty") << QVariant() << " (   )   -    " << "" << QVariant();
    QTest::newRow("letters from an older file")
        << QVariant("555-CALL-NOW") << "555-CALL-NOW" << "" << QVariant("555-CALL-NOW");
}

void TstBindings::phoneMask()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(QVariant, saved);
    m_conn->Execute("update participants set phone = ? where last_name = 'Smith'", {stored});
    m_people->Requery();
    TDBEdit phone("dbePhone");
    phone.Bind(m_people.get(), "phone");
    QCOMPARE(phone.displayText().replace(u'_', u' '), shown);

    m_people->Edit();
    if (!typed.isEmpty()) {
        phone.clear();
        phone.setFocus();
        phone.home(false);
        QTest::keyClicks(&phone, typed);
        QTest::keyClick(&phone, Qt::Key_Tab); // leaving the box ends the typing
    }
    m_people->Post();
    QCOMPARE(m_conn->ScalarQuery("select phone from participants where last_name = 'Smith'"),
             saved);
    QCOMPARE(phone.displayText().replace(u'_', u' '), shown);
}

void TstBindings::lookupComboShowsNoneAndWritesKey()
{
    TDBLookupComboBox combo("jdblcTitle");
    combo.SetListSource(m_titles.get(), "title_id", "t_name");
    combo.Bind(m_people.get(), "title_id");
    QCOMPARE(combo.count(), 3);
    QCOMPARE(combo.currentText(), QString("RN"));
    m_people->Next();
    QCOMPARE(combo.currentText(), QString("<none>"));
    QVERIFY(!combo.isEnabled());
    m_people->Edit();
    QVERIFY(combo.isEnabled());
    combo.activated(combo.findText("MD"));
    QCOMPARE(m_people->FieldByName("title_id").AsInteger(), 1);
    combo.activated(0);
    QVERIFY(m_people->FieldByName("title_id").IsNull());
    m_people->Cancel();
    // A title added to the list shows at once.
    m_titles->Insert();
    m_titles->FieldByName("t_name").SetAsString("DO");
    m_titles->Post();
    QCOMPARE(combo.count(), 4);
}

void TstBindings::radioGroupMapsValues()
{
    TDBRadioGroup group("rgMailType", "Mailing options", {"E-mail", "Postal mail", "Fax"}, {1, 2, 3});
    group.Bind(m_people.get(), "mail_type");
    QCOMPARE(group.ItemIndex(), 0);
    m_people->Next(); // mail_type 7: no item
    QCOMPARE(group.ItemIndex(), -1);
    m_people->Next();
    QCOMPARE(group.ItemIndex(), 2);
    m_people->Edit();
    auto* postal = group.findChild<QAbstractButton*>("rgMailType_1");
    QVERIFY(postal);
    postal->click();
    QCOMPARE(group.ItemIndex(), 1);
    QCOMPARE(m_people->FieldByName("mail_type").AsInteger(), 2);
    m_people->Post();
}

void TstBindings::hiddenGridLeavesDeferredRowsUnread()
{
    TDataSet big(*m_conn, "Transcripts");
    big.SetSQL("select * from participants");
    big.SetDeferredFetch(true);
    big.Open();
    QWidget page;
    TDBGrid grid("jdbgTranscripts", &page);
    grid.SetDataSet(&big, {{"last_name", "Last name"}});
    QTest::qWait(20);
    QCOMPARE(big.FetchCount(), 0); // the page is not shown
    page.show();
    QTRY_COMPARE(grid.model()->rowCount(), 3);
    QCOMPARE(big.FetchCount(), 1);
    // A requery while shown reads again; one while hidden waits for the next show.
    big.Requery();
    QTRY_COMPARE(big.FetchCount(), 2);
    page.hide();
    big.Requery();
    QTest::qWait(20);
    QCOMPARE(big.FetchCount(), 2);
    page.show();
    QTRY_COMPARE(big.FetchCount(), 3);
    QCOMPARE(grid.model()->rowCount(), 3);
}

QTEST_MAIN(TstBindings)
#include "tst_bindings.moc"
