#include "ui/TAppFont.h"
#include "app/TApplication.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "ui/TColumnWidths.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "app/TStartup.h"
#include "support/TTempDatabase.h"
#include "support/TTestProgram.h"
#include "support/TTestPrompts.h"
#include "ui/TTimeFilterBox.h"
#include "ui/TTranscriptsPage.h"
#include "ui/TfraCFilter.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmTimeFilter.h"

#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>

// The main window frame with its filter panels and the time filter, in the real program on a
// real database whose conferences span several years around the current one.
class TstMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void startShowsOnlyTheCurrentYear();
    void yearsChosenInTheDialogNarrowEveryList();
    void noneShowsAll();
    void dateRangeEndsAtTheStartOfItsLastDay();
    void closeBoxChangesNothingButKeepsTheChoice();
    void enterAcceptsTheDialog();
    void okWithoutYearKeepsTheDialogOpen();
    void panelsApplyAndClearTheirOwnList();
    void applyAllFiltersRefillsCreditsAndKeepsTexts();
    void transcriptSelectionIsDroppedByFilterChanges();
    void calendarTitleClicksToggleSort();
    void transcriptWidthsFollowTheConfigurePage();
    void widthsSurviveARestart();
    void enterRunsTheSearchAndNothingElse();
    void tabsAreHighlightedOnlyAfterAUserChange();
    void screenshots();

private:
    std::unique_ptr<TTempDatabase> m_db;
    int m_year = 0;
};

namespace
{

// The main window of the program that RunAndClose runs, while it runs.
TfrmMain* g_main = nullptr;

QString Year(int offset = 0)
{
    return QString::number(QDate::currentDate().year() + offset);
}

// The values of one column over the visible rows of a data set.
QStringList Column(TDataSet* dataSet, const char* field)
{
    QStringList values;
    const int index = dataSet->FieldByName(QLatin1String(field)).Index();
    for (int row = 0; row < dataSet->RecordCount(); ++row)
        values << dataSet->RowValue(row, index).toString();
    return values;
}

QStringList Sorted(QStringList values)
{
    values.sort();
    return values;
}

template <class T> T* Find(const char* name)
{
    return g_main ? g_main->findChild<T*>(QLatin1String(name)) : nullptr;
}

int RunAndClose(const QString& dir, const std::function<void()>& inspect)
{
    return TTestProgram::RunAndClose(dir, g_main, inspect);
}

// Schedules the dialog's answer for when it is shown modally; a dialog the answer leaves open
// is closed so that no check can hang the test.
void AnswerTimeDialog(const std::function<void(TfrmTimeFilter&)>& answer)
{
    QTimer::singleShot(0, g_main->TimeFilterDialog(), [answer] {
        if (g_main->TimeFilterDialog()->isVisible())
            answer(*g_main->TimeFilterDialog());
        if (g_main->TimeFilterDialog()->isVisible())
            g_main->TimeFilterDialog()->reject();
    });
}

QRadioButton* PeriodItem(TfrmTimeFilter& dialog, int index)
{
    return dialog.findChild<QGroupBox*>(QStringLiteral("rgPeriodType"))
        ->findChildren<QRadioButton*>()
        .value(index);
}

void CheckYears(TfrmTimeFilter& dialog, const QStringList& years)
{
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("jclbYears"));
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(years.contains(list->item(i)->text()) ? Qt::Checked
                                                                            : Qt::Unchecked);
}

void ClickOk(TfrmTimeFilter& dialog)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("bOk")), Qt::LeftButton);
}

// Clicks a "select date range" button and lets the dialog be answered.
void ChooseTimeFilter(const char* button, const std::function<void(TfrmTimeFilter&)>& answer)
{
    AnswerTimeDialog(answer);
    QTest::mouseClick(Find<QToolButton>(button), Qt::LeftButton);
}

// Every time label of the window, with its text.
QMap<QString, QString> TimeLabelTexts()
{
    QMap<QString, QString> texts;
    for (TTimeFilterBox* box : g_main->findChildren<TTimeFilterBox*>())
        texts.insert(box->Label()->objectName(), box->Label()->text());
    return texts;
}

bool AllTimeLabelsShow(const QString& text, const TAppFont& font)
{
    const QList<TTimeFilterBox*> boxes = g_main->findChildren<TTimeFilterBox*>();
    if (boxes.isEmpty())
        return false;
    for (TTimeFilterBox* box : boxes) {
        if (box->Label()->text() != text || !font.IsShownBy(*box->Label()) ||
            !TAppFont::RangeFont().IsShownBy(*box->Button())) {
            qWarning("%s shows \"%s\"", qPrintable(box->Label()->objectName()),
                     qPrintable(box->Label()->text()));
            return false;
        }
    }
    return true;
}

// Clicks the tab of a page of pgMain, as the user does.
void ClickTab(int page)
{
    QTabBar* tabs = g_main->PageControl()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
}

QString Dimension(const QString& iniPath, const QString& key)
{
    return TConfig(iniPath).ReadString(QStringLiteral("Dimensions"), key);
}

} // namespace

void TstMainWindow::init()
{
    m_db = std::make_unique<TTempDatabase>();
    m_year = QDate::currentDate().year();
    const auto at = [](int offset, const char* monthDayTime) {
        return QStringLiteral("'%1-%2'").arg(Year(offset), QLatin1String(monthDayTime));
    };
    m_db->Exec("insert into credits (credit_id, c_name) values (1, 'AMA'), (3, 'CME'), (7, 'CNE')");
    m_db->Exec(QStringLiteral(
                   "insert into conferences (conf_id, conf_name, begin_date, end_date, series, "
                   "units) values "
                   "(1, 'Alpha Cardiology', %1, %1, 'Heart', 2), "
                   "(2, 'Beta Oncology', %2, %2, 'Cancer', 1.5), "
                   "(3, 'Gamma Range End', %3, %3, 'Bounds', 1), "
                   "(4, 'Delta Range Start', %4, %4, 'Bounds', 1), "
                   "(5, 'Epsilon Surgery', %5, %5, 'Heart', 1), "
                   "(6, 'Zeta Dermatology', %6, %6, 'Skin', 1)")
                   .arg(at(0, "01-15 09:00:00"), at(0, "01-02 10:00:00"),
                        at(-1, "03-31 09:00:00"), at(-1, "01-01 00:00:00"),
                        at(-1, "02-15 10:00:00"), at(-2, "06-01 10:00:00")));
    m_db->Exec("insert into conf_credits (conf_id, credit_id) values (1, 3), (2, 7), (5, 3)");
    m_db->Exec("insert into participants (user_id, last_name, first_name, mail_type) values "
               "(1, 'Smith', 'Anna', 1), (2, 'Jones', 'Bob', 1), (3, 'Brown', 'Cy', 2), "
               "(4, 'Adams', 'Di', 3), (5, 'Smithers', 'Ed', 1)");
    m_db->Exec("insert into attendances (conf_id, user_id, sign_in_date) values "
               "(1, 1, '2000-01-01 08:00:00'), (1, 2, '2000-01-01 08:00:00'), "
               "(2, 3, '2000-01-01 08:00:00'), (2, 4, '2000-01-01 08:00:00'), "
               "(5, 5, '2000-01-01 08:00:00'), (6, 1, '2000-01-01 08:00:00')");
}

void TstMainWindow::cleanup()
{
    m_db.reset();
    QVERIFY(!g_main);
}

void TstMainWindow::startShowsOnlyTheCurrentYear()
{
    TTestPrompts prompts;
    QStringList conferences, calendar, signIn, transcripts;
    bool labels = false;
    QString caption;
    QMap<QString, QString> texts;

    RunAndClose(m_db->Dir(), [&] {
        caption = g_main->windowTitle();
        labels = AllTimeLabelsShow(Year(), TAppFont::SingleYearFont());
        texts = TimeLabelTexts();
        conferences = Column(g_main->DataModule().Conferences, "conf_name");
        calendar = Column(g_main->DataModule().CalendarConfs, "conf_name");
        signIn = Column(g_main->DataModule().SignInConfs, "conf_name");
        transcripts = Column(g_main->DataModule().Transcripts, "last_name");
    });

    QCOMPARE(caption, QStringLiteral("Conferences"));
    QVERIFY(texts.contains(QStringLiteral("lTransTime")));
    QVERIFY(texts.contains(QStringLiteral("lCalTime")));
    QVERIFY(labels);
    // Newest first until the user sorts.
    const QStringList thisYear{"Alpha Cardiology", "Beta Oncology"};
    QCOMPARE(conferences, thisYear);
    QCOMPARE(calendar, thisYear);
    QCOMPARE(signIn, thisYear);
    QCOMPARE(Sorted(transcripts), (QStringList{"Adams", "Brown", "Jones", "Smith"}));
    QVERIFY(prompts.shown.isEmpty());
}

void TstMainWindow::yearsChosenInTheDialogNarrowEveryList()
{
    TTestPrompts prompts;
    bool labels = false;
    QStringList conferences, calendar, signIn, transcripts, partConfs;
    TTimeFilter applied(QStringLiteral("0"));

    RunAndClose(m_db->Dir(), [&] {
        ChooseTimeFilter("sbCalTime", [](TfrmTimeFilter& dialog) {
            CheckYears(dialog, {Year(), Year(-2)});
            ClickOk(dialog);
        });
        labels = AllTimeLabelsShow(Year() + "; " + Year(-2) + "; ", TAppFont::YearsFont());
        applied = g_main->TimeFilter();
        conferences = Column(g_main->DataModule().Conferences, "conf_name");
        calendar = Column(g_main->DataModule().CalendarConfs, "conf_name");
        signIn = Column(g_main->DataModule().SignInConfs, "conf_name");
        transcripts = Column(g_main->DataModule().Transcripts, "last_name");
        g_main->DataModule().Participants->Locate(QStringLiteral("user_id"), 1);
        partConfs = Column(g_main->DataModule().PartConfs, "conf_name");
    });

    QVERIFY(labels);
    QCOMPARE(applied.Kind, tkYears);
    QCOMPARE(applied.Years, (QStringList{Year(), Year(-2)}));
    const QStringList expected{"Alpha Cardiology", "Beta Oncology", "Zeta Dermatology"};
    QCOMPARE(conferences, expected);
    QCOMPARE(calendar, expected);
    QCOMPARE(signIn, expected);
    QCOMPARE(Sorted(transcripts), (QStringList{"Adams", "Brown", "Jones", "Smith"}));
    QCOMPARE(Sorted(partConfs), (QStringList{"Alpha Cardiology", "Zeta Dermatology"}));
    QVERIFY(prompts.shown.isEmpty());
}

void TstMainWindow::noneShowsAll()
{
    TTestPrompts prompts;
    bool labels = false;
    int conferences = 0;
    QStringList transcripts;

    RunAndClose(m_db->Dir(), [&] {
        ChooseTimeFilter("sbTransTime", [](TfrmTimeFilter& dialog) {
            PeriodItem(dialog, 2)->click();
            ClickOk(dialog);
        });
        labels = AllTimeLabelsShow(QStringLiteral("All"), TAppFont::RangeFont());
        conferences = g_main->DataModule().CalendarConfs->RecordCount();
        transcripts = Column(g_main->DataModule().Transcripts, "last_name");
    });

    QVERIFY(labels);
    QCOMPARE(conferences, 6);
    QCOMPARE(transcripts.size(), 5);
}

void TstMainWindow::dateRangeEndsAtTheStartOfItsLastDay()
{
    TTestPrompts prompts;
    bool labels = false;
    QStringList calendar;
    const QDate begin(m_year - 1, 1, 1);
    const QDate end(m_year - 1, 3, 31);

    RunAndClose(m_db->Dir(), [&] {
        ChooseTimeFilter("sbCalTime", [&](TfrmTimeFilter& dialog) {
            PeriodItem(dialog, 1)->click();
            dialog.findChild<QDateEdit*>(QStringLiteral("dtpBegin"))->setDate(begin);
            dialog.findChild<QDateEdit*>(QStringLiteral("dtpEnd"))->setDate(end);
            ClickOk(dialog);
        });
        labels = AllTimeLabelsShow(QStringLiteral("01.01.%1 - 31.03.%1").arg(Year(-1)),
                                   TAppFont::RangeFont());
        calendar = Column(g_main->DataModule().CalendarConfs, "conf_name");
    });

    QVERIFY(labels);
    // "Gamma Range End" begins at 09:00 on the last day and lies after the end bound.
    QCOMPARE(calendar, (QStringList{"Epsilon Surgery", "Delta Range Start"}));
}

void TstMainWindow::closeBoxChangesNothingButKeepsTheChoice()
{
    TTestPrompts prompts;
    bool labels = false;
    QStringList before, after;
    bool noneShownAgain = false;
    int fetches = -1;

    RunAndClose(m_db->Dir(), [&] {
        before = Column(g_main->DataModule().Conferences, "conf_name");
        int fetched = 0;
        QObject guard;
        for (TDataSet* list : {g_main->DataModule().Conferences, g_main->DataModule().SignInConfs,
                               g_main->DataModule().Transcripts, g_main->DataModule().CalendarConfs,
                               g_main->DataModule().PartConfs})
            connect(list, &TDataSet::Fetched, &guard, [&fetched] { ++fetched; });
        ChooseTimeFilter("sbCalTime", [](TfrmTimeFilter& dialog) {
            PeriodItem(dialog, 2)->click();
            dialog.close();
        });
        fetches = fetched;
        labels = AllTimeLabelsShow(Year(), TAppFont::SingleYearFont());
        after = Column(g_main->DataModule().Conferences, "conf_name");
        ChooseTimeFilter("sbTransTime", [&](TfrmTimeFilter& dialog) {
            noneShownAgain = dialog.PeriodType() == TfrmTimeFilter::periodNone;
            dialog.close();
        });
    });

    QCOMPARE(fetches, 0);
    QVERIFY(labels);
    QCOMPARE(after, before);
    QVERIFY(noneShownAgain);
}

void TstMainWindow::enterAcceptsTheDialog()
{
    TTestPrompts prompts;
    bool labels = false;

    RunAndClose(m_db->Dir(), [&] {
        // The main window consumes Enter only for its own controls: in the dialog it presses
        // the default button.
        ChooseTimeFilter("sbCalTime", [](TfrmTimeFilter& dialog) {
            CheckYears(dialog, {Year(-1), Year(-2)});
            auto* years = dialog.findChild<QListWidget*>(QStringLiteral("jclbYears"));
            QTest::keyClick(years, Qt::Key_Return);
        });
        labels = AllTimeLabelsShow(Year(-1) + "; " + Year(-2) + "; ", TAppFont::YearsFont());
    });

    QVERIFY(labels);
}

void TstMainWindow::okWithoutYearKeepsTheDialogOpen()
{
    TTestPrompts prompts;
    bool stayedOpen = false;
    bool labels = false;

    RunAndClose(m_db->Dir(), [&] {
        ChooseTimeFilter("sbCalTime", [&](TfrmTimeFilter& dialog) {
            CheckYears(dialog, {});
            ClickOk(dialog);
            stayedOpen = dialog.isVisible();
            CheckYears(dialog, {Year(-1)});
            ClickOk(dialog);
        });
        labels = AllTimeLabelsShow(Year(-1), TAppFont::SingleYearFont());
    });

    QVERIFY(stayedOpen);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Warning);
    QVERIFY(labels);
}

void TstMainWindow::panelsApplyAndClearTheirOwnList()
{
    TTestPrompts prompts;
    QStringList typedOnly, anyCredit, allCredits, cleared, conferences;
    QString modeAfterClear;
    QString serie;

    RunAndClose(m_db->Dir(), [&] {
        ChooseTimeFilter("sbCalTime", [](TfrmTimeFilter& dialog) {
            PeriodItem(dialog, 2)->click();
            ClickOk(dialog);
        });
        auto* panel = Find<TfraCFilter>("fraCalFilter");
        QTest::keyClicks(panel->findChild<QLineEdit*>(QStringLiteral("eFSerie")),
                         QStringLiteral("Heart"));
        auto* credits = panel->findChild<QListWidget*>(QStringLiteral("jclbFCredits"));
        credits->item(1)->setCheckState(Qt::Checked); // CME
        credits->item(2)->setCheckState(Qt::Checked); // CNE
        // Typing and checking change nothing before Apply.
        typedOnly = Column(g_main->DataModule().CalendarConfs, "conf_name");
        QTest::mouseClick(panel->ApplyButton(), Qt::LeftButton);
        anyCredit = Column(g_main->DataModule().CalendarConfs, "conf_name");
        serie = g_main->CalFilter().Serie;
        QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("stCreditsAndOr")),
                          Qt::LeftButton);
        QTest::mouseClick(panel->ApplyButton(), Qt::LeftButton);
        allCredits = Column(g_main->DataModule().CalendarConfs, "conf_name");
        QTest::mouseClick(panel->ClearButton(), Qt::LeftButton);
        cleared = Column(g_main->DataModule().CalendarConfs, "conf_name");
        modeAfterClear = panel->Mode();
        conferences = Column(g_main->DataModule().Conferences, "conf_name");
    });

    QCOMPARE(typedOnly.size(), 6);
    QCOMPARE(serie, QStringLiteral("Heart"));
    QCOMPARE(anyCredit, (QStringList{"Alpha Cardiology", "Epsilon Surgery"}));
    // No conference grants both CME and CNE.
    QVERIFY2(allCredits.isEmpty(), qPrintable(allCredits.join(u',')));
    QCOMPARE(cleared.size(), 6);
    QCOMPARE(modeAfterClear, QStringLiteral("and"));
    // The Calendar panel leaves the other lists alone.
    QCOMPARE(conferences.size(), 6);
}

void TstMainWindow::applyAllFiltersRefillsCreditsAndKeepsTexts()
{
    TTestPrompts prompts;
    QStringList creditLines;
    int checked = -1;
    QString mode;
    QString typed;
    QStringList calendar;

    RunAndClose(m_db->Dir(), [&] {
        auto* panel = Find<TfraCFilter>("fraCalFilter");
        QTest::keyClicks(panel->findChild<QLineEdit*>(QStringLiteral("eFName")),
                         QStringLiteral("Alpha"));
        auto* credits = panel->findChild<QListWidget*>(QStringLiteral("jclbFCredits"));
        credits->item(0)->setCheckState(Qt::Checked);
        panel->SetAndMode();
        // A credit type removed elsewhere: the window reads the list again.
        g_main->DataModule().Conn->Execute(
            QStringLiteral("delete from credits where credit_id = 1"));
        g_main->DataModule().Credits->Requery();
        g_main->RefillCreditLines();
        g_main->ApplyAllFilters();
        for (int i = 0; i < credits->count(); ++i)
            creditLines << credits->item(i)->text();
        checked = 0;
        for (int i = 0; i < credits->count(); ++i)
            checked += credits->item(i)->checkState() == Qt::Checked;
        mode = panel->Mode();
        typed = g_main->CalFilter().Name;
        calendar = Column(g_main->DataModule().CalendarConfs, "conf_name");
    });

    QCOMPARE(creditLines, (QStringList{"CME", "CNE"}));
    QCOMPARE(checked, 0);
    QCOMPARE(mode, QStringLiteral("or"));
    QCOMPARE(typed, QStringLiteral("Alpha"));
    QCOMPARE(calendar, QStringList{"Alpha Cardiology"});
}

void TstMainWindow::transcriptSelectionIsDroppedByFilterChanges()
{
    TTestPrompts prompts;
    int selectedBefore = -1, afterApply = -1, afterTime = -1, afterClear = -1;

    RunAndClose(m_db->Dir(), [&] {
        ClickTab(TfrmMain::pageTranscripts);
        TDBGrid* grid = g_main->TranscriptsPage()->TranscriptsGrid();
        auto* panel = Find<TfraCFilter>("fraTransFilter");
        const auto selectThree = [grid] {
            // The grid reads the rows of its list once it is on screen.
            QCoreApplication::processEvents();
            grid->setFocus();
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(0, 0)).center());
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                              grid->visualRect(grid->model()->index(2, 0)).center());
        };
        selectThree();
        selectedBefore = int(grid->SelectedRows().size());
        QTest::mouseClick(panel->ApplyButton(), Qt::LeftButton);
        afterApply = int(grid->SelectedRows().size());
        selectThree();
        ChooseTimeFilter("sbTransTime", [](TfrmTimeFilter& dialog) {
            CheckYears(dialog, {Year()});
            ClickOk(dialog);
        });
        afterTime = int(grid->SelectedRows().size());
        selectThree();
        QTest::mouseClick(panel->ClearButton(), Qt::LeftButton);
        afterClear = int(grid->SelectedRows().size());
    });

    QCOMPARE(selectedBefore, 3);
    QCOMPARE(afterApply, 0);
    QCOMPARE(afterTime, 0);
    QCOMPARE(afterClear, 0);
}

void TstMainWindow::calendarTitleClicksToggleSort()
{
    TTestPrompts prompts;
    QStringList sorts;
    QList<QStringList> orders;
    QList<bool> bold;

    RunAndClose(m_db->Dir(), [&] {
        ChooseTimeFilter("sbCalTime", [](TfrmTimeFilter& dialog) {
            PeriodItem(dialog, 2)->click();
            ClickOk(dialog);
        });
        ClickTab(TfrmMain::pageCalendar);
        auto* grid = Find<TDBGrid>("jdbgCalendar");
        QHeaderView* titles = grid->horizontalHeader();
        const auto clickTitle = [&](int column) {
            QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                              QPoint(titles->sectionViewportPosition(column) + 10,
                                     titles->height() / 2));
            sorts << g_main->DataModule().CalendarConfs->Sort();
            orders << Column(g_main->DataModule().CalendarConfs, "conf_name");
            bold << grid->IsColumnTitleBold(0) << grid->IsColumnTitleBold(1);
        };
        clickTitle(1);
        clickTitle(1);
        clickTitle(1);
        clickTitle(0);
    });

    QCOMPARE(sorts, (QStringList{"conf_name  ASC", "conf_name  DESC", "conf_name  ASC",
                                 "begin_date  ASC"}));
    const QStringList ascending{"Alpha Cardiology", "Beta Oncology", "Delta Range Start",
                                "Epsilon Surgery", "Gamma Range End", "Zeta Dermatology"};
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(orders.value(0), ascending);
    QCOMPARE(orders.value(1), descending);
    QCOMPARE(orders.value(2), ascending);
    QCOMPARE(orders.value(3).first(), QStringLiteral("Zeta Dermatology"));
    QCOMPARE(bold, (QList<bool>{false, true, false, true, false, true, true, false}));
}

void TstMainWindow::transcriptWidthsFollowTheConfigurePage()
{
    TTestPrompts prompts;
    QList<int> widths;
    bool resizable = false;
    bool calendarFixed = false;
    const QString iniPath = m_db->FilePath(QStringLiteral("quorvel.ini"));
    QString storedOnLeave;
    QList<int> expected;
    QString expectedOnLeave;

    RunAndClose(m_db->Dir(), [&] {
        ClickTab(TfrmMain::pageTranscripts);
        TDBGrid* grid = g_main->TranscriptsPage()->TranscriptsGrid();
        // The stored widths are shown scaled to the grid's font.
        const auto onScreen = [&](int stored) { return TColumnWidths::OnScreen(*grid, stored); };
        expected = {onScreen(100), onScreen(100), onScreen(50), onScreen(100), 150};
        expectedOnLeave = QString::number(TColumnWidths::Stored(*grid, 150));
        resizable = grid->horizontalHeader()->sectionResizeMode(0) == QHeaderView::Interactive;
        calendarFixed = Find<TDBGrid>("jdbgCalendar")->horizontalHeader()->sectionResizeMode(1) ==
                        QHeaderView::Fixed;
        widths << grid->columnWidth(0) << grid->columnWidth(1) << grid->columnWidth(2);
        grid->horizontalHeader()->resizeSection(0, 180);
        ClickTab(TfrmMain::pageCustomize);
        // Entering the Configure page loads the widths stored at the last save.
        widths << grid->columnWidth(0);
        grid->horizontalHeader()->resizeSection(0, 150);
        ClickTab(TfrmMain::pageTranscripts);
        // Leaving it saves them and writes the file.
        storedOnLeave = Dimension(iniPath, QStringLiteral("TransLNameWidth"));
        ClickTab(TfrmMain::pageCustomize);
        widths << grid->columnWidth(0);
    });

    QVERIFY(resizable);
    QVERIFY(calendarFixed);
    QCOMPARE(widths, expected);
    QCOMPARE(storedOnLeave, expectedOnLeave);
}

void TstMainWindow::widthsSurviveARestart()
{
    TTestPrompts prompts;
    const QString iniPath = m_db->FilePath(QStringLiteral("quorvel.ini"));
    QFile ini(iniPath);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Dimensions]\r\nCalConfDateWidth=120\r\nCalConfNameWidth=abc\r\n"
              "TransUnitsWidth=64\r\n");
    ini.close();
    QList<int> first;
    QList<int> second;
    QList<int> expectedFirst;
    QList<int> expectedSecond;
    bool dateWhole = false;

    RunAndClose(m_db->Dir(), [&] {
        auto* calendar = Find<TDBGrid>("jdbgCalendar");
        auto* transcripts = Find<TDBGrid>("jdbgTranscripts");
        first << calendar->columnWidth(1) << transcripts->columnWidth(2);
        expectedFirst = {TColumnWidths::OnScreen(*calendar, 288),
                         TColumnWidths::OnScreen(*transcripts, 64)};
        // A date column is at least its scaled width and never narrower than its dates.
        dateWhole = calendar->columnWidth(0) >= TColumnWidths::OnScreen(*calendar, 120) &&
                    calendar->columnWidth(0) >= static_cast<QAbstractItemView*>(calendar)->sizeHintForColumn(0);
        transcripts->horizontalHeader()->resizeSection(1, TColumnWidths::OnScreen(*transcripts, 133));
    });
    RunAndClose(m_db->Dir(), [&] {
        auto* calendar = Find<TDBGrid>("jdbgCalendar");
        auto* transcripts = Find<TDBGrid>("jdbgTranscripts");
        second << transcripts->columnWidth(1) << calendar->columnWidth(1);
        expectedSecond = {TColumnWidths::OnScreen(*transcripts, 133),
                          TColumnWidths::OnScreen(*calendar, 288)};
    });

    QCOMPARE(first, expectedFirst);
    QVERIFY(dateWhole);
    QCOMPARE(second, expectedSecond);
    // A column nobody resized keeps its stored value in the file.
    QCOMPARE(Dimension(iniPath, QStringLiteral("CalConfDateWidth")), QStringLiteral("120"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("CalConfNameWidth")), QStringLiteral("288"));
    QCOMPARE(Dimension(iniPath, QStringLiteral("TransFNameWidth")), QStringLiteral("133"));
}

void TstMainWindow::enterRunsTheSearchAndNothingElse()
{
    TTestPrompts prompts;
    bool searchExists = false;
    bool focusedOnEntry = false;
    QStringList found;
    int gridRowBefore = -1, gridRowAfter = -2;
    bool gridSawEnter = false;
    bool memoExists = false;
    int memoLines = 0;

    RunAndClose(m_db->Dir(), [&] {
        QVERIFY(QTest::qWaitForWindowActive(g_main));
        // Enter in a grid does nothing: the grid never sees the key.
        ClickTab(TfrmMain::pageCalendar);
        auto* grid = Find<TDBGrid>("jdbgCalendar");
        grid->setFocus();
        struct TKeySpy : QObject {
            bool sawEnter = false;
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::KeyPress) {
                    const int key = static_cast<QKeyEvent*>(event)->key();
                    sawEnter = sawEnter || key == Qt::Key_Return || key == Qt::Key_Enter;
                }
                return false;
            }
        } spy;
        grid->installEventFilter(&spy);
        gridRowBefore = g_main->DataModule().CalendarConfs->RecNo();
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Enter);
        gridRowAfter = g_main->DataModule().CalendarConfs->RecNo();
        gridSawEnter = spy.sawEnter;
        grid->removeEventFilter(&spy);

        // Enter still starts a new line in a multi-line text box.
        if (auto* header = Find<QPlainTextEdit>("memHeader")) {
            memoExists = true;
            ClickTab(TfrmMain::pageCustomize);
            header->setFocus();
            header->setPlainText(QStringLiteral("one"));
            header->moveCursor(QTextCursor::End);
            QTest::keyClick(header, Qt::Key_Return);
            QTest::keyClicks(header, QStringLiteral("two"));
            memoLines = header->document()->blockCount();
        }

        auto* search = Find<QLineEdit>("eSearchPart");
        if (!search)
            return;
        searchExists = true;
        ClickTab(TfrmMain::pageParticipants);
        focusedOnEntry = search->hasFocus();
        search->clear();
        QTest::keyClicks(search, QStringLiteral("Smith"));
        QTest::keyClick(search, Qt::Key_Return);
        found = Column(g_main->DataModule().Participants, "last_name");
    });

    QVERIFY(!gridSawEnter);
    QCOMPARE(gridRowAfter, gridRowBefore);
    if (memoExists)
        QCOMPARE(memoLines, 2);
    if (!searchExists)
        QSKIP("The Participants page has no eSearchPart yet");
    QVERIFY(focusedOnEntry);
    QCOMPARE(Sorted(found), (QStringList{"Smith", "Smithers"}));
}

void TstMainWindow::tabsAreHighlightedOnlyAfterAUserChange()
{
    TTestPrompts prompts;
    QList<int> highlighted;
    QStringList captions;

    RunAndClose(m_db->Dir(), [&] {
        highlighted << g_main->HighlightedTab();
        captions << g_main->windowTitle();
        ClickTab(TfrmMain::pageTranscripts);
        highlighted << g_main->HighlightedTab();
        captions << g_main->windowTitle();
        ClickTab(TfrmMain::pageCustomize);
        highlighted << g_main->HighlightedTab();
        captions << g_main->windowTitle();
        ClickTab(TfrmMain::pageConf);
        highlighted << g_main->HighlightedTab();
        captions << g_main->windowTitle();
        // The tabs stand on the right-hand side, all of one length, at least 80 pixels and
        // long enough for every caption; together they fit the smallest window.
        QTabBar* tabs = g_main->PageControl()->tabBar();
        QCOMPARE(g_main->PageControl()->tabPosition(), QTabWidget::East);
        const int length = tabs->tabRect(0).height();
        QVERIFY(length >= 80);
        for (int i = 0; i < tabs->count(); ++i) {
            QCOMPARE(tabs->tabRect(i).height(), length);
            QVERIFY(length > tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)));
        }
        QVERIFY(tabs->count() * length <= 572);
    });

    QCOMPARE(highlighted, (QList<int>{-1, 3, 5, 0}));
    QCOMPARE(captions,
             (QStringList{"Conferences", "Transcripts", "Customization", "Conferences"}));
}

void TstMainWindow::screenshots()
{
    TTestPrompts prompts;
    QString folder = qEnvironmentVariable("QUORVEL_BUILD_DIR");
    if (folder.isEmpty())
        folder = QDir::currentPath();
    QDir dir(folder);
    QVERIFY(dir.mkpath(QStringLiteral("screenshots")));
    QVERIFY(dir.cd(QStringLiteral("screenshots")));
    int saved = 0;

    RunAndClose(m_db->Dir(), [&] {
        g_main->resize(700, 572);
        QCoreApplication::processEvents();
        const char* names[] = {"main-conferences", "main-participants", "main-signin",
                               "main-transcripts", "main-calendar",     "main-configure"};
        for (int page = 0; page < TfrmMain::pageCount; ++page) {
            ClickTab(page);
            QCoreApplication::processEvents();
            saved += g_main->grab().save(dir.filePath(QLatin1String(names[page]) + ".png"));
        }
        const char* modes[] = {"time-years", "time-range", "time-none"};
        for (int mode = 0; mode < 3; ++mode) {
            AnswerTimeDialog([&](TfrmTimeFilter& dialog) {
                PeriodItem(dialog, mode)->click();
                if (mode == 0)
                    CheckYears(dialog, {Year(), Year(-2)});
                QCoreApplication::processEvents();
                saved += dialog.grab().save(dir.filePath(QLatin1String(modes[mode]) + ".png"));
                dialog.close();
            });
            g_main->bbConfTimeClick();
        }
    });

    QCOMPARE(saved, 9);
}

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    TstMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
