#include "ui/TCalendarPage.h"
#include "ui/TConferencesPage.h"
#include "ui/TConfigurePage.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "documents/TDocuments.h"
#include "support/TGuiTest.h"
#include "ui/TPageFilters.h"
#include "ui/TParticipantsPage.h"
#include "ui/TSignInPage.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestReportWindows.h"
#include "ui/TTranscriptsPage.h"

#include <QDate>
#include <QHash>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

// Every page built on its own, without the main window: what it was given is all it reaches,
// and what it has to tell goes out by its signals.
class TstPagesAlone : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void editorsAnnounceTheirEditState_data();
    void editorsAnnounceTheirEditState();
    void listsFollowTheSharedTimeFilter_data();
    void listsFollowTheSharedTimeFilter();
    void removingACreditTypeAsksTheGivenPromptsAndTellsTheWindow();

private:
    using TMake = std::function<TPageBase*(const TPageInputs&)>;
    TPageBase* Build(const TMake& make);
    template <class TWidget> TWidget* Find(const char* name) const
    {
        return TGuiTest::Find<TWidget>(m_page.get(), name);
    }

    std::unique_ptr<TTempDatabase> m_db;
    std::unique_ptr<TTestPrompts> m_prompts;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TPageFilters> m_filters;
    TTestReportWindows m_windows;
    std::unique_ptr<TDocuments> m_documents;
    std::unique_ptr<TPageBase> m_page;
    QString m_lastYear;
};

void TstPagesAlone::init()
{
    const int year = QDate::currentDate().year();
    m_lastYear = QString::number(year - 1);
    m_db = std::make_unique<TTempDatabase>();
    m_db->Exec("insert into credits (c_name) values ('AMA'), ('CME')");
    m_db->Exec("insert into participants (last_name, first_name) values ('Smith', 'John'), "
               "('Jones', 'Mary')");
    m_db->Exec(QStringLiteral("insert into conferences (conf_name, begin_date, end_date, units) "
                              "values ('Heart', '%1-03-07 09:00:00', '%1-03-07 17:00:00', 2), "
                              "('Lungs', '%2-02-01 09:00:00', '%2-02-01 12:00:00', 1)")
                   .arg(year)
                   .arg(year - 1));
    m_db->Exec("insert into attendances (conf_id, user_id) values (1, 1), (2, 2)");
    m_prompts = std::make_unique<TTestPrompts>();
    m_dm = std::make_unique<TDM>(m_db->Dir());
    QVERIFY(!m_dm->OpenFailed);
    m_dm->LinkDetails();
    m_filters = std::make_unique<TPageFilters>();
    m_dm->FillCredits(m_filters->CreditLines);
    m_documents = std::make_unique<TDocuments>(*m_dm, *m_prompts, m_windows);
}

void TstPagesAlone::cleanup()
{
    m_page.reset();
    m_documents.reset();
    m_filters.reset();
    m_dm.reset();
    m_prompts.reset();
    m_db.reset();
}

TPageBase* TstPagesAlone::Build(const TMake& make)
{
    m_page.reset(make({*m_dm, *m_filters, *m_prompts, *m_documents}));
    m_page->resize(900, 600);
    m_page->show();
    return m_page.get();
}

void TstPagesAlone::editorsAnnounceTheirEditState_data()
{
    QTest::addColumn<TMake>("make");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("subPages");
    QTest::newRow("conferences") << TMake([](const TPageInputs& in) {
        return new TConferencesPage(in);
    }) << "bConfEdit"
                                 << "bConfCancel"
                                 << "pgConfDetails";
    QTest::newRow("participants") << TMake([](const TPageInputs& in) {
        return new TParticipantsPage(in);
    }) << "bPartEdit"
                                  << "bPartCancel"
                                  << "pgPartDetails";
    // The Titles editor hides the other reference lists while it edits; Credits does not.
    QTest::newRow("configure: titles")
        << TMake([](const TPageInputs& in) { return new TConfigurePage(in); }) << "bTitleEdit"
        << "bTitleCancel"
        << "pgCustomize";
}

void TstPagesAlone::editorsAnnounceTheirEditState()
{
    QFETCH(TMake, make);
    QFETCH(QString, edit);
    QFETCH(QString, cancel);
    QFETCH(QString, subPages);
    m_db->Exec("insert into titles (t_name) values ('MD')");
    m_dm->Titles->Requery();
    TPageBase* page = Build(make);
    auto* pages = Find<QTabWidget>(subPages.toLatin1());
    QVERIFY(pages);
    if (subPages == QLatin1String("pgCustomize"))
        pages->setCurrentIndex(TConfigurePage::subTitles);
    QSignalSpy started(page, &TPageBase::editingStarted);
    QSignalSpy finished(page, &TPageBase::editingFinished);

    Find<QPushButton>(edit.toLatin1())->click();
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 0);
    // The page's own sub-pages are its business: only the current one stays reachable.
    for (int i = 0; i < pages->count(); ++i)
        QCOMPARE(pages->isTabVisible(i), i == pages->currentIndex());

    Find<QPushButton>(cancel.toLatin1())->click();
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);
    for (int i = 0; i < pages->count(); ++i)
        QVERIFY(pages->isTabVisible(i));
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstPagesAlone::listsFollowTheSharedTimeFilter_data()
{
    QTest::addColumn<TMake>("make");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("timeButton");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("lastYearValue");
    QTest::newRow("conferences") << TMake([](const TPageInputs& in) {
        return new TConferencesPage(in);
    }) << "Conferences"
                                 << "fraConfFilter"
                                 << "sbConfTime"
                                 << "conf_name"
                                 << "Lungs";
    QTest::newRow("live sign-in") << TMake([](const TPageInputs& in) {
        return new TSignInPage(in);
    }) << "SignInConfs"
                                  << "fraSignInFilter"
                                  << "sbSignInTime"
                                  << "conf_name"
                                  << "Lungs";
    QTest::newRow("transcripts") << TMake([](const TPageInputs& in) {
        return new TTranscriptsPage(in);
    }) << "Transcripts"
                                 << "fraTransFilter"
                                 << "sbTransTime"
                                 << "last_name"
                                 << "Jones";
    QTest::newRow("calendar") << TMake([](const TPageInputs& in) { return new TCalendarPage(in); })
                              << "CalendarConfs"
                              << "fraCalFilter"
                              << "sbCalTime"
                              << "conf_name"
                              << "Lungs";
    // No panel of its own: the participant's conferences follow the time filter alone.
    QTest::newRow("participants") << TMake([](const TPageInputs& in) {
        return new TParticipantsPage(in);
    }) << "PartConfs"
                                  << ""
                                  << "sbPartTime"
                                  << "conf_name"
                                  << "Lungs";
}

void TstPagesAlone::listsFollowTheSharedTimeFilter()
{
    QFETCH(TMake, make);
    QFETCH(QString, list);
    QFETCH(QString, panel);
    QFETCH(QString, timeButton);
    QFETCH(QString, field);
    QFETCH(QString, lastYearValue);
    TPageBase* page = Build(make);
    const QHash<QString, TDataSet*> lists = {
        {QStringLiteral("Conferences"), m_dm->Conferences},
        {QStringLiteral("SignInConfs"), m_dm->SignInConfs},
        {QStringLiteral("Transcripts"), m_dm->Transcripts},
        {QStringLiteral("CalendarConfs"), m_dm->CalendarConfs},
        {QStringLiteral("PartConfs"), m_dm->PartConfs},
    };
    TDataSet* dataSet = lists.value(list);
    QVERIFY(dataSet);
    if (list == QLatin1String("PartConfs"))
        QVERIFY(m_dm->Participants->Locate(QStringLiteral("last_name"), QStringLiteral("Jones")));

    // The time button only asks; choosing the time filter is the window's business.
    QSignalSpy asked(page, &TPageBase::timeFilterRequested);
    Find<QToolButton>(timeButton.toLatin1())->click();
    QCOMPARE(asked.count(), 1);

    // The shared time filter changes elsewhere; the page's next query reads it as it stands.
    m_filters->Time = TTimeFilter(m_lastYear);
    if (panel.isEmpty()) {
        static_cast<TParticipantsPage*>(page)->ApplyFilters();
    } else {
        auto* apply = Find<QWidget>(panel.toLatin1())->findChild<QPushButton*>("bApply");
        QVERIFY(apply);
        apply->click();
    }
    QCOMPARE(dataSet->RecordCount(), 1);
    QCOMPARE(dataSet->FieldByName(field).AsString(), lastYearValue);
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstPagesAlone::removingACreditTypeAsksTheGivenPromptsAndTellsTheWindow()
{
    // The page asks the prompts it was built with, not whichever are installed.
    TTestPrompts installed;
    auto* page = static_cast<TConfigurePage*>(
        Build([](const TPageInputs& in) { return new TConfigurePage(in); }));
    Find<QTabWidget>("pgCustomize")->setCurrentIndex(TConfigurePage::subCredits);
    QSignalSpy changed(page, &TConfigurePage::creditTypesChanged);
    QVERIFY(m_dm->Credits->Locate(QStringLiteral("c_name"), QStringLiteral("AMA")));

    m_prompts->QueueAnswer(true);
    Find<QPushButton>("bCreditDelete")->click();
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->LastText(), QStringLiteral("Remove credit?"));
    QVERIFY(installed.shown.isEmpty());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_db->Conn().ScalarQuery("select count(*) from credits").toInt(), 1);
    // Enabled again after the step, alone as with the window around it.
    QVERIFY(page->isEnabled());
}

QTEST_MAIN(TstPagesAlone)
#include "tst_pagesalone.moc"
