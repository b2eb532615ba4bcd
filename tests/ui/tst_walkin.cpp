#include "ui/TConfRegisteredPanel.h"
#include "db/TConnection.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "data/TRegistrations.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestWindows.h"
#include "ui/TWalkInGuard.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmSignIn.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// The sign-in window with registrations: registered people are marked, a walk-in's line says
// "not registered", and the guard of the add-participant dialog offers a person already on the
// list instead of a second record. Also the Registered sub-page of the Conferences page.
class TstWalkIn : public QObject
{
    Q_OBJECT
private:
    static constexpr int kHeart = 1;
    static constexpr int kAdams = 1;
    static constexpr int kBaker = 2;

    template <class T> T* Find(QWidget* window, const char* name)
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    int Count(const QString& sql) { return m_db->Conn().ScalarQuery(sql).toInt(); }
    void OpenSignIn()
    {
        QVERIFY(DM->SignInConfs->Locate(QStringLiteral("conf_id"), kHeart));
        frmSignIn->open();
        QVERIFY(QTest::qWaitForWindowExposed(frmSignIn));
    }
    // Runs act once the dialog is the active modal window; closes it if act left it open.
    static void WhenShown(QDialog* dialog, std::function<void()> act)
    {
        auto* timer = new QTimer(dialog);
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, dialog, [=] {
            if (dialog->isVisible() && QApplication::activeModalWidget() == dialog) {
                timer->stop();
                timer->deleteLater();
                act();
                if (dialog->isVisible())
                    dialog->reject();
            }
        });
        timer->start();
    }
    void TypeInto(const char* name, const QString& text)
    {
        auto* edit = Find<QLineEdit>(frmAddPart, name);
        QVERIFY(edit);
        edit->setFocus();
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<TTempDatabase> m_db;
    std::unique_ptr<TTestPrompts> m_prompts;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TfrmMain> m_main;

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
        m_prompts = std::make_unique<TTestPrompts>();
        m_dm = std::make_unique<TDM>(m_db->Dir());
        QVERIFY(!m_dm->OpenFailed);
        m_main = std::make_unique<TfrmMain>();
        frmMain = m_main.get();
        TTestWindows::CreateDialogs();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    }
    void cleanup()
    {
        if (frmSignIn && frmSignIn->isVisible())
            frmSignIn->close();
        TTestWindows::DestroyDialogs();
        m_main.reset();
        frmMain = nullptr;
        m_dm.reset();
        m_prompts.reset();
        m_db.reset();
    }

    void registeredPeopleAreMarkedAndWalkInsSaidSo()
    {
        OpenSignIn();
        auto* grid = Find<TDBGrid>(frmSignIn, "dbgSignInNames");
        auto mark = [&](int userId) {
            const int row = DM->SignInParts->FindRow(QStringLiteral("user_id"), userId);
            return grid->model()->index(row, 0).data(Qt::ToolTipRole).toString();
        };
        QCOMPARE(mark(kAdams), QString("Registered"));
        QCOMPARE(mark(kBaker), QString());

        auto* status = Find<QLabel>(frmSignIn, "lSignInStatus");
        QVERIFY(DM->SignInParts->Locate(QStringLiteral("user_id"), kBaker));
        frmSignIn->sbSignInClick();
        QCOMPARE(status->text(), QString("Signed in (not registered): Ben Baker"));
        QVERIFY(DM->SignInParts->Locate(QStringLiteral("user_id"), kAdams));
        frmSignIn->sbSignInClick();
        QCOMPARE(status->text(), QString("Signed in: Anna Adams"));
        QCOMPARE(Count("select count(*) from attendances where conf_id = 1"), 2);
    }

    void guardSignsInThePersonAlreadyOnTheList()
    {
        OpenSignIn();
        const int before = Count("select count(*) from participants");
        QString offered;
        WhenShown(frmAddPart, [&] {
            auto* guard = Find<TWalkInGuard>(frmAddPart, "WalkInGuard");
            QVERIFY(guard && !guard->isVisible());
            TypeInto("dbePartLastName", QStringLiteral("Adams"));
            TypeInto("dbePartFirstName", QStringLiteral("Ann"));
            QVERIFY(guard->isVisible());
            offered = Find<QLabel>(frmAddPart, "lAlreadyListed")->text();
            // One click takes the person offered.
            QTest::mouseClick(Find<QPushButton>(frmAddPart, "bAlreadyListed"), Qt::LeftButton);
        });
        QTest::mouseClick(Find<QPushButton>(frmSignIn, "bSignInNew"), Qt::LeftButton);
        QCOMPARE(offered, QString::fromUtf8("Already on the list? Anna Adams, anna@…"));
        QCOMPARE(Count("select count(*) from participants"), before);
        QCOMPARE(Count("select count(*) from attendances where conf_id = 1 and user_id = 1"), 1);
        QCOMPARE(DM->Participants->DataState(), TDataSet::State::Browse);
    }

    void guardStaysQuietForSomeoneNew()
    {
        OpenSignIn();
        WhenShown(frmAddPart, [&] {
            TypeInto("dbePartLastName", QStringLiteral("Zeta"));
            TypeInto("dbePartFirstName", QStringLiteral("Zoe"));
            TypeInto("dbeEmail", QStringLiteral("zoe@example.net"));
            QVERIFY(!Find<TWalkInGuard>(frmAddPart, "WalkInGuard")->isVisible());
            QTest::mouseClick(Find<QPushButton>(frmAddPart, "bPartSave"), Qt::LeftButton);
        });
        QTest::mouseClick(Find<QPushButton>(frmSignIn, "bSignInNew"), Qt::LeftButton);
        QCOMPARE(Count("select count(*) from participants where last_name = 'Zeta'"), 1);
    }

    void registeredSubPageListsCountsAndRemoves()
    {
        QVERIFY(DM->Conferences->Locate(QStringLiteral("conf_id"), kHeart));
        auto* panel = m_main->findChild<TConfRegisteredPanel*>("tsConfRegistered");
        QVERIFY(panel);
        auto* pages = m_main->findChild<QTabWidget*>("pgConfDetails");
        QCOMPARE(pages->tabText(pages->indexOf(panel)), QString("Registered"));
        pages->setCurrentWidget(panel);
        m_db->Exec("insert into attendances (conf_id, user_id) values (1, 2)");
        panel->ShowCounts();
        QCOMPARE(Find<QLabel>(panel, "lRegCounts")->text(),
                 QString::fromUtf8("Registered 1 · Signed in 1 · Not come 1"));
        QCOMPARE(DM->Registrations->ConfRegs->RecordCount(), 1);
        m_prompts->QueueAnswer(true);
        panel->bConfDelRegClick();
        QCOMPARE(Count("select count(*) from registrations"), 0);
        QCOMPARE(DM->Registrations->ConfRegs->RecordCount(), 0);
    }

    void registrantImportThroughTheDialog()
    {
        QVERIFY(DM->Conferences->Locate(QStringLiteral("conf_id"), kHeart));
        auto* panel = m_main->findChild<TConfRegisteredPanel*>("tsConfRegistered");
        const QString list = QDir(m_db->Dir()).filePath("registrants.csv");
        {
            QFile file(list);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Surname;Given name;E-mail\r\nADAMS;Anna;Anna@Example.org\r\n"
                       "Dunn;Dee;dee@example.org\r\nEve;;eve-at-example\r\n");
        }
        m_prompts->QueueFileName(list);
        QString counts;
        QTimer timer;
        timer.setInterval(5);
        connect(&timer, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != QLatin1String("frmImport"))
                return;
            timer.stop();
            counts = Find<QLabel>(modal, "lImportCounts")->text();
            QCOMPARE(Count("select count(*) from participants"), 3); // nothing stored yet
            QTest::mouseClick(Find<QPushButton>(modal, "bImport"), Qt::LeftButton);
        });
        timer.start();
        panel->bImportRegsClick();
        QCOMPARE(counts, QString::fromUtf8("New: 1 · Matched to an existing person: 1 · Possible "
                                           "duplicates (left out): 0 · Refused: 1"));
        QCOMPARE(Count("select count(*) from participants"), 4);
        QCOMPARE(Count("select count(*) from registrations where conf_id = 1"), 2);
        QCOMPARE(DM->Registrations->ConfRegs->RecordCount(), 2);
        QVERIFY(QFile::exists(QDir(m_db->Dir()).filePath("registrants-refused.csv")));
    }
};

QTEST_MAIN(TstWalkIn)
#include "tst_walkin.moc"
