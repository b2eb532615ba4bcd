#include "app/TApplication.h"
#include "ui/TConferencesPage.h"
#include "settings/TConfig.h"
#include "ui/TConfigurePage.h"
#include "db/TConnection.h"
#include "ui/TCustImageBox.h"
#include "ui/TCustListEditor.h"
#include "ui/TDBEdit.h"
#include "ui/TDBGrid.h"
#include "ui/TDBLookupComboBox.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "data/TIdList.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"
#include "support/TTestWindows.h"
#include "ui/TTranscriptSettingsTab.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmPickConf.h"
#include "ui/TfrmPickExtra.h"
#include "ui/TfrmPickPart.h"
#include "ui/TfrmPickSpeaker.h"
#include "ui/TfrmSignIn.h"
#include "ui/TfrmTimeFilter.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace
{

// Records what the picture dialog was asked for, and moves the working directory the way a
// desktop file dialog may do.
class TPicturePrompts : public TTestPrompts
{
public:
    QString OpenFileName(const QString& caption, const QString& directory,
                         const QString& filter) override
    {
        filters << filter;
        if (!wanderTo.isEmpty())
            QDir::setCurrent(wanderTo);
        return TTestPrompts::OpenFileName(caption, directory, filter);
    }

    QStringList filters;
    QString wanderTo;
};

using TGuiTest::WithoutMnemonic;

QString ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

// The Configure page on a real database, in a main window created as at start-up.
class TstConfigurePage : public TMainWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void pageShowsItsControlsAndCaptions();
    void emptyListEditAndRemoveDoNothing();
    void removingACreditAsksFirst();
    void failedCreditRemovalEnablesTheWindowAgain();
    void newCreditShowsEverywhereAtOnce();
    void titleAddNewThenCancelRestoresRowsAndTabs();
    void savedSpeakerReachesConferencesAndRemoveIsEnabled();
    void titleCanBeEditedWhileACreditIs();
    void removingASpeakerOrExtraRemovesItsLinks();
    void refusedPostKeepsTheEditStateAndShowsTheMessage();
    void chosenHeaderImageReachesTheSettingsOnLeaving();
    void unreadableImageShowsAnErrorAndKeepsTheSetting();
    void missingImageIsIgnoredWhenLoading();
    void defaultMailClientHidesSmtpGroupButSavesIt();
    void unknownCodesLeaveTheSelection();
    void settingsRoundTripThroughTheFile();
    void keyboardReachesTheEditor();
    void screenshots();

private:
    void ShowConfigure(int subPage);
    QRadioButton* RadioItem(const char* group, const QString& caption);
    // Clicks the item's round indicator, which takes a click wherever the item stands.
    void ChooseItem(const char* group, const QString& caption)
    {
        QRadioButton* item = RadioItem(group, caption);
        QVERIFY(item);
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, item->height() / 2));
        QVERIFY(item->isChecked());
    }
    bool AllTabsVisible(QTabWidget* pages) const;
    QString IniPath() const { return m_db->FilePath(QStringLiteral("quorvel.ini")); }

    TPicturePrompts* m_pictures = nullptr; // the prompts, as the picture dialog's recorder
    TConfigurePage* m_page = nullptr;
    QTabWidget* m_subPages = nullptr;
    QString m_workingDirectory;
};

void TstConfigurePage::init()
{
    m_workingDirectory = QDir::currentPath();
    m_db = std::make_unique<TTempDatabase>();
    const QString year = QString::number(QDate::currentDate().year());
    m_db->Exec("insert into credits (c_name) values ('AMA'), ('CEU'), ('CME')");
    m_db->Exec("insert into titles (t_name) values ('MD'), ('RN')");
    m_db->Exec("insert into specialities (s_name) values ('Cardiology'), ('Nursing')");
    m_db->Exec("insert into speakers (last_name, first_name, place, title_id) values "
               "('Baker', 'Ann', 'Boston', 1), ('Young', 'Tom', 'Austin', 2)");
    m_db->Exec("insert into extras (e_name) values ('Lunch included'), ('Parking')");
    m_db->Exec(QStringLiteral("insert into conferences (conf_name, begin_date, end_date, units) "
                              "values ('Heart', '%1-03-07 09:00:00', '%1-03-07 17:00:00', 2), "
                              "('Lungs', '%1-02-01 09:00:00', '%1-02-01 12:00:00', 1)")
                   .arg(year));
    m_db->Exec("insert into conf_credits (conf_id, credit_id) values (1, 1), (1, 2), (2, 2)");
    m_db->Exec("insert into conf_speakers (conf_id, speak_id) values (1, 1), (2, 1), (2, 2)");
    m_db->Exec("insert into conf_extras (conf_id, extra_id) values (1, 1), (2, 2)");

    m_prompts.reset(m_pictures = new TPicturePrompts);
    QVERIFY(OpenMainWindow());
    m_page = m_main->ConfigurePage();
    m_subPages = Find<QTabWidget>("pgCustomize");
    QVERIFY(m_page && m_subPages);
}

void TstConfigurePage::cleanup()
{
    CloseMainWindow();
    QDir::setCurrent(m_workingDirectory);
}

void TstConfigurePage::ShowConfigure(int subPage)
{
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageCustomize);
    m_subPages->setCurrentIndex(subPage);
}

QRadioButton* TstConfigurePage::RadioItem(const char* group, const QString& caption)
{
    auto* box = Find<QGroupBox>(group);
    if (!box)
        return nullptr;
    for (QRadioButton* item : box->findChildren<QRadioButton*>())
        if (WithoutMnemonic(item->text()) == caption)
            return item;
    return nullptr;
}

bool TstConfigurePage::AllTabsVisible(QTabWidget* pages) const
{
    for (int i = 0; i < pages->count(); ++i)
        if (!pages->isTabVisible(i))
            return false;
    return true;
}

void TstConfigurePage::pageShowsItsControlsAndCaptions()
{
    const QStringList names = {"tsCustTranscripts", "tsCustCredits", "tsTitles", "tsSpecialities",
                               "tsSpeakers",        "tsExtras",      "tsEmail", "tsSignInSettings"};
    const QStringList captions = {"Transcripts", "Credits",         "Titles",        "Specialities",
                                  "Speakers",    "Additional info", "Email settings", "Live sign-in"};
    QCOMPARE(m_subPages->count(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(m_subPages->widget(i)->objectName(), names[i]);
        QCOMPARE(m_subPages->tabText(i), captions[i]);
    }
    QVERIFY(Find<QWidget>("Panel4"));

    const QList<QPair<const char*, QStringList>> grids = {
        {"jdbgCredits", {"Credit"}},
        {"jdbgTitles", {"Title"}},
        {"jdbgSpecialities", {"Speciality"}},
        {"jdbgSpeakers", {"Last name", "First name"}},
        {"jdbgExtras", {"Additional info"}}};
    for (const auto& [name, titles] : grids) {
        auto* grid = Find<TDBGrid>(name);
        QVERIFY(grid);
        QVERIFY(!grid->Sortable());
        QVERIFY(grid->editTriggers() == QAbstractItemView::NoEditTriggers);
        QCOMPARE(grid->model()->columnCount(), titles.size());
        for (int c = 0; c < titles.size(); ++c)
            QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
    }

    // Every editor starts browsing: list and Edit / Add new / Remove usable, details not.
    for (const char* stem : {"bCredit", "bTitle", "bSpec", "bSpeaker", "bExtra"}) {
        const QByteArray p(stem);
        const QStringList captions = {"Edit", "Add new", "Remove", "Save", "Cancel"};
        const QList<QByteArray> suffixes = {"Edit", "New", "Delete", "Save", "Cancel"};
        for (int i = 0; i < suffixes.size(); ++i) {
            QPushButton* button = Button(QByteArray(p + suffixes[i]).constData());
            QVERIFY(button);
            QCOMPARE(WithoutMnemonic(button->text()), captions[i]);
            QCOMPARE(button->isEnabled(), i < 3);
        }
    }
    for (const char* panel : {"pCustCreditInfo", "pCustTitleInfo", "pCustSpecInfo",
                              "pCustSpeakerInfo", "pCustExtraInfo"})
        QVERIFY(!Find<QWidget>(panel)->isEnabled());

    QCOMPARE(Find<QLineEdit>("ePassword")->echoMode(), QLineEdit::Password);
    QVERIFY(RadioItem("rgMailType", "Use default mail client"));
    QVERIFY(RadioItem("rgMailType", "SMTP Server"));
    QVERIFY(RadioItem("rgAuthType", "Login"));
    QVERIFY(RadioItem("rgAuthType", "None"));
    auto* lookup = Find<TDBLookupComboBox>("jdblcTitle");
    QCOMPARE(lookup->itemText(0), QStringLiteral("<none>"));
    QCOMPARE(lookup->count(), 3);
}

void TstConfigurePage::emptyListEditAndRemoveDoNothing()
{
    m_db->Exec("delete from extras");
    m_dm->Extras->Requery();
    ShowConfigure(TConfigurePage::subExtras);

    Click("bExtraEdit");
    QCOMPARE(m_dm->Extras->DataState(), TDataSet::State::Browse);
    QVERIFY(!Button("bExtraSave")->isEnabled());
    QVERIFY(OtherMainTabsVisible());

    Click("bExtraDelete");
    QVERIFY(m_prompts->shown.isEmpty());
    QCOMPARE(m_prompts->unansweredQuestions, 0);
}

void TstConfigurePage::removingACreditAsksFirst()
{
    ShowConfigure(TConfigurePage::subCredits);
    QVERIFY(m_dm->Credits->Locate(QStringLiteral("c_name"), QStringLiteral("CEU")));
    auto* confPanel = Find<QWidget>("fraConfFilter");
    QVERIFY(confPanel);
    auto* confPanelList = confPanel->findChild<QListWidget*>("jclbFCredits");
    QVERIFY(confPanelList && confPanelList->count() == 3);
    confPanelList->item(2)->setCheckState(Qt::Checked);

    m_prompts->QueueAnswer(false);
    Click("bCreditDelete");
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Confirmation);
    QCOMPARE(m_prompts->shown[0].caption, QStringLiteral("Confirm"));
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Remove credit?"));
    QCOMPARE(m_dm->Credits->RecordCount(), 3);
    QCOMPARE(Count("select count(*) from conf_credits"), 3);

    m_prompts->QueueAnswer(true);
    Click("bCreditDelete");
    QCOMPARE(m_prompts->shown.size(), 2);
    QCOMPARE(m_dm->Credits->RecordCount(), 2);
    QCOMPARE(Count("select count(*) from credits where c_name = 'CEU'"), 0);
    QCOMPARE(Count("select count(*) from conf_credits"), 1);
    QCOMPARE(Count("select count(*) from conf_credits where credit_id = 2"), 0);
    QVERIFY(m_main->isEnabled());
    QCOMPARE(m_main->PageControl()->currentIndex(), int(TfrmMain::pageCustomize));
    QCOMPARE(m_dm->Credits->DataState(), TDataSet::State::Browse);
    QVERIFY(Button("bCreditDelete")->isEnabled());
    // The Conferences page and every filter panel show the remaining credit types, unticked.
    QCOMPARE(m_main->CreditLines().Texts(), (QStringList{"AMA", "CME"}));
    const QList<QListWidget*> panelLists = m_main->findChildren<QListWidget*>("jclbFCredits");
    QCOMPARE(panelLists.size(), 4);
    for (const QListWidget* list : panelLists) {
        QCOMPARE(list->count(), 2);
        for (int i = 0; i < list->count(); ++i)
            QCOMPARE(list->item(i)->checkState(), Qt::Unchecked);
        QCOMPARE(list->item(1)->text(), QStringLiteral("CME"));
    }
}

void TstConfigurePage::newCreditShowsEverywhereAtOnce()
{
    ShowConfigure(TConfigurePage::subCredits);
    Click("bCreditNew");
    auto* name = Find<QLineEdit>("dbeCreditName");
    QVERIFY(name);
    QTest::keyClicks(name, QStringLiteral("MOC"));
    Click("bCreditSave");
    QCOMPARE(m_dm->Credits->DataState(), TDataSet::State::Browse);
    QCOMPARE(m_main->CreditLines().Texts(), (QStringList{"AMA", "CEU", "CME", "MOC"}));
    for (const QListWidget* list : m_main->findChildren<QListWidget*>("jclbFCredits"))
        QCOMPARE(list->count(), 4);
    QCOMPARE(m_main->PageControl()->currentIndex(), int(TfrmMain::pageCustomize));
}

void TstConfigurePage::failedCreditRemovalEnablesTheWindowAgain()
{
    ShowConfigure(TConfigurePage::subCredits);
    // The link rows refuse to go, so the removal fails at its first step.
    m_db->Exec("create trigger keep_links before delete on conf_credits "
               "begin select raise(abort, 'conf_credits are locked'); end");

    m_prompts->QueueAnswer(true);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not accepted"));
    Click("bCreditDelete");
    QCOMPARE(m_prompts->shown.size(), 2);
    QCOMPARE(m_prompts->shown[1].kind, TPrompts::Kind::Error);
    QCOMPARE(m_prompts->shown[1].caption, TPrompts::ApplicationTitle());
    QVERIFY2(m_prompts->shown[1].text.contains(QStringLiteral("conf_credits are locked")),
             qPrintable(m_prompts->shown[1].text));
    QVERIFY(m_main->isEnabled());
    QCOMPARE(m_dm->Credits->RecordCount(), 3);
    QCOMPARE(Count("select count(*) from conf_credits"), 3);
}

void TstConfigurePage::titleAddNewThenCancelRestoresRowsAndTabs()
{
    ShowConfigure(TConfigurePage::subTitles);
    auto* grid = Find<TDBGrid>("jdbgTitles");
    QCOMPARE(grid->model()->rowCount(), 2);

    Click("bTitleNew");
    QCOMPARE(m_dm->Titles->DataState(), TDataSet::State::Insert);
    QCOMPARE(grid->model()->rowCount(), 3);
    QVERIFY(!grid->isEnabled());
    QVERIFY(Find<QWidget>("pCustTitleInfo")->isEnabled());
    QTRY_VERIFY(Find<QWidget>("dbeTitleName")->hasFocus());
    // Only the current tab of the main window and of the sub-pages remains.
    for (int i = 0; i < m_main->PageControl()->count(); ++i)
        QCOMPARE(m_main->PageControl()->isTabVisible(i), i == TfrmMain::pageCustomize);
    for (int i = 0; i < m_subPages->count(); ++i)
        QCOMPARE(m_subPages->isTabVisible(i), i == TConfigurePage::subTitles);

    Click("bTitleCancel");
    QCOMPARE(m_dm->Titles->DataState(), TDataSet::State::Browse);
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(Count("select count(*) from titles"), 2);
    QVERIFY(AllTabsVisible(m_main->PageControl()));
    QVERIFY(AllTabsVisible(m_subPages));
    QVERIFY(grid->isEnabled());
    QTRY_VERIFY(grid->hasFocus());
}

void TstConfigurePage::savedSpeakerReachesConferencesAndRemoveIsEnabled()
{
    ShowConfigure(TConfigurePage::subSpeakers);
    QVERIFY(m_dm->Speakers->Locate(QStringLiteral("last_name"), QStringLiteral("Baker")));
    QVERIFY(m_dm->Conferences->Locate(QStringLiteral("conf_name"), QStringLiteral("Heart")));

    Click("bSpeakerEdit");
    QVERIFY(!Button("bSpeakerDelete")->isEnabled());
    // Speakers leave the other sub-pages reachable.
    QVERIFY(AllTabsVisible(m_subPages));
    QVERIFY(!OtherMainTabsVisible());
    auto* lastName = Find<TDBEdit>("dbeLastName");
    QTRY_VERIFY(lastName->hasFocus());
    lastName->selectAll();
    QTest::keyClicks(lastName, QStringLiteral("Becker"));
    auto* title = Find<TDBLookupComboBox>("jdblcTitle");
    title->setCurrentIndex(title->findText(QStringLiteral("RN")));
    Q_EMIT title->activated(title->currentIndex());
    Click("bSpeakerSave");

    QCOMPARE(m_dm->Speakers->DataState(), TDataSet::State::Browse);
    QCOMPARE(Count("select count(*) from speakers where last_name = 'Becker' and title_id = 2"), 1);
    QVERIFY(Button("bSpeakerDelete")->isEnabled());
    QVERIFY(Button("bSpeakerEdit")->isEnabled());
    QVERIFY(!Button("bSpeakerSave")->isEnabled());
    QVERIFY(OtherMainTabsVisible());
    // The conference's speaker list was read again and shows the new name.
    QVERIFY(m_dm->ConfSpeakers->Locate(QStringLiteral("speak_id"), 1));
    QCOMPARE(m_dm->ConfSpeakers->FieldByName(QStringLiteral("l_last_name")).AsString(),
             QStringLiteral("Becker"));
}

void TstConfigurePage::titleCanBeEditedWhileACreditIs()
{
    ShowConfigure(TConfigurePage::subCredits);
    Click("bCreditEdit");
    QCOMPARE(m_dm->Credits->DataState(), TDataSet::State::Edit);
    QVERIFY(!OtherMainTabsVisible());
    QVERIFY(m_subPages->isTabVisible(TConfigurePage::subTitles));

    m_subPages->setCurrentIndex(TConfigurePage::subTitles);
    Click("bTitleEdit");
    auto* titleName = Find<TDBEdit>("dbeTitleName");
    QTRY_VERIFY(titleName->hasFocus());
    titleName->selectAll();
    QTest::keyClicks(titleName, QStringLiteral("DO"));
    Click("bTitleSave");

    QCOMPARE(Count("select count(*) from titles where t_name = 'DO'"), 1);
    QVERIFY(AllTabsVisible(m_main->PageControl()));
    QCOMPARE(m_dm->Credits->DataState(), TDataSet::State::Edit);
    QVERIFY(Button("bCreditSave")->isEnabled());
    QVERIFY(!Button("bCreditEdit")->isEnabled());
}

void TstConfigurePage::removingASpeakerOrExtraRemovesItsLinks()
{
    // The Conferences page shows "Heart" with its speaker and its additional-info item.
    QVERIFY(m_dm->Conferences->Locate(QStringLiteral("conf_name"), QStringLiteral("Heart")));
    auto* speakers = Find<QListWidget>("lbSpeakers");
    auto* extras = Find<QListWidget>("lbExtras");
    QVERIFY(speakers && extras);
    m_main->ConferencesPage()->FillSpeakersList();
    m_main->ConferencesPage()->FillExtrasList();
    QCOMPARE(speakers->count(), 1);
    QCOMPARE(extras->count(), 1);

    ShowConfigure(TConfigurePage::subSpeakers);
    QVERIFY(m_dm->Speakers->Locate(QStringLiteral("last_name"), QStringLiteral("Baker")));
    m_prompts->QueueAnswer(true);
    Click("bSpeakerDelete");
    QCOMPARE(m_prompts->shown.value(0).text, QStringLiteral("Remove speaker?"));
    QCOMPARE(Count("select count(*) from speakers"), 1);
    QCOMPARE(Count("select count(*) from conf_speakers where speak_id = 1"), 0);
    QCOMPARE(speakers->count(), 0);

    m_subPages->setCurrentIndex(TConfigurePage::subExtras);
    QVERIFY(m_dm->Extras->Locate(QStringLiteral("e_name"), QStringLiteral("Lunch included")));
    m_prompts->QueueAnswer(true);
    Click("bExtraDelete");
    QCOMPARE(m_prompts->shown.value(1).text, QStringLiteral("Remove additional information?"));
    QCOMPARE(Count("select count(*) from extras"), 1);
    QCOMPARE(Count("select count(*) from conf_extras"), 1);
    QCOMPARE(extras->count(), 0);

    m_subPages->setCurrentIndex(TConfigurePage::subSpecialities);
    m_prompts->QueueAnswer(false);
    Click("bSpecDelete");
    QCOMPARE(m_prompts->shown.value(2).text, QStringLiteral("Remove specialty?"));
    QCOMPARE(Count("select count(*) from specialities"), 2);
}

void TstConfigurePage::refusedPostKeepsTheEditStateAndShowsTheMessage()
{
    ShowConfigure(TConfigurePage::subTitles);
    Click("bTitleNew");
    // The box takes no more than the column holds, so the long name is put in directly.
    m_dm->Titles->FieldByName(QStringLiteral("t_name"))
        .SetValue(QStringLiteral("Doctor of Nursing"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not accepted"));
    Click("bTitleSave");
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Error);
    QCOMPARE(m_prompts->shown[0].caption, TPrompts::ApplicationTitle());
    QVERIFY2(
        m_prompts->shown[0].text.contains(QStringLiteral("t_name is longer than 15 characters")),
        qPrintable(m_prompts->shown[0].text));
    QCOMPARE(m_dm->Titles->DataState(), TDataSet::State::Insert);
    QVERIFY(Button("bTitleSave")->isEnabled());
    QVERIFY(!Find<TDBGrid>("jdbgTitles")->isEnabled());
    QVERIFY(!OtherMainTabsVisible());

    // The handler itself lets the refusal through to whoever called it.
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, Find<TCustListEditor>("tsTitles")->SaveClick());

    Click("bTitleCancel");
    QCOMPARE(m_dm->Titles->RecordCount(), 2);
    QCOMPARE(Count("select count(*) from titles"), 2);
    QVERIFY(AllTabsVisible(m_main->PageControl()));
}

void TstConfigurePage::chosenHeaderImageReachesTheSettingsOnLeaving()
{
    const QString picture = m_db->FilePath(QStringLiteral("header.bmp"));
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture, "BMP"));
    const QString elsewhere = m_db->FilePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    ShowConfigure(TConfigurePage::subTranscripts);
    const QString before = QDir::currentPath();

    m_pictures->wanderTo = elsewhere;
    m_prompts->QueueFileName(picture);
    auto* box = Find<TCustImageBox>("imTransHeader");
    QTest::mouseDClick(box, Qt::LeftButton);

    QCOMPARE(m_pictures->filters, QStringList{QStringLiteral("Bitmaps (*.bmp)")});
    QCOMPARE(QDir::currentPath(), before);
    QVERIFY(box->HasImage());
    QCOMPARE(box->Image().size(), QSize(40, 20));
    // A small picture keeps its size, centred in the box.
    QCOMPARE(box->ImageRect().size(), QSize(40, 20));
    QCOMPARE(box->ImageRect().center(), box->contentsRect().center());
    QVERIFY(!Find<TCustImageBox>("imTransFooter")->HasImage());
    QVERIFY(!ReadFile(IniPath()).contains(QStringLiteral("HeaderBmp")));

    m_main->PageControl()->setCurrentIndex(TfrmMain::pageConf);
    QCOMPARE(TConfig(IniPath()).ReadString(QStringLiteral("Bitmaps"), QStringLiteral("HeaderBmp")),
             QFileInfo(picture).absoluteFilePath());

    // The footer's button does the same for the footer; a picture larger than the box is
    // scaled down in proportion.
    const QString wide = m_db->FilePath(QStringLiteral("wide.png"));
    QImage large(2000, 500, QImage::Format_RGB32);
    large.fill(Qt::blue);
    QVERIFY(large.save(wide, "PNG"));
    ShowConfigure(TConfigurePage::subTranscripts);
    m_pictures->wanderTo.clear();
    m_prompts->QueueFileName(wide);
    Click("bLoadFooterImg");
    auto* footer = Find<TCustImageBox>("imTransFooter");
    QVERIFY(footer->HasImage());
    const QRect drawn = footer->ImageRect();
    QVERIFY(footer->contentsRect().contains(drawn));
    QCOMPARE(drawn.width(), footer->contentsRect().width());
    QVERIFY(qAbs(drawn.width() - drawn.height() * 4) <= 4);
    QCOMPARE(m_dm->Config->ReadString(QStringLiteral("Bitmaps"), QStringLiteral("FooterBmp")),
             wide);
}

void TstConfigurePage::unreadableImageShowsAnErrorAndKeepsTheSetting()
{
    const QString good = m_db->FilePath(QStringLiteral("good.bmp"));
    QImage image(30, 30, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(good, "BMP"));
    const QString bad = m_db->FilePath(QStringLiteral("notes.bmp"));
    {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Not a picture at all\r\n");
    }
    ShowConfigure(TConfigurePage::subTranscripts);
    m_prompts->QueueFileName(good);
    Click("bLoadHeaderImg");
    QVERIFY(m_prompts->shown.isEmpty());
    const QString before = QDir::currentPath();

    m_pictures->wanderTo = m_db->Dir();
    m_prompts->QueueFileName(bad);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not accepted"));
    Click("bLoadHeaderImg");
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Error);
    QVERIFY2(m_prompts->shown[0].text.contains(QStringLiteral("notes.bmp")),
             qPrintable(m_prompts->shown[0].text));
    QCOMPARE(QDir::currentPath(), before);
    auto* box = Find<TCustImageBox>("imTransHeader");
    QCOMPARE(box->Image().size(), QSize(30, 30));
    QCOMPARE(m_dm->Config->ReadString(QStringLiteral("Bitmaps"), QStringLiteral("HeaderBmp")),
             good);

    // Cancelling the dialog changes nothing either.
    Click("bLoadHeaderImg");
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_dm->Config->ReadString(QStringLiteral("Bitmaps"), QStringLiteral("HeaderBmp")),
             good);
}

void TstConfigurePage::missingImageIsIgnoredWhenLoading()
{
    const QString good = m_db->FilePath(QStringLiteral("good.bmp"));
    QImage image(30, 30, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(good, "BMP"));
    m_dm->Config->WriteString(QStringLiteral("Bitmaps"), QStringLiteral("HeaderBmp"), good);
    m_page->LoadSettings(*m_dm->Config);
    auto* box = Find<TCustImageBox>("imTransHeader");
    QCOMPARE(box->Image().size(), QSize(30, 30));

    m_dm->Config->WriteString(QStringLiteral("Bitmaps"), QStringLiteral("HeaderBmp"),
                              m_db->FilePath(QStringLiteral("gone.bmp")));
    m_page->LoadSettings(*m_dm->Config);
    QVERIFY(m_prompts->shown.isEmpty());
    QCOMPARE(box->Image().size(), QSize(30, 30));
}

void TstConfigurePage::defaultMailClientHidesSmtpGroupButSavesIt()
{
    ShowConfigure(TConfigurePage::subEmail);
    auto* smtp = Find<QGroupBox>("gbSmtpParams");
    // No HandlerType yet: SMTP Server with its group.
    QVERIFY(RadioItem("rgMailType", "SMTP Server")->isChecked());
    QVERIFY(smtp->isVisible());

    ChooseItem("rgMailType", "Use default mail client");
    QVERIFY(smtp->isHidden());
    Find<QLineEdit>("eHost")->setText(QStringLiteral("mail.example.org"));
    Find<QLineEdit>("ePort")->setText(QStringLiteral("25x"));
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageConf);

    const TConfig saved(IniPath());
    QCOMPARE(saved.ReadString(QStringLiteral("Mail"), QStringLiteral("HandlerType")),
             QStringLiteral("2"));
    QCOMPARE(saved.ReadString(QStringLiteral("SMTP"), QStringLiteral("Host")),
             QStringLiteral("mail.example.org"));
    QCOMPARE(saved.ReadString(QStringLiteral("SMTP"), QStringLiteral("Port")),
             QStringLiteral("25x"));

    // Back on the page the settings are read again: still the default client, group hidden.
    ShowConfigure(TConfigurePage::subEmail);
    QVERIFY(RadioItem("rgMailType", "Use default mail client")->isChecked());
    QVERIFY(smtp->isHidden());
    ChooseItem("rgMailType", "SMTP Server");
    QVERIFY(smtp->isVisible());
}

void TstConfigurePage::unknownCodesLeaveTheSelection()
{
    ShowConfigure(TConfigurePage::subEmail);
    ChooseItem("rgMailType", "Use default mail client");
    ChooseItem("rgAuthType", "Login");
    m_dm->Config->WriteString(QStringLiteral("Mail"), QStringLiteral("HandlerType"),
                              QStringLiteral("7"));
    m_dm->Config->WriteString(QStringLiteral("SMTP"), QStringLiteral("AuthType"),
                              QStringLiteral("5"));

    m_page->LoadSettings(*m_dm->Config);
    QVERIFY(RadioItem("rgMailType", "Use default mail client")->isChecked());
    QVERIFY(Find<QGroupBox>("gbSmtpParams")->isHidden());
    QVERIFY(RadioItem("rgAuthType", "Login")->isChecked());

    m_page->SaveSettings(*m_dm->Config);
    QCOMPARE(m_dm->Config->ReadString(QStringLiteral("Mail"), QStringLiteral("HandlerType")),
             QStringLiteral("2"));
    QCOMPARE(m_dm->Config->ReadString(QStringLiteral("SMTP"), QStringLiteral("AuthType")),
             QStringLiteral("1"));

    // A text that is no number reads as the default: SMTP Server, no authentication.
    m_dm->Config->WriteString(QStringLiteral("Mail"), QStringLiteral("HandlerType"),
                              QStringLiteral("abc"));
    m_dm->Config->WriteString(QStringLiteral("SMTP"), QStringLiteral("AuthType"), QString());
    m_page->LoadSettings(*m_dm->Config);
    QVERIFY(RadioItem("rgMailType", "SMTP Server")->isChecked());
    QVERIFY(!Find<QGroupBox>("gbSmtpParams")->isHidden());
    QVERIFY(RadioItem("rgAuthType", "None")->isChecked());
}

void TstConfigurePage::settingsRoundTripThroughTheFile()
{
    ShowConfigure(TConfigurePage::subEmail);
    ChooseItem("rgAuthType", "Login");
    Find<QLineEdit>("eHost")->setText(QStringLiteral("smtp.example.org"));
    Find<QLineEdit>("ePort")->setText(QStringLiteral("587"));
    Find<QLineEdit>("eUserName")->setText(QStringLiteral("office"));
    Find<QLineEdit>("ePassword")->setText(QStringLiteral("se=cret"));
    Find<QLineEdit>("eFrom")->setText(QStringLiteral("office@example.org"));
    Find<QLineEdit>("eSubject")->setText(QStringLiteral("Your transcript"));
    Find<QPlainTextEdit>("memBody")->setPlainText(QStringLiteral("Dear participant,\n\nregards\n"));
    Find<QPlainTextEdit>("memHeader")->setPlainText(QStringLiteral("County Hospital\nEducation"));
    Find<QPlainTextEdit>("memFooter")->setPlainText(QString());
    m_dm->Config->WriteList(QStringLiteral("Footer"), {QStringLiteral("old footer")});
    m_main->PageControl()->setCurrentIndex(TfrmMain::pageConf);

    const QString text = ReadFile(IniPath());
    QVERIFY2(
        text.contains(QStringLiteral("Body0=Dear participant,\r\nBody1=\r\nBody2=regards\r\n")),
        qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("Body3")));
    QVERIFY(!text.contains(QStringLiteral("[Footer]")));
    const TConfig saved(IniPath());
    QCOMPARE(saved.ReadString(QStringLiteral("SMTP"), QStringLiteral("AuthType")),
             QStringLiteral("1"));
    QCOMPARE(saved.ReadString(QStringLiteral("SMTP"), QStringLiteral("Password")),
             QStringLiteral("se=cret"));
    QCOMPARE(saved.ReadString(QStringLiteral("Mail"), QStringLiteral("HandlerType")),
             QStringLiteral("1"));

    // Whatever the controls show now, loading the file brings every value back.
    for (const char* name : {"eHost", "ePort", "eUserName", "ePassword", "eFrom", "eSubject"})
        Find<QLineEdit>(name)->clear();
    for (const char* name : {"memBody", "memHeader", "memFooter"})
        Find<QPlainTextEdit>(name)->setPlainText(QStringLiteral("stale"));
    ChooseItem("rgAuthType", "None");
    m_page->LoadSettings(saved);
    QCOMPARE(Find<QLineEdit>("eHost")->text(), QStringLiteral("smtp.example.org"));
    QCOMPARE(Find<QLineEdit>("ePort")->text(), QStringLiteral("587"));
    QCOMPARE(Find<QLineEdit>("eUserName")->text(), QStringLiteral("office"));
    QCOMPARE(Find<QLineEdit>("ePassword")->text(), QStringLiteral("se=cret"));
    QCOMPARE(Find<QLineEdit>("eFrom")->text(), QStringLiteral("office@example.org"));
    QCOMPARE(Find<QLineEdit>("eSubject")->text(), QStringLiteral("Your transcript"));
    QCOMPARE(Find<QPlainTextEdit>("memBody")->toPlainText(),
             QStringLiteral("Dear participant,\n\nregards"));
    QCOMPARE(Find<QPlainTextEdit>("memHeader")->toPlainText(),
             QStringLiteral("County Hospital\nEducation"));
    QCOMPARE(Find<QPlainTextEdit>("memFooter")->toPlainText(), QString());
    QVERIFY(RadioItem("rgAuthType", "Login")->isChecked());
}

void TstConfigurePage::keyboardReachesTheEditor()
{
    ShowConfigure(TConfigurePage::subSpecialities);
    auto* grid = Find<TDBGrid>("jdbgSpecialities");
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    // A mnemonic presses its button the way a click does, a moment later.
    QTest::keyClick(grid, Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(m_dm->Specialities->DataState(), TDataSet::State::Insert);
    auto* name = Find<TDBEdit>("dbeSpecName");
    QTRY_VERIFY(name->hasFocus());
    QTest::keyClicks(name, QStringLiteral("Oncology"));
    QTest::keyClick(name, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(m_dm->Specialities->DataState(), TDataSet::State::Browse);
    QCOMPARE(Count("select count(*) from specialities where s_name = 'Oncology'"), 1);
    QTRY_VERIFY(grid->hasFocus());

    // Tab walks the speaker's details in order, then on to Save and Cancel.
    ShowConfigure(TConfigurePage::subSpeakers);
    Click("bSpeakerEdit");
    QTRY_VERIFY(Find<QWidget>("dbeLastName")->hasFocus());
    for (const char* next :
         {"dbeFirstName", "dbePlace", "jdblcTitle", "bSpeakerSave", "bSpeakerCancel"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_VERIFY2(Find<QWidget>(next)->hasFocus(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(m_dm->Speakers->DataState(), TDataSet::State::Browse);
}

void TstConfigurePage::screenshots()
{
    m_main->resize(700, 572);
    QTest::qWait(0);
    const QString dir = TGuiTest::ScreenshotDir();
    const QStringList names = {"transcripts", "credits", "titles", "specialities",
                               "speakers",    "extras",  "email"};
    const QString picture = m_db->FilePath(QStringLiteral("logo.bmp"));
    QImage image(300, 90, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(picture, "BMP"));
    m_prompts->QueueFileName(picture);
    ShowConfigure(TConfigurePage::subTranscripts);
    m_page->TranscriptSettings()->imTransHeaderDblClick();
    for (int i = 0; i < names.size(); ++i) {
        ShowConfigure(i);
        QVERIFY(m_main->grab().save(
            QDir(dir).filePath(QStringLiteral("configure-%1.png").arg(names[i]))));
    }
    ShowConfigure(TConfigurePage::subSpeakers);
    Click("bSpeakerEdit");
    QVERIFY(m_main->grab().save(QDir(dir).filePath(QStringLiteral("configure-speakers-edit.png"))));
    Click("bSpeakerCancel");
    ShowConfigure(TConfigurePage::subTitles);
    Click("bTitleNew");
    QVERIFY(m_main->grab().save(QDir(dir).filePath(QStringLiteral("configure-titles-new.png"))));
    Click("bTitleCancel");
    ShowConfigure(TConfigurePage::subEmail);
    ChooseItem("rgMailType", "Use default mail client");
    QVERIFY(m_main->grab().save(QDir(dir).filePath(QStringLiteral("configure-email-default.png"))));
}

int main(int argc, char** argv)
{
    // The program's own application object, so an error escaping a click handler reaches the
    // default error handler as it does in the program.
    TApplication application(argc, argv);
    TstConfigurePage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_configurepage.moc"
