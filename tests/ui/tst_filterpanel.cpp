#include "ui/TAppFont.h"
#include "data/TConfFilter.h"
#include "support/TGuiTest.h"
#include "data/TIdList.h"
#include "support/TTestPrompts.h"
#include "data/TTimeFilter.h"
#include "ui/TfraCFilter.h"
#include "ui/TfrmTimeFilter.h"

#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

// The conference filter panel and the time filter dialog on their own, driven through their
// controls.
class TstFilterPanel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void panelHasItsSizeAndStartsInOrMode();
    void clickOnAndOrTogglesModeAndColours();
    void getFilterSharesKeyObjectsAndKeepsTextsAsTyped();
    void setCreditsReplacesLinesAndChecks();
    void clearEmptiesCriteriaButKeepsMode();
    void buttonsOnlySignal();

    void dialogOffersTenYearsNewestFirst();
    void periodTypeShowsItsControls();
    void filterRoundTrips_data();
    void filterRoundTrips();
    void getFilterKeepsFieldsOfOtherKinds();
    void okWithoutYearIsRefused();
    void okWithEndBeforeBeginIsRefused();
    void closeBoxRejects();

    void appFontsAreTheDesignedOnes();
};

namespace
{

template <class T> T* Child(QWidget& parent, const char* name)
{
    return TGuiTest::Find<T>(&parent, name);
}

TIdList ThreeCredits()
{
    TIdList lines;
    lines.Add(QStringLiteral("AMA"), 1);
    lines.Add(QStringLiteral("CME"), 3);
    lines.Add(QStringLiteral("CNE"), 7);
    return lines;
}

void Check(QListWidget* list, int row)
{
    list->item(row)->setCheckState(Qt::Checked);
}

QRadioButton* PeriodItem(TfrmTimeFilter& dialog, int index)
{
    const auto items = Child<QGroupBox>(dialog, "rgPeriodType")->findChildren<QRadioButton*>();
    return items.value(index);
}

} // namespace

void TstFilterPanel::panelHasItsSizeAndStartsInOrMode()
{
    TfraCFilter panel(QStringLiteral("fraCalFilter"));
    QCOMPARE(panel.objectName(), QStringLiteral("fraCalFilter"));
    QCOMPARE(panel.size(), QSize(218, 158));
    QCOMPARE(panel.Mode(), QStringLiteral("or"));
    auto* box = Child<QGroupBox>(panel, "gbFilter");
    QCOMPARE(box->title(), QStringLiteral("Filter"));
    QCOMPARE(box->toolTip(), QStringLiteral("Credits filtering criteria "));
    panel.SetCaption(QStringLiteral("Conference filter"));
    QCOMPARE(box->title(), QStringLiteral("Conference filter"));
    QVERIFY(Child<QPushButton>(panel, "bApply")->font().bold());
    QCOMPARE(Child<QPushButton>(panel, "stCreditsAndOr")->toolTip(),
             QStringLiteral("Click-it to change the filtering criteria for credits"));

    panel.SetApplyMaroon(true);
    QCOMPARE(panel.ApplyButton()->palette().color(QPalette::ButtonText), QColor(128, 0, 0));

    // Every control fits the panel: nothing is pushed outside or squeezed to nothing.
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    for (const char* name : {"eFName", "eFSerie", "eFSpeaker", "eFExtra", "jclbFCredits",
                             "stCreditsAndOr", "bClear", "bApply"}) {
        auto* control = Child<QWidget>(panel, name);
        const QRect inPanel(control->mapTo(&panel, QPoint(0, 0)), control->size());
        QVERIFY2(panel.rect().contains(inPanel), name);
        QVERIFY2(control->width() >= 30 && control->height() >= 16, name);
    }
}

void TstFilterPanel::clickOnAndOrTogglesModeAndColours()
{
    TfraCFilter panel(QStringLiteral("fraConfFilter"));
    panel.SetCredits(ThreeCredits(), QStringLiteral("or"));
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto* mode = Child<QPushButton>(panel, "stCreditsAndOr");
    auto* credits = Child<QListWidget>(panel, "jclbFCredits");
    QCOMPARE(mode->palette().color(QPalette::Window), QColor(166, 202, 240));

    QTest::mouseClick(mode, Qt::LeftButton);
    QCOMPARE(mode->text(), QStringLiteral("and"));
    QCOMPARE(mode->palette().color(QPalette::Window), QColor(192, 220, 192));
    QCOMPARE(credits->palette().color(QPalette::Base), QColor(192, 220, 192));

    QTest::mouseClick(mode, Qt::LeftButton);
    QCOMPARE(mode->text(), QStringLiteral("or"));
    QCOMPARE(mode->palette().color(QPalette::Window), QColor(166, 202, 240));
    QCOMPARE(credits->palette().color(QPalette::Base), QColor(166, 202, 240));

    // Without a mouse: Space on the focused text toggles it as well.
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Space);
    QCOMPARE(panel.Mode(), QStringLiteral("and"));
}

void TstFilterPanel::getFilterSharesKeyObjectsAndKeepsTextsAsTyped()
{
    const TIdList lines = ThreeCredits();
    TfraCFilter panel(QStringLiteral("fraTransFilter"));
    panel.SetCredits(lines, QStringLiteral("or"));
    QTest::keyClicks(Child<QLineEdit>(panel, "eFName"), QStringLiteral("   "));
    QTest::keyClicks(Child<QLineEdit>(panel, "eFSerie"), QStringLiteral("Heart "));
    QTest::keyClicks(Child<QLineEdit>(panel, "eFSpeaker"), QStringLiteral("O'Brien"));
    QTest::keyClicks(Child<QLineEdit>(panel, "eFExtra"), QStringLiteral("Lunch"));
    auto* credits = Child<QListWidget>(panel, "jclbFCredits");
    Check(credits, 2);
    Check(credits, 0);
    panel.stCreditsAndOrClick();

    TConfFilter filter;
    filter.Credits.Add(QStringLiteral("stale"), 99);
    panel.GetFilter(filter);

    QCOMPARE(filter.Name, QStringLiteral("   "));
    QCOMPARE(filter.Serie, QStringLiteral("Heart "));
    QCOMPARE(filter.Speaker, QStringLiteral("O'Brien"));
    QCOMPARE(filter.Extra, QStringLiteral("Lunch"));
    QCOMPARE(filter.CreditsAndOr, QStringLiteral("and"));
    QCOMPARE(filter.Credits.Texts(), (QStringList{"AMA", "CNE"}));
    QCOMPARE(filter.Credits.Ids(), (QList<int>{1, 7}));
    // The lines carry the very key objects of the list they came from.
    QCOMPARE(filter.Credits.Item(0).Object.get(), lines.Item(0).Object.get());
    QCOMPARE(filter.Credits.Item(1).Object.get(), lines.Item(2).Object.get());
}

void TstFilterPanel::setCreditsReplacesLinesAndChecks()
{
    TfraCFilter panel(QStringLiteral("fraSignInFilter"));
    panel.SetCredits(ThreeCredits(), QStringLiteral("or"));
    auto* credits = Child<QListWidget>(panel, "jclbFCredits");
    Check(credits, 1);
    panel.SetAndMode();
    QTest::keyClicks(Child<QLineEdit>(panel, "eFName"), QStringLiteral("Card"));

    TIdList two;
    two.Add(QStringLiteral("ANCC"), 2);
    two.Add(QStringLiteral("CME"), 3);
    panel.SetCredits(two, QStringLiteral("or"));

    QCOMPARE(credits->count(), 2);
    QCOMPARE(credits->item(0)->text(), QStringLiteral("ANCC"));
    for (int i = 0; i < credits->count(); ++i)
        QCOMPARE(credits->item(i)->checkState(), Qt::Unchecked);
    QCOMPARE(panel.Mode(), QStringLiteral("or"));
    TConfFilter filter;
    panel.GetFilter(filter);
    QCOMPARE(filter.Name, QStringLiteral("Card"));
    QVERIFY(filter.Credits.IsEmpty());

    // Any mode text other than "or" is the and mode.
    panel.SetCredits(two, QStringLiteral("and"));
    QCOMPARE(panel.Mode(), QStringLiteral("and"));
    panel.SetCredits(two, QStringLiteral("OR"));
    QCOMPARE(panel.Mode(), QStringLiteral("and"));
}

void TstFilterPanel::clearEmptiesCriteriaButKeepsMode()
{
    TfraCFilter panel(QStringLiteral("fraCalFilter"));
    panel.SetCredits(ThreeCredits(), QStringLiteral("or"));
    for (const char* name : {"eFName", "eFSerie", "eFSpeaker", "eFExtra"})
        QTest::keyClicks(Child<QLineEdit>(panel, name), QStringLiteral("x"));
    Check(Child<QListWidget>(panel, "jclbFCredits"), 1);
    panel.SetAndMode();

    panel.bClearClick();

    TConfFilter filter;
    panel.GetFilter(filter);
    QVERIFY(filter.IsEmpty());
    QCOMPARE(filter.CreditsAndOr, QStringLiteral("and"));
    QCOMPARE(Child<QListWidget>(panel, "jclbFCredits")->count(), 3);
}

void TstFilterPanel::buttonsOnlySignal()
{
    TfraCFilter panel(QStringLiteral("fraCalFilter"));
    QTest::keyClicks(Child<QLineEdit>(panel, "eFName"), QStringLiteral("kept"));
    QSignalSpy applied(&panel, &TfraCFilter::applyClicked);
    QSignalSpy cleared(&panel, &TfraCFilter::clearClicked);
    QTest::mouseClick(panel.ApplyButton(), Qt::LeftButton);
    QTest::mouseClick(panel.ClearButton(), Qt::LeftButton);
    QCOMPARE(applied.count(), 1);
    QCOMPARE(cleared.count(), 1);
    // Clearing the texts is the owner's decision, taken in its handler.
    QCOMPARE(Child<QLineEdit>(panel, "eFName")->text(), QStringLiteral("kept"));
}

void TstFilterPanel::dialogOffersTenYearsNewestFirst()
{
    TfrmTimeFilter dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Set the time filter"));
    QCOMPARE(dialog.size(), QSize(199, 396));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint));
    auto* years = Child<QListWidget>(dialog, "jclbYears");
    QCOMPARE(years->count(), 10);
    const int current = QDate::currentDate().year();
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(years->item(i)->text(), QString::number(current - i));
        QCOMPARE(years->item(i)->checkState(), Qt::Unchecked);
    }
    QStringList captions;
    for (int i = 0; i < 3; ++i)
        captions << PeriodItem(dialog, i)->text().remove(u'&');
    QCOMPARE(captions, (QStringList{"Years", "Date between", "None"}));
}

void TstFilterPanel::periodTypeShowsItsControls()
{
    TfrmTimeFilter dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const auto shown = [&dialog] {
        QStringList names;
        for (const char* name : {"lYear", "jclbYears", "lBegin", "dtpBegin", "lEnd", "dtpEnd"})
            if (Child<QWidget>(dialog, name)->isVisible())
                names << QLatin1String(name);
        return names;
    };
    QCOMPARE(shown(), (QStringList{"lYear", "jclbYears"}));

    PeriodItem(dialog, 1)->click();
    QCOMPARE(dialog.PeriodType(), int(TfrmTimeFilter::periodDateRange));
    QCOMPARE(shown(), (QStringList{"lBegin", "dtpBegin", "lEnd", "dtpEnd"}));
    // The dates take the place of the years.
    QCOMPARE(Child<QWidget>(dialog, "lBegin")->y(), Child<QWidget>(dialog, "lYear")->y());

    PeriodItem(dialog, 2)->click();
    QVERIFY(shown().isEmpty());

    // The arrow keys move through the items as well.
    PeriodItem(dialog, 2)->setFocus();
    QTest::keyClick(PeriodItem(dialog, 2), Qt::Key_Up);
    QCOMPARE(dialog.PeriodType(), int(TfrmTimeFilter::periodDateRange));
    QCOMPARE(shown(), (QStringList{"lBegin", "dtpBegin", "lEnd", "dtpEnd"}));

    PeriodItem(dialog, 0)->click();
    QCOMPARE(shown(), (QStringList{"lYear", "jclbYears"}));
}

void TstFilterPanel::filterRoundTrips_data()
{
    const QString current = QString::number(QDate::currentDate().year());
    const QString twoAgo = QString::number(QDate::currentDate().year() - 2);
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("years");
    QTest::addColumn<QDate>("begin");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QStringList>("expectedYears");
    QTest::addColumn<QString>("focused");
    QTest::newRow("two years, newest first") << int(tkYears) << QStringList{twoAgo, current}
                                             << QDate() << QDate()
                                             << QStringList{current, twoAgo} << "jclbYears";
    // A year the dialog does not offer is dropped.
    QTest::newRow("year not offered") << int(tkYears) << QStringList{current, "1980"} << QDate()
                                      << QDate() << QStringList{current} << "jclbYears";
    QTest::newRow("date range") << int(tkDateRange) << QStringList() << QDate(2005, 1, 1)
                                << QDate(2005, 3, 31) << QStringList() << "dtpBegin";
    QTest::newRow("none") << int(tkNone) << QStringList() << QDate() << QDate() << QStringList()
                          << "";
}

void TstFilterPanel::filterRoundTrips()
{
    QFETCH(int, kind);
    QFETCH(QStringList, years);
    QFETCH(QDate, begin);
    QFETCH(QDate, end);
    QFETCH(QStringList, expectedYears);
    QFETCH(QString, focused);
    TfrmTimeFilter dialog;
    TTimeFilter in(QStringLiteral("2001"));
    in.Kind = TTimeKind(kind);
    in.Years = years;
    if (begin.isValid()) {
        in.BeginDate = begin;
        in.EndDate = end;
    }
    dialog.SetFilter(in);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    if (!focused.isEmpty())
        QCOMPARE(QApplication::focusWidget()->objectName(), focused);

    TTimeFilter out(QStringLiteral("1999"));
    dialog.GetFilter(out);
    QCOMPARE(int(out.Kind), kind);
    if (kind == tkYears)
        QCOMPARE(out.Years, expectedYears);
    if (kind == tkDateRange) {
        QCOMPARE(out.BeginDate, begin);
        QCOMPARE(out.EndDate, end);
    }
}

void TstFilterPanel::getFilterKeepsFieldsOfOtherKinds()
{
    TfrmTimeFilter dialog;
    TTimeFilter none(QStringLiteral("2001"));
    none.Kind = tkNone;
    dialog.SetFilter(none);
    TTimeFilter filter(QStringLiteral("2004"));
    filter.BeginDate = QDate(2004, 2, 1);
    filter.EndDate = QDate(2004, 2, 29);
    dialog.GetFilter(filter);
    QCOMPARE(filter.Kind, tkNone);
    QCOMPARE(filter.Years, QStringList{"2004"});
    QCOMPARE(filter.BeginDate, QDate(2004, 2, 1));
    QCOMPARE(filter.EndDate, QDate(2004, 2, 29));
}

void TstFilterPanel::okWithoutYearIsRefused()
{
    TTestPrompts prompts;
    TfrmTimeFilter dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy accepted(&dialog, &QDialog::accepted);

    QTest::mouseClick(Child<QPushButton>(dialog, "bOk"), Qt::LeftButton);

    QCOMPARE(accepted.count(), 0);
    QVERIFY(dialog.isVisible());
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].kind, TPrompts::Kind::Warning);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("Please check at least one year."));

    Check(Child<QListWidget>(dialog, "jclbYears"), 3);
    QTest::mouseClick(Child<QPushButton>(dialog, "bOk"), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(prompts.shown.size(), 1);
}

void TstFilterPanel::okWithEndBeforeBeginIsRefused()
{
    TTestPrompts prompts;
    TfrmTimeFilter dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    PeriodItem(dialog, 1)->click();
    Child<QDateEdit>(dialog, "dtpBegin")->setDate(QDate(2005, 3, 31));
    Child<QDateEdit>(dialog, "dtpEnd")->setDate(QDate(2005, 3, 30));
    QSignalSpy accepted(&dialog, &QDialog::accepted);

    QTest::mouseClick(Child<QPushButton>(dialog, "bOk"), Qt::LeftButton);
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(prompts.LastText(), QStringLiteral("The end date must not be before the begin date."));

    // A range of one day is a range.
    Child<QDateEdit>(dialog, "dtpEnd")->setDate(QDate(2005, 3, 31));
    QTest::mouseClick(Child<QPushButton>(dialog, "bOk"), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
}

void TstFilterPanel::closeBoxRejects()
{
    TfrmTimeFilter dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Check(Child<QListWidget>(dialog, "jclbYears"), 0);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.close();
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    // The abandoned choice stays in the dialog.
    QCOMPARE(Child<QListWidget>(dialog, "jclbYears")->item(0)->checkState(), Qt::Checked);
}

void TstFilterPanel::appFontsAreTheDesignedOnes()
{
    const TAppFont& years = TAppFont::YearsFont();
    QCOMPARE(years.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(years.pointSize(), 11);
    QVERIFY(years.bold());
    QCOMPARE(years.Color(), QColor(0, 0, 128));
    const TAppFont& range = TAppFont::RangeFont();
    QCOMPARE(range.family(), QStringLiteral("Arial Black"));
    QCOMPARE(range.pointSize(), 11);
    QVERIFY(!range.bold());
    QCOMPARE(range.Color(), QColor(0, 0, 0));
    const TAppFont& single = TAppFont::SingleYearFont();
    QCOMPARE(single.family(), QStringLiteral("Arial Narrow"));
    QCOMPARE(single.pointSize(), 18);
    QVERIFY(single.bold());
    QCOMPARE(single.Color(), QColor(0, 0, 128));
    // One object each for the whole run.
    QCOMPARE(&TAppFont::YearsFont(), &years);

    QLabel label;
    single.ApplyTo(label);
    QVERIFY(single.IsShownBy(label));
    QVERIFY(!years.IsShownBy(label));
    QVERIFY(!range.IsShownBy(label));
}

QTEST_MAIN(TstFilterPanel)
#include "tst_filterpanel.moc"
