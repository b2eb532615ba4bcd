#include "settings/TConfig.h"
#include "data/TDM.h"
#include "ui/TEmailSettingsTab.h"
#include "support/TGuiTest.h"
#include "support/TSmtpServer.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

// The e-mail tab on its own, its "Send test message" against the real SMTP server on loopback.
class TstEmailSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void testMessageSaysHowItWent_data();
    void testMessageSaysHowItWent();
    void testMessageNeedsAFromAddress();

private:
    template <class T> T* Find(const char* name) const
    {
        return TGuiTest::Find<T>(m_tab.get(), name);
    }
    void Type(const char* name, const QString& text)
    {
        auto* edit = Find<QLineEdit>(name);
        QVERIFY(edit);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    void ChooseItem(const char* group, int index)
    {
        auto* box = Find<QGroupBox>(group);
        QVERIFY(box);
        QList<QRadioButton*> items = box->findChildren<QRadioButton*>();
        QVERIFY(index < items.size());
        QTest::mouseClick(items[index], Qt::LeftButton, {}, QPoint(6, items[index]->height() / 2));
        QVERIFY(items[index]->isChecked());
    }

    std::unique_ptr<TTempDatabase> m_db;
    std::unique_ptr<TTestPrompts> m_prompts;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TEmailSettingsTab> m_tab;
};

void TstEmailSettings::init()
{
    m_db = std::make_unique<TTempDatabase>();
    m_prompts = std::make_unique<TTestPrompts>();
    m_dm = std::make_unique<TDM>(m_db->Dir());
    QVERIFY(!m_dm->OpenFailed);
    // Stored settings that would fail: the test must use what the tab shows instead.
    m_dm->Config->WriteString("Mail", "HandlerType", "1");
    m_dm->Config->WriteString("SMTP", "Host", "stale.quorvel.invalid");
    m_dm->Config->WriteString("SMTP", "Port", "1");
    m_tab = std::make_unique<TEmailSettingsTab>(*m_dm, *m_prompts);
    m_tab->LoadSettings(*m_dm->Config);
    m_tab->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_tab.get()));
    m_tab->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_tab.get()));
}

void TstEmailSettings::cleanup()
{
    m_tab.reset();
    m_dm.reset();
    m_prompts.reset();
    m_db.reset();
}

void TstEmailSettings::testMessageSaysHowItWent_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("portClosed");
    QTest::addColumn<QString>("typedAddress");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("answer"); // a pattern; {port} stands for the port typed
    const int information = int(TPrompts::Kind::Information);
    const int error = int(TPrompts::Kind::Error);
    QTest::newRow("good, to From") << "127.0.0.1" << false << "" << false << "" << information
                                   << "^Sent\\. Check the mailbox of office@example\\.org\\.$";
    QTest::newRow("good, logged in, to a typed address")
        << "127.0.0.1" << true << "secret" << false << "clerk@example.org" << information
        << "^Sent\\. Check the mailbox of clerk@example\\.org\\.$";
    // The failing step is named: the log-in, the port, the host.
    QTest::newRow("refused password")
        << "127.0.0.1" << true << "wrong" << false << "" << error << "password|credentials";
    QTest::newRow("unreachable port")
        << "127.0.0.1" << false << "" << true << "" << error << "127\\.0\\.0\\.1.*\\b{port}\\b";
    QTest::newRow("unknown host") << "smtp.quorvel.invalid" << false << "" << false << "" << error
                                  << "smtp\\.quorvel\\.invalid";
}

void TstEmailSettings::testMessageSaysHowItWent()
{
    QFETCH(QString, host);
    QFETCH(bool, login);
    QFETCH(QString, password);
    QFETCH(bool, portClosed);
    QFETCH(QString, typedAddress);
    QFETCH(int, kind);
    QFETCH(QString, answer);
    TSmtpServer server;
    if (!server.Start())
        QSKIP(qPrintable(server.SkipReason()));
    const QString port = server.PortText();
    // A port that was just given up takes no connection.
    if (portClosed)
        server.Stop();

    ChooseItem("rgMailType", TEmailSettingsTab::mailSmtpServer);
    Type("eHost", host);
    Type("ePort", port);
    ChooseItem("rgAuthType", login ? TEmailSettingsTab::authLogin : TEmailSettingsTab::authNone);
    Type("eUserName", QStringLiteral("clerk"));
    Type("ePassword", password);
    Type("eFrom", QStringLiteral("office@example.org"));
    Type("eTestAddress", typedAddress);
    QTest::mouseClick(Find<QPushButton>("bSendTestMessage"), Qt::LeftButton);

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(int(m_prompts->shown[0].kind), kind);
    QCOMPARE(m_prompts->shown[0].caption, QStringLiteral("Send test message"));
    const QRegularExpression pattern(QString(answer).replace(QLatin1String("{port}"), port),
                                     QRegularExpression::CaseInsensitiveOption);
    QVERIFY2(pattern.match(m_prompts->shown[0].text).hasMatch(),
             qPrintable(m_prompts->shown[0].text));
    QVERIFY(!QApplication::overrideCursor());
    // What the tab showed is now in the settings.
    QCOMPARE(m_dm->Config->ReadString("SMTP", "Host"), host);
    QCOMPARE(m_dm->Config->ReadString("SMTP", "Port"), port);

    const bool sent = kind == int(TPrompts::Kind::Information);
    if (portClosed)
        return;
    const QList<QJsonObject> messages = server.Messages();
    QCOMPARE(messages.size(), sent ? 1 : 0);
    if (sent) {
        const QString to =
            typedAddress.isEmpty() ? QStringLiteral("office@example.org") : typedAddress;
        QCOMPARE(messages[0]["rcpts"].toArray().toVariantList(), QVariantList{to});
        QCOMPARE(messages[0]["sender"].toString(), QStringLiteral("office@example.org"));
        QVERIFY2(messages[0]["subject"].toString().startsWith(QLatin1String("Test message")),
                 qPrintable(messages[0]["subject"].toString()));
        QVERIFY(messages[0]["attachments"].toArray().isEmpty());
        QCOMPARE(server.Count("auth"), login ? 1 : 0);
    }
}

void TstEmailSettings::testMessageNeedsAFromAddress()
{
    TSmtpServer server;
    if (!server.Start())
        QSKIP(qPrintable(server.SkipReason()));
    Type("eHost", QStringLiteral("127.0.0.1"));
    Type("ePort", server.PortText());
    Find<QLineEdit>("eFrom")->clear();
    Type("eTestAddress", QStringLiteral("clerk@example.org"));
    QTest::mouseClick(Find<QPushButton>("bSendTestMessage"), Qt::LeftButton);

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, TPrompts::Kind::Warning);
    QVERIFY2(m_prompts->shown[0].text.contains(QStringLiteral("From")),
             qPrintable(m_prompts->shown[0].text));
    QCOMPARE(server.Count("connect"), 0);
    QTRY_VERIFY(Find<QLineEdit>("eFrom")->hasFocus());
}

int main(int argc, char** argv)
{
    // The resolver sends no query at all, so the unknown host fails on this machine and the
    // test's traffic stays on loopback.
    qputenv("RES_OPTIONS", "attempts:0");
    QApplication application(argc, argv);
    TstEmailSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_emailsettings.moc"
