#include "ui/TDBGrid.h"
#include "tools/TDemoBuilder.h"
#include "support/TTestProgram.h"
#include "support/TTestPrompts.h"
#include "ui/TfrmAddPart.h"
#include "ui/TfrmMain.h"
#include "ui/TfrmPickConf.h"
#include "ui/TfrmPickExtra.h"
#include "ui/TfrmPickPart.h"
#include "ui/TfrmPickSpeaker.h"
#include "ui/TfrmSignIn.h"
#include "ui/TfrmTimeFilter.h"

#include <QAbstractItemModel>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

// What a person at the desk meets on the demonstration data at the default window size: every
// control has a name a screen reader can speak, and dates and credit types show whole.
class TstDesk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void everyFocusableControlHasASpokenName();
    void datesAndCreditTypesShowWhole();

private:
    void Run(const std::function<void()>& inspect);
    QTemporaryDir m_dir;
};

namespace
{

// The main window of the program that Run runs, while it runs.
TfrmMain* g_main = nullptr;

QList<QWidget*> Windows()
{
    return g_main->Windows();
}

bool HasBuddyLabel(const QWidget* window, const QWidget* widget)
{
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy() == widget && !label->text().isEmpty())
            return true;
    return false;
}

QString Describe(const QWidget* widget)
{
    return QStringLiteral("%1 (%2) in %3")
        .arg(widget->objectName(), QString::fromLatin1(widget->metaObject()->className()),
             widget->window()->objectName());
}

} // namespace

void TstDesk::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TDemoBuilder().Build(m_dir.path());
}

void TstDesk::Run(const std::function<void()>& inspect)
{
    TTestPrompts prompts;
    TTestProgram::RunAndClose(m_dir.path(), g_main, inspect);
}

void TstDesk::everyFocusableControlHasASpokenName()
{
    QStringList unnamed;
    int checked = 0;
    Run([&] {
        for (QWidget* window : Windows()) {
            QVERIFY(window);
            for (QWidget* widget : window->findChildren<QWidget*>()) {
                if (widget->focusPolicy() == Qt::NoFocus)
                    continue;
                if (qobject_cast<QAbstractScrollArea*>(widget->parentWidget()) ||
                    qobject_cast<QAbstractSpinBox*>(widget->parentWidget()))
                    continue; // viewports, scroll bars and a box's edit speak for their owner
                ++checked;
                if (widget->accessibleName().trimmed().isEmpty() && !HasBuddyLabel(window, widget))
                    unnamed << Describe(widget);
            }
        }
    });
    QVERIFY(checked > 50);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("\n"))));
}

void TstDesk::datesAndCreditTypesShowWhole()
{
    QStringList cut;
    int dateColumns = 0;
    int creditLists = 0;
    Run([&] {
        g_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(g_main));
        auto* pages = g_main->findChild<QTabWidget*>(QStringLiteral("pgMain"));
        QVERIFY(pages);
        for (int page = 0; page < pages->count(); ++page) {
            if (!pages->isTabVisible(page))
                continue;
            pages->setCurrentIndex(page);
            QCoreApplication::processEvents();
            for (TDBGrid* grid : pages->widget(page)->findChildren<TDBGrid*>()) {
                if (!grid->model())
                    continue;
                for (int column = 0; column < grid->model()->columnCount(); ++column) {
                    const QString title =
                        grid->model()->headerData(column, Qt::Horizontal).toString();
                    if (!title.contains(QLatin1String("date"), Qt::CaseInsensitive) ||
                        grid->isColumnHidden(column) || grid->model()->rowCount() == 0)
                        continue;
                    ++dateColumns;
                    if (grid->columnWidth(column) < static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(column))
                        cut << QStringLiteral("%1 column \"%2\": %3 < %4")
                                   .arg(grid->objectName(), title)
                                   .arg(grid->columnWidth(column))
                                   .arg(static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(column));
                }
            }
            for (QListWidget* credits :
                 pages->widget(page)->findChildren<QListWidget*>(QStringLiteral("jclbFCredits"))) {
                if (!credits->isVisible() || credits->count() == 0)
                    continue;
                ++creditLists;
                for (int row = 0; row < credits->count(); ++row) {
                    const QRect shown = credits->visualItemRect(credits->item(row));
                    const int needed = credits->sizeHintForRow(row) > 0
                                           ? credits->sizeHintForColumn(0)
                                           : 0;
                    if (shown.width() < needed || credits->viewport()->width() < needed)
                        cut << QStringLiteral("%1 on page %2: \"%3\" needs %4, has %5")
                                   .arg(credits->objectName())
                                   .arg(page)
                                   .arg(credits->item(row)->text())
                                   .arg(needed)
                                   .arg(credits->viewport()->width());
                }
            }
        }
    });
    QVERIFY(dateColumns >= 4);
    QVERIFY(creditLists >= 3);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("\n"))));
}

QTEST_MAIN(TstDesk)
#include "tst_desk.moc"
