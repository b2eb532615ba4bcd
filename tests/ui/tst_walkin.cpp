#include "data/TDM.h"
#include "data/TRegistrations.h"
#include "import/TImportRun.h"
#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "support/TTestReportWindows.h"
#include "support/TTestWindows.h"
#include "tools/TReportProjectFile.h"
#include "ui/TConfRegisteredPanel.h"
#include "settings/TConfig.h"
#include "ui/TDBGrid.h"
#include "ui/TParticipantsPage.h"
#include "ui/TWalkInGuard.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmSignIn.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

// Registrations in the windows: registered people are marked in the sign-in window, a
// walk-in's line says "not registered", the walk-in guard offers a person already on the list
// instead of a second record (at the door and at the desk), and the Registered sub-page lists,
// counts, removes and imports.
class TstWalkIn : public TMainWindowTest
{
    Q_OBJECT
private:
    static constexpr int kHeart = 1;
    static constexpr int kAdams = 1;
    static constexpr int kBaker = 2;

    void OpenSignIn()
    {
        QVERIFY(m_dm->SignInConfs->Locate(QStringLiteral("conf_id"), kHeart));
        m_main->SignInWindow()->open();
        QVERIFY(QTest::qWaitForWindowExposed(m_main->SignInWindow()));
    }
    static void TypeInto(QWidget* form, const char* name, const QString& text)
    {
        auto* edit = Find<QLineEdit>(form, name);
        QVERIFY(edit);
        edit->setFocus();
        QTest::keyClicks(edit, text);
    }
    TConfRegisteredPanel* RegisteredPanel()
    {
        m_dm->Conferences->Locate(QStringLiteral("conf_id"), kHeart);
        return m_main->findChild<TConfRegisteredPanel*>(QStringLiteral("tsConfRegistered"));
    }

    std::unique_ptr<TTestReportWindows> m_windows;

private Q_SLOTS:
    void init()
    {
        m_db = std::make_unique<TTempDatabase>();
        const QString year = QString::number(QDate::currentDate().year());
        m_db->Exec(QStringLiteral("insert into conferences (conf_name, begin_date, end_date, units) "
                                  "values ('Heart', '%1-03-07 09:00:00', '%1-03-07 17:00:00', 2)")
                       .arg(year));
        m_db->Exec("insert into participants (last_name, first_name, email, zip) values "
                   "('Adams', 'Anna', 'anna@example.org', '10001'), ('Baker', 'Ben', NULL, NULL), "
                   "('Cole', 'Cy', NULL, NULL)");
        m_db->Exec("insert into registrations (conf_id, user_id, source) values (1, 1, 'import')");
        QVERIFY(TReportProjectFile::WriteDefault(m_db->Dir()));
        m_windows = std::make_unique<TTestReportWindows>();
        QVERIFY(OpenMainWindow(m_windows.get()));
    }
    void cleanup()
    {
        if (m_main && m_main->SignInWindow()->isVisible())
            m_main->SignInWindow()->close();
        CloseMainWindow();
        m_windows.reset();
    }

    void registeredPeopleAreMarkedAndWalkInsSaidSo()
    {
        OpenSignIn();
        TfrmSignIn* window = m_main->SignInWindow();
        auto* grid = Find<TDBGrid>(window, "dbgSignInNames");
        auto mark = [&](int userId) {
            const int row = m_dm->SignInParts->FindRow(QStringLiteral("user_id"), userId);
            return grid->model()->index(row, 0).data(Qt::ToolTipRole).toString();
        };
        QCOMPARE(mark(kAdams), QString("Registered"));
        QCOMPARE(mark(kBaker), QString());

        auto* status = Find<QLabel>(window, "lSignInStatus");
        QVERIFY(m_dm->SignInParts->Locate(QStringLiteral("user_id"), kBaker));
        window->sbSignInClick();
        QCOMPARE(status->text(), QString("Signed in (not registered): Ben Baker"));
        QVERIFY(m_dm->SignInParts->Locate(QStringLiteral("user_id"), kAdams));
        window->sbSignInClick();
        QCOMPARE(status->text(), QString("Signed in: Anna Adams"));
        QCOMPARE(Count("select count(*) from attendances where conf_id = 1"), 2);
    }

    // The Configure page's setting lists the registrants first, by name; off, the list is as
    // it always was.
    void registrantsFirstIsASetting_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("off") << false;
        QTest::newRow("on") << true;
    }
    void registrantsFirstIsASetting()
    {
        QFETCH(bool, on);
        m_db->Exec("insert into registrations (conf_id, user_id, source) values (1, 3, 'desk')");
        m_main->PageControl()->setCurrentIndex(TfrmMain::pageCustomize);
        Find<QCheckBox>("cbRegistrantsFirst")->setChecked(on);
        m_main->PageControl()->setCurrentIndex(TfrmMain::pageSignIn);
        QCOMPARE(m_dm->Config->ReadInteger("SignIn", "RegistrantsFirst", -1), on ? 1 : 0);
        for (int pass = 0; pass < 2; ++pass) { // the order holds when the window opens again
            OpenSignIn();
            QStringList names;
            for (int row = 0; row < m_dm->SignInParts->RecordCount(); ++row)
                names << m_dm->SignInParts->RowValue(row, 1).toString();
            QCOMPARE(names, on ? QStringList({"Adams", "Cole", "Baker"})
                               : QStringList({"Adams", "Baker", "Cole"}));
            m_main->SignInWindow()->close();
        }
    }

    // At the door one click signs in the person offered; someone new is stored as typed.
    void guardAtTheDoor_data()
    {
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("first");
        QTest::addColumn<bool>("offered");
        QTest::newRow("already listed") << "Adams" << "Ann" << true;
        QTest::newRow("someone new") << "Zeta" << "Zoe" << false;
    }
    void guardAtTheDoor()
    {
        QFETCH(QString, last);
        QFETCH(QString, first);
        QFETCH(bool, offered);
        OpenSignIn();
        TfrmAddPart* dialog = m_main->AddPartDialog();
        const int before = Count("select count(*) from participants");
        QString line;
        TGuiTest::WhenShown(dialog, [&] {
            auto* guard = Find<TWalkInGuard>(dialog, "WalkInGuard");
            QVERIFY(guard && !guard->isVisible());
            TypeInto(dialog, "dbePartLastName", last);
            TypeInto(dialog, "dbePartFirstName", first);
            QCOMPARE(guard->isVisible(), offered);
            line = Find<QLabel>(dialog, "lAlreadyListed")->text();
            QTest::mouseClick(Find<QPushButton>(dialog, offered ? "bAlreadyListed" : "bPartSave"),
                              Qt::LeftButton);
        });
        QTest::mouseClick(Find<QPushButton>(m_main->SignInWindow(), "bSignInNew"), Qt::LeftButton);
        QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
        if (offered) {
            QCOMPARE(line, QString::fromUtf8("Already on the list? Anna Adams, anna@…"));
            QCOMPARE(Count("select count(*) from participants"), before);
            QCOMPARE(Count("select count(*) from attendances where conf_id = 1 and user_id = 1"), 1);
        } else {
            QCOMPARE(Count("select count(*) from participants"), before + 1);
            QCOMPARE(Count("select count(*) from attendances a, participants p where "
                           "a.user_id = p.user_id and p.last_name = 'Zeta'"),
                     1);
        }
    }

    // At the desk the person offered is opened instead of a second record, also when the
    // page's search hides them.
    void guardAtTheDeskOpensThePersonOffered()
    {
        m_main->PageControl()->setCurrentIndex(TfrmMain::pageParticipants);
        TParticipantsPage* page = m_main->ParticipantsPage();
        m_dm->SearchParticipants(QStringLiteral("Cole"));
        const int before = Count("select count(*) from participants");
        page->bPartInsertClick();
        auto* guard = Find<TWalkInGuard>(page, "WalkInGuard");
        QVERIFY(guard && !guard->isVisible());
        TypeInto(page, "dbeEmail", QStringLiteral("ANNA@example.org"));
        QVERIFY(guard->isVisible());
        QTest::keyClick(Find<QPushButton>(page, "bAlreadyListed"), Qt::Key_Space);
        QVERIFY(!page->Editing());
        QVERIFY(!guard->isVisible());
        QCOMPARE(m_dm->Participants->DataState(), TDataSet::State::Browse);
        QCOMPARE(m_dm->CurrentParticipantId().toInt(), kAdams);
        QCOMPARE(Count("select count(*) from participants"), before);
        // Editing a person is not guarded: their own record is no duplicate.
        page->bPartEditClick();
        QVERIFY(!guard->isVisible());
        page->bPartCancelClick();
    }

    void registeredSubPageListsCountsAndRemoves()
    {
        TConfRegisteredPanel* panel = RegisteredPanel();
        QVERIFY(panel);
        auto* pages = Find<QTabWidget>("pgConfDetails");
        QCOMPARE(pages->tabText(pages->indexOf(panel)), QString("Registered"));
        m_main->PageControl()->setCurrentIndex(TfrmMain::pageConf);
        pages->setCurrentWidget(panel);
        m_db->Exec("insert into attendances (conf_id, user_id) values (1, 2)");
        panel->ShowCounts();
        QCOMPARE(Find<QLabel>(panel, "lRegCounts")->text(),
                 QString::fromUtf8("Registered 1 · Signed in 1 · Not come 1"));
        QCOMPARE(m_dm->Registrations->ConfRegs->RecordCount(), 1);
        m_prompts->QueueAnswer(true);
        panel->bConfDelRegClick();
        QCOMPARE(Count("select count(*) from registrations"), 0);
        QCOMPARE(m_dm->Registrations->ConfRegs->RecordCount(), 0);
    }

    // The registered who did not come: previewed (and printable from there) and exported.
    void notComeListIsPrintedAndExported()
    {
        TConfRegisteredPanel* panel = RegisteredPanel();
        m_db->Exec("insert into registrations (conf_id, user_id, source) values (1, 2, 'desk')");
        m_db->Exec("insert into attendances (conf_id, user_id) values (1, 2)");
        panel->bPrintNotComeClick();
        QCOMPARE(m_windows->previews.size(), 1);
        QVERIFY(m_windows->previews.first().printAllowed);
        const QString page = m_windows->previews.first().sections.join(u'\n');
        QVERIFY2(page.contains("Heart") && page.contains("Adams") &&
                     page.contains("anna@example.org") && !page.contains("Baker"),
                 qPrintable(page));

        const QString path = QDir(m_db->Dir()).filePath("not-come.csv");
        m_prompts->QueueFileName(path);
        panel->bExpNotComeClick();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY2(text.contains("Adams") && !text.contains("Baker"), qPrintable(text));
    }

    void registrantImportThroughTheDialog()
    {
        TConfRegisteredPanel* panel = RegisteredPanel();
        QVERIFY(panel);
        const QString list = QDir(m_db->Dir()).filePath("registrants.csv");
        {
            QFile file(list);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Surname;Given name;E-mail\r\nADAMS;Anna;Anna@Example.org\r\n"
                       "Dunn;Dee;dee@example.org\r\nEve;;eve-at-example\r\n");
        }
        m_prompts->QueueFileName(list);
        QString counts;
        int storedBefore = -1;
        const auto watch = TGuiTest::WhenModal("frmImport", [&](QWidget* modal) {
            counts = Find<QLabel>(modal, "lImportCounts")->text();
            storedBefore = Count("select count(*) from participants");
            QTest::mouseClick(Find<QPushButton>(modal, "bImport"), Qt::LeftButton);
        });
        panel->bImportRegsClick();
        QCOMPARE(storedBefore, 3); // nothing is stored before Import
        QCOMPARE(counts, QString::fromUtf8("New: 1 · Matched to an existing person: 1 · Possible "
                                           "duplicates (left out): 0 · Refused: 1"));
        QCOMPARE(Count("select count(*) from participants"), 4);
        QCOMPARE(Count("select count(*) from registrations where conf_id = 1"), 2);
        QCOMPARE(m_dm->Registrations->ConfRegs->RecordCount(), 2);
        QVERIFY(QFile::exists(QDir(m_db->Dir()).filePath("registrants-refused.csv")));
    }

    // A possible duplicate is merged into the person it resembles when the dialog says so: no
    // second record, their stored e-mail kept, and they are registered.
    void dialogMergesAPossibleDuplicateAsDecided()
    {
        TConfRegisteredPanel* panel = RegisteredPanel();
        m_db->Exec("delete from registrations");
        const QString list = QDir(m_db->Dir()).filePath("one.csv");
        {
            QFile file(list);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Surname,Given name,E-mail,City\r\nAdems,Ana,ana@example.org,Boston\r\n");
        }
        m_prompts->QueueFileName(list);
        QString kept;
        const auto watch = TGuiTest::WhenModal("frmImport", [&](QWidget* modal) {
            auto* decision = Find<QComboBox>(modal, "cbImportDecision2");
            QVERIFY(decision);
            QCOMPARE(decision->currentText(), QString("Leave out"));
            decision->setCurrentIndex(decision->findData(int(TDuplicateDecision::Merge)));
            kept = Find<QTableWidget>(modal, "tblImportDuplicates")->item(0, 2)->text();
            QTest::mouseClick(Find<QPushButton>(modal, "bImport"), Qt::LeftButton);
        });
        panel->bImportRegsClick();
        QVERIFY2(kept.contains("email: anna@example.org stays"), qPrintable(kept));
        QCOMPARE(Count("select count(*) from participants"), 3);
        QCOMPARE(Count("select count(*) from registrations where conf_id = 1 and user_id = 1"), 1);
        QCOMPARE(m_dm->Conn->ScalarQuery("select email || ' ' || city from participants where "
                                         "user_id = 1").toString(),
                 QString("anna@example.org Boston"));
    }
};

QTEST_MAIN(TstWalkIn)
#include "tst_walkin.moc"
