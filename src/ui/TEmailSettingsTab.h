#pragma once

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TConfig;
class TDM;
class TPrompts;
class TSettingsMemo;

// The "Email settings" tab of the Configure page: the mail handler, the SMTP server with its
// log-in, the values common to every message, and a button that proves them with one message.
class TEmailSettingsTab : public QWidget
{
    Q_OBJECT
public:
    // Items of rgMailType and rgAuthType, top to bottom (left to right).
    enum TMailTypeItem { mailDefaultClient, mailSmtpServer };
    enum TAuthTypeItem { authLogin, authNone };

    // The test message reads its settings from the data module's; every answer goes through
    // prompts.
    TEmailSettingsTab(TDM& dm, TPrompts& prompts, QWidget* parent = nullptr);

    // A stored code that names no item leaves that item group as it is. Saving writes in
    // memory only.
    void LoadSettings(const TConfig& config);
    void SaveSettings(TConfig& config) const;

    // Shows the SMTP parameters for "SMTP Server" and hides them for the default mail client.
    void rgMailTypeClick();
    // Sends one short message, through the handler and server shown on the tab, to the typed
    // address or else to the From address, and says in plain words how it went.
    void bSendTestMessageClick();

private:
    QGroupBox* CreateTestGroup();
    // Empty when the message went; else what went wrong, for the user.
    QString SendTestMessage(const QString& from, const QString& to);
    static QString Failure(const QString& message);

    TDM& m_dm;
    TPrompts& m_prompts;
    QGroupBox* rgMailType = nullptr;
    QButtonGroup* m_mailTypeItems = nullptr;
    QGroupBox* gbSmtpParams = nullptr;
    QLineEdit* eHost = nullptr;
    QLineEdit* ePort = nullptr;
    QGroupBox* rgAuthType = nullptr;
    QButtonGroup* m_authTypeItems = nullptr;
    QLineEdit* eUserName = nullptr;
    QLineEdit* ePassword = nullptr;
    QGroupBox* gbMailCommon = nullptr;
    QLineEdit* eFrom = nullptr;
    QLineEdit* eSubject = nullptr;
    TSettingsMemo* memBody = nullptr;
    QLineEdit* eTestAddress = nullptr;
    QPushButton* bSendTestMessage = nullptr;
};
