#include "app/TApplication.h"
#include "ui/TCalendarPage.h"
#include "ui/TConfDetailsPanel.h"
#include "ui/TConferencesPage.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TProgressDialog.h"
#include "tools/TReportProjectFile.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestReportWindows.h"
#include "support/TTestWindows.h"
#include "ui/TTranscriptsPage.h"
#include "ui/TfrmMain.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <memory>

// The Transcripts and Calendar pages and the Conferences page's list buttons, driven in a main
// window on a real database.
class TstDocumentPages : public TMainWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void runButtonsOpenTheirMenusAtThePointer_data();
    void runButtonsOpenTheirMenusAtThePointer();
    void menusPassTheSelectedParticipants_data();
    void menusPassTheSelectedParticipants();
    void generateAsksFirstWithTheNumbers_data();
    void generateAsksFirstWithTheNumbers();
    void deliveryReportOpensFromThePage();
    void filterChangesEmptyTheSelection();
    void listsAreExportedFromBothPages();
    void calendarRunFollowsTheCalendarListAndLinksBack();
    void failedCalendarRunLinksBackAndSaysNothing();
    void progressWindowCancels();

private:
    void SelectRows(const QList<int>& rows);
    // The page shown and its grid holding the list's four rows.
    void ShowTranscripts()
    {
        m_main->PageControl()->setCurrentIndex(TfrmMain::pageTranscripts);
        QTRY_COMPARE(m_trans->TranscriptsGrid()->model()->rowCount(), 4);
    }
    QStringList Plain() const;

    std::unique_ptr<TTestReportWindows> m_windows;
    TTranscriptsPage* m_trans = nullptr;
};

void TstDocumentPages::init()
{
    m_db = std::make_unique<TTempDatabase>();
    const QString year = QString::number(QDate::currentDate().year());
    m_db->Exec("insert into speakers (last_name, first_name, place) values ('Baker', 'Ann', "
               "'Boston'), ('Young', 'Tom', NULL)");
    m_db->Exec("insert into credits (c_name) values ('AMA')");
    m_db->Exec("insert into extras (e_name) values ('Lunch')");
    m_db->Exec(QStringLiteral("insert into conferences (conf_name, begin_date, end_date, units) "
                              "values ('Heart', '%1-03-07 09:00:00', '%1-03-07 17:00:00', 2), "
                              "('Lungs', '%1-02-01 08:30:00', '%1-02-01 12:15:00', 1.5), "
                              "('Brain', '%1-01-10 08:30:00', '%1-01-10 12:15:00', 1)")
                   .arg(year));
    m_db->Exec("insert into conf_speakers (conf_id, speak_id) values (1, 1), (2, 2), (3, 1), "
               "(3, 2)");
    m_db->Exec("insert into conf_credits (conf_id, credit_id) values (1, 1)");
    m_db->Exec("insert into conf_extras (conf_id, extra_id) values (1, 1)");
    m_db->Exec("insert into participants (last_name, first_name) values ('Adams', 'Al'), "
               "('Baker', 'Bo'), ('Cole', 'Cy'), ('Dunn', 'Di')");
    m_db->Exec("insert into attendances (conf_id, user_id) values (1, 1), (1, 2), (2, 3), "
               "(3, 4), (2, 1)");
    // Transcripts go by e-mail (nobody has an address), through the desktop mail client, so
    // a generate run needs neither a printer nor a mail server.
    m_db->Exec("update participants set mail_type = 1");
    QFile settings(m_db->FilePath(QStringLiteral("quorvel.ini")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[Mail]\r\nHandlerType=2\r\n");
    settings.close();
    TReportProjectFile::WriteDefault(m_db->Dir());
    m_windows = std::make_unique<TTestReportWindows>();
    QVERIFY(OpenMainWindow(m_windows.get()));
    m_trans = m_main->TranscriptsPage();
    m_dm->Transcripts->SetSort(QStringLiteral("last_name ASC"));
    m_prompts->Clear();
}

void TstDocumentPages::cleanup()
{
    CloseMainWindow();
    m_windows.reset();
}

void TstDocumentPages::SelectRows(const QList<int>& rows)
{
    TDBGrid* grid = m_trans->TranscriptsGrid();
    grid->selectionModel()->clearSelection();
    for (int row : rows)
        grid->selectionModel()->select(grid->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QStringList TstDocumentPages::Plain() const
{
    QStringList texts;
    for (const TTestPrompts::TShown& box : m_prompts->shown)
        if (box.kind == TPrompts::Kind::Plain)
            texts << box.text;
    return texts;
}

void TstDocumentPages::runButtonsOpenTheirMenusAtThePointer_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("menu");
    QTest::newRow("generate") << "bGenerateTranscripts" << "pmGenerateTranscripts";
    QTest::newRow("preview") << "bPreviewTranscripts" << "pmPreviewTranscripts";
}

void TstDocumentPages::runButtonsOpenTheirMenusAtThePointer()
{
    QFETCH(QString, button);
    QFETCH(QString, menu);
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageTranscripts);
    const QPoint pointer = m_main->mapToGlobal(QPoint(40, 60));
    QCursor::setPos(pointer);
    Click(button.toLatin1());
    auto* popup = Find<QMenu>(menu.toLatin1());
    QVERIFY(popup);
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(popup->pos(), pointer);
    QStringList items;
    for (QAction* action : popup->actions())
        items << action->text();
    QCOMPARE(items, (QStringList{"All", "Only selected"}));
    popup->close();
    QVERIFY(Plain().isEmpty());
}

void TstDocumentPages::menusPassTheSelectedParticipants_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<QStringList>("names");
    // Rows sorted by last name: Adams 1, Baker 2, Cole 3, Dunn 4.
    const QStringList everyone{"Al Adams", "Bo Baker", "Cy Cole", "Di Dunn"};
    QTest::newRow("generate all, rows selected")
        << "miGenerateAll" << QList<int>{0, 2} << false << everyone;
    QTest::newRow("generate selected") << "miGenerateSelected" << QList<int>{3, 0, 2} << false
                                       << QStringList{"Al Adams", "Cy Cole", "Di Dunn"};
    QTest::newRow("generate selected, none selected")
        << "miGenerateSelected" << QList<int>{} << false << everyone;
    QTest::newRow("preview all") << "miPreviewAll" << QList<int>{1} << true << everyone;
    QTest::newRow("preview selected")
        << "miPreviewSelected" << QList<int>{1, 3} << true << QStringList{"Bo Baker", "Di Dunn"};
}

void TstDocumentPages::menusPassTheSelectedParticipants()
{
    QFETCH(QString, item);
    QFETCH(QList<int>, rows);
    QFETCH(bool, preview);
    QFETCH(QStringList, names);
    ShowTranscripts();
    m_dm->Transcripts->SetRecNo(1);
    SelectRows(rows);
    if (!preview)
        m_prompts->QueueChoice(TPrompts::Answer::Start);
    auto* action = m_main->findChild<QAction*>(item);
    QVERIFY(action);
    // Through the event loop, so an error reaches the program's handler as after a click.
    QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
    // The run is over when its preview shows, or when "Finished" is said.
    QTRY_VERIFY(preview ? !m_windows->previews.isEmpty()
                        : Plain().contains(QStringLiteral("Finished")));
    QTest::qWait(0);
    // Reading the selection does not move the list.
    QCOMPARE(m_dm->Transcripts->RecNo(), 1);

    // The run covered exactly those participants: one transcript each in the preview, or
    // their ids in the query the run selected them with.
    if (preview) {
        QCOMPARE(m_windows->previews.size(), 1);
        const QStringList sections = m_windows->previews.first().sections;
        QCOMPARE(sections.size(), names.size());
        for (const QString& name : names)
            QVERIFY2(sections.filter(name).size() == 1, qPrintable(name));
        QCOMPARE(Plain(), QStringList());
    } else {
        // Everyone wants e-mail and has no address: the e-mail step writes one PDF per
        // participant and counts them.
        QVERIFY(m_windows->previews.isEmpty());
        QCOMPARE(m_windows->statusWindows, int(names.size()));
        // "Finished" follows a generate run, never a preview.
        QCOMPARE(Plain(), (QStringList{
                              QStringLiteral("There are %1 participants with wrong (empty) "
                                             "e-mails!").arg(names.size()),
                              "Finished"}));
    }
    // Besides the plain messages, a generate run asked its one question first.
    QCOMPARE(m_prompts->shown.size(), Plain().size() + (preview ? 0 : 1));
}

void TstDocumentPages::generateAsksFirstWithTheNumbers_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("question");
    const QString everyone = "This prints 2 transcripts (1 by post, 1 by fax) and e-mails 1. 1 "
                             "have no e-mail address.";
    QTest::newRow("all") << "miGenerateAll" << QList<int>{1} << everyone;
    QTest::newRow("only selected")
        << "miGenerateSelected" << QList<int>{0, 2}
        << "This prints 1 transcripts (1 by post, 0 by fax) and e-mails 1.";
    QTest::newRow("only selected, none selected")
        << "miGenerateSelected" << QList<int>{}
        << "No participant is selected, so this covers everyone.\n\n" + everyone;
}

void TstDocumentPages::generateAsksFirstWithTheNumbers()
{
    QFETCH(QString, item);
    QFETCH(QList<int>, rows);
    QFETCH(QString, question);
    // Adams by post, Baker by fax, Cole by e-mail, Dunn by e-mail without an address.
    m_db->Exec("update participants set mail_type = 2 where user_id = 1");
    m_db->Exec("update participants set mail_type = 3 where user_id = 2");
    m_db->Exec("update participants set email = 'cy@example.org' where user_id = 3");
    ShowTranscripts();
    SelectRows(rows);
    auto* action = m_main->findChild<QAction*>(item);
    QVERIFY(action);
    action->trigger(); // no answer queued: the question is cancelled
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown.first().kind, TPrompts::Kind::Confirmation);
    QCOMPARE(m_prompts->LastText(), question);
    // Cancel: nothing ran, nothing was printed or written.
    QCOMPARE(m_windows->statusWindows, 0);
    QVERIFY(!QDir(m_db->FilePath(QStringLiteral("PDF"))).exists());
}

void TstDocumentPages::deliveryReportOpensFromThePage()
{
    ShowTranscripts();
    Click("bDeliveryReport");
    QCOMPARE(m_prompts->LastText(), QStringLiteral("No transcripts have been e-mailed yet."));
    QVERIFY(m_windows->reports.isEmpty());

    // A run over everyone (all by e-mail, none with an address) shows the report; it opens
    // again from the page, read back from the delivery log, with the names.
    m_prompts->QueueChoice(TPrompts::Answer::Start);
    m_trans->miGenerateAllClick();
    QCOMPARE(m_windows->reports.size(), 1);
    Click("bDeliveryReport");
    QCOMPARE(m_windows->reports.size(), 2);
    QStringList rows;
    for (const TDeliveryRow& row : m_windows->reports.last())
        rows << row.name + ": " + row.ResultText();
    rows.sort();
    QCOMPARE(rows, (QStringList{"Al Adams: no e-mail address", "Bo Baker: no e-mail address",
                                "Cy Cole: no e-mail address", "Di Dunn: no e-mail address"}));
    QCOMPARE(TDeliveryLog::CountLine(m_windows->reports.last()),
             QStringLiteral("4 without an address"));
    QVERIFY(m_windows->printTheirs != nullptr);
}

void TstDocumentPages::filterChangesEmptyTheSelection()
{
    ShowTranscripts();
    auto* panel = Find<QWidget>("fraTransFilter");
    QVERIFY(panel);
    for (const char* button : {"bApply", "bClear"}) {
        QTRY_COMPARE(m_trans->TranscriptsGrid()->model()->rowCount(), 4);
        SelectRows({0, 1});
        QVERIFY(!m_trans->GetSelectedParticipantIds({}).isEmpty());
        auto* b = panel->findChild<QPushButton*>(QLatin1String(button));
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY2(m_trans->GetSelectedParticipantIds({}).isEmpty(), button);
    }
    // The list given is returned with the ids appended.
    QTRY_COMPARE(m_trans->TranscriptsGrid()->model()->rowCount(), 4);
    SelectRows({3});
    QCOMPARE(m_trans->GetSelectedParticipantIds({"9"}), (QStringList{"9", "4"}));
}

void TstDocumentPages::listsAreExportedFromBothPages()
{
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageTranscripts);
    const QString transcripts = m_db->FilePath(QStringLiteral("transcripts.csv"));
    m_prompts->QueueFileName(transcripts);
    Click("bExpTranscripts");
    QFile file(transcripts);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBFLast name,First name,Units,\r\n"
                                        "Adams,Al,3.5,\r\nBaker,Bo,2,\r\nCole,Cy,1.5,\r\n"
                                        "Dunn,Di,1,\r\n"));
    QVERIFY(m_prompts->shown.isEmpty());

    m_main->PageControl()->setCurrentIndex(TfrmMain::pageConf);
    m_main->ConferencesPage()->DetailPages()->setCurrentIndex(TConferencesPage::subConfParticipants);
    QVERIFY(m_dm->Conferences->Locate(QStringLiteral("conf_name"), QStringLiteral("Heart")));
    const QString parts = m_db->FilePath(QStringLiteral("parts.csv"));
    m_prompts->QueueFileName(parts);
    Click("bExpConfParts");
    QFile partsFile(parts);
    QVERIFY(partsFile.open(QIODevice::ReadOnly));
    QCOMPARE(partsFile.readAll().split('\n').size(), 4); // captions, two rows, end
    QVERIFY(m_prompts->shown.isEmpty());

    // The attendance sheet of the same conference opens in the preview, which may print.
    Click("bPrintConfParts");
    QCOMPARE(m_windows->previews.size(), 1);
    QVERIFY(m_windows->previews.first().printAllowed);
    const QString sheet = m_windows->previews.first().sections.join(u'\n');
    QVERIFY2(sheet.contains(QStringLiteral("Heart")) && sheet.contains(QStringLiteral("Al Adams"))
                 && sheet.contains(QStringLiteral("Bo Baker")) && !sheet.contains(QStringLiteral("Cole")),
             qPrintable(sheet));
    QVERIFY(m_prompts->shown.isEmpty());
}

void TstDocumentPages::calendarRunFollowsTheCalendarListAndLinksBack()
{
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageCalendar);
    QVERIFY(m_dm->Conferences->Locate(QStringLiteral("conf_name"), QStringLiteral("Lungs")));
    m_dm->CalendarConfs->SetSort(QStringLiteral("conf_name ASC"));
    m_dm->CalendarConfs->First();
    Click("bGenerateCalendar");
    QCOMPARE(Plain(), QStringList{"Calendar generated. Check for the \"calendar.rtf\" file in "
                                  "the current folder."});
    QFile file(m_db->FilePath(QStringLiteral("calendar.rtf")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray document = file.readAll();
    // Title order, each with its own speakers.
    const qsizetype brain = document.indexOf("Brain");
    const qsizetype heart = document.indexOf("Heart");
    const qsizetype lungs = document.indexOf("Lungs");
    QVERIFY(brain > 0 && brain < heart && heart < lungs);
    QVERIFY(document.indexOf("Ann Baker, Boston", brain) < document.indexOf("Tom Young", brain));
    QVERIFY(document.indexOf("Tom Young", brain) < heart);
    QVERIFY(document.indexOf("Tom Young", lungs) > lungs);

    // The calendar grid ends on its last row and paints again; the Conferences page's details
    // are those of its own current conference.
    QCOMPARE(m_dm->CalendarConfs->RecNo(), m_dm->CalendarConfs->RecordCount() - 1);
    TDBGrid* grid = m_main->CalendarPage()->CalendarGrid();
    QVERIFY(grid->updatesEnabled());
    QCOMPARE(grid->currentIndex().row(), m_dm->CalendarConfs->RecordCount() - 1);
    for (TDataSet* detail : {m_dm->ConfSpeakers, m_dm->ConfExtras, m_dm->ConfCredits})
        QCOMPARE(detail->Master(), m_dm->Conferences);
    QCOMPARE(m_dm->ConfSpeakers->RecordCount(), 1);
    QCOMPARE(m_dm->ConfSpeakers->FieldByName(QStringLiteral("l_last_name")).AsString(),
             QStringLiteral("Young"));
    QCOMPARE(m_dm->ConfCredits->RecordCount(), 0);
    QListWidget* speakers = m_main->ConferencesPage()->DetailsPanel()->lbSpeakers;
    QCOMPARE(speakers->count(), 1);
    QCOMPARE(speakers->item(0)->text(), QStringLiteral("Tom Young"));
    QVERIFY(m_dm->Conferences->Locate(QStringLiteral("conf_name"), QStringLiteral("Heart")));
    QCOMPARE(m_dm->ConfCredits->RecordCount(), 1);
    QCOMPARE(m_dm->ConfExtras->RecordCount(), 1);
}

void TstDocumentPages::failedCalendarRunLinksBackAndSaysNothing()
{
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageCalendar);
    const QString path = m_db->FilePath(QStringLiteral("calendar.rtf"));
    QVERIFY(QDir().mkpath(path + QStringLiteral("/locked")));
    Click("bGenerateCalendar");
    QCOMPARE(m_prompts->shown.size(), 1);
    QVERIFY2(m_prompts->LastText().contains(path), qPrintable(m_prompts->LastText()));
    QVERIFY(Plain().isEmpty() || !Plain().first().startsWith(QStringLiteral("Calendar")));
    for (TDataSet* detail : {m_dm->ConfSpeakers, m_dm->ConfExtras, m_dm->ConfCredits})
        QCOMPARE(detail->Master(), m_dm->Conferences);
    QVERIFY(m_main->CalendarPage()->CalendarGrid()->updatesEnabled());
}

void TstDocumentPages::progressWindowCancels()
{
    TProgressDialog& progress = m_main->Progress();
    progress.Begin(QStringLiteral("Writing"), 50000);
    QProgressDialog* dialog = progress.Dialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->labelText(), QStringLiteral("Writing"));
    QVERIFY(progress.Step(100));
    QCOMPARE(dialog->value(), 100);
    auto* cancel = dialog->findChild<QPushButton*>();
    QVERIFY(cancel);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!progress.Step(200));
    progress.End();
    QVERIFY(!progress.Dialog());
}

int main(int argc, char** argv)
{
    // The program's own application object, so an error escaping a click handler reaches the
    // default error handler as it does in the program.
    TApplication application(argc, argv);
    TstDocumentPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_documentpages.moc"
