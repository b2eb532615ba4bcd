#include "ui/TMessageBoxPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace
{

// What a box looked like while it was open.
struct TSeen {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Waits for the next message box to open, records it and hands it to act, which closes it.
void WhenBoxOpens(TSeen& seen, std::function<void(QMessageBox&)> act)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << box->standardButton(button);
        if (box->defaultButton())
            seen.defaultButton = box->standardButton(box->defaultButton());
        act(*box);
    });
    poll->start(0);
}

} // namespace

class TstMessageBoxPrompts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messagesHaveTheirIconAndOneOkButton_data();
    void messagesHaveTheirIconAndOneOkButton();
    void questionAnswers_data();
    void questionAnswers();
    void threeWayQuestions_data();
    void threeWayQuestions();
};

void TstMessageBoxPrompts::messagesHaveTheirIconAndOneOkButton_data()
{
    QTest::addColumn<TPrompts::Kind>("kind");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::newRow("plain") << TPrompts::Kind::Plain << QMessageBox::NoIcon;
    QTest::newRow("information") << TPrompts::Kind::Information << QMessageBox::Information;
    QTest::newRow("warning") << TPrompts::Kind::Warning << QMessageBox::Warning;
    QTest::newRow("error") << TPrompts::Kind::Error << QMessageBox::Critical;
}

void TstMessageBoxPrompts::messagesHaveTheirIconAndOneOkButton()
{
    QFETCH(TPrompts::Kind, kind);
    QFETCH(QMessageBox::Icon, icon);
    TMessageBoxPrompts prompts;
    TSeen seen;
    WhenBoxOpens(seen, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });

    prompts.Message(kind, QStringLiteral("Continuing Education Management Software"),
                    QStringLiteral("Finished"));

    QCOMPARE(seen.caption, QStringLiteral("Continuing Education Management Software"));
    QCOMPARE(seen.text, QStringLiteral("Finished"));
    QCOMPARE(seen.icon, icon);
    QCOMPARE(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
}

void TstMessageBoxPrompts::questionAnswers_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Enter takes the default No") << int(Qt::Key_Return) << false;
    QTest::newRow("Escape answers No") << int(Qt::Key_Escape) << false;
    QTest::newRow("Y answers Yes") << int(Qt::Key_Y) << true;
}

void TstMessageBoxPrompts::questionAnswers()
{
    QFETCH(int, key);
    QFETCH(bool, answer);
    TMessageBoxPrompts prompts;
    TSeen seen;
    WhenBoxOpens(seen, [key](QMessageBox& box) { QTest::keyClick(&box, Qt::Key(key)); });

    const bool yes = prompts.Question(QStringLiteral("Confirm"),
                                      QStringLiteral("Remove the selected conference?"));

    QCOMPARE(yes, answer);
    QCOMPARE(seen.caption, QStringLiteral("Confirm"));
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.buttons.size(), 2);
    QVERIFY(seen.buttons.contains(QMessageBox::Yes));
    QVERIFY(seen.buttons.contains(QMessageBox::No));
    QCOMPARE(seen.defaultButton, QMessageBox::No);
}

void TstMessageBoxPrompts::threeWayQuestions_data()
{
    QTest::addColumn<bool>("retry");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    using A = TPrompts::Answer;
    QTest::newRow("save: Enter saves") << false << int(Qt::Key_Return) << int(A::Yes);
    QTest::newRow("save: N discards") << false << int(Qt::Key_N) << int(A::No);
    QTest::newRow("save: Escape keeps editing") << false << int(Qt::Key_Escape) << int(A::Cancel);
    QTest::newRow("busy: Enter retries") << true << int(Qt::Key_Return) << int(A::Retry);
    QTest::newRow("busy: Escape cancels") << true << int(Qt::Key_Escape) << int(A::Cancel);
}

void TstMessageBoxPrompts::threeWayQuestions()
{
    QFETCH(bool, retry);
    QFETCH(int, key);
    QFETCH(int, answer);
    TMessageBoxPrompts prompts;
    TPrompts::Install(&prompts);
    TSeen seen;
    WhenBoxOpens(seen, [key](QMessageBox& box) { QTest::keyClick(&box, Qt::Key(key)); });

    const auto given = retry ? (TPrompts::RetryOrCancel(QStringLiteral("Try again?"))
                                    ? TPrompts::Answer::Retry
                                    : TPrompts::Answer::Cancel)
                             : TPrompts::YesNoCancel(QStringLiteral("Save changes?"));
    TPrompts::Install(nullptr);

    QCOMPARE(int(given), answer);
    QCOMPARE(seen.buttons.size(), retry ? 2 : 3);
    QCOMPARE(seen.defaultButton, retry ? QMessageBox::Retry : QMessageBox::Yes);
}

QTEST_MAIN(TstMessageBoxPrompts)

#include "tst_messageboxprompts.moc"
