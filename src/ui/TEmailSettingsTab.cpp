#include "ui/TEmailSettingsTab.h"

#include "ui/TBusyCursor.h"
#include "settings/TConfig.h"
#include "data/TDM.h"
#include "documents/TEmailRun.h"
#include "db/TError.h"
#include "mail/TMailHandler.h"
#include "db/TPrompts.h"
#include "ui/TSettingsMemo.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <memory>

namespace
{

const QString MailSection = QStringLiteral("Mail");
const QString SmtpSection = QStringLiteral("SMTP");
const QString BodySection = QStringLiteral("Body");

// Stored codes of Mail/HandlerType and SMTP/AuthType.
constexpr int HandlerSmtp = 1;
constexpr int HandlerDefaultClient = 2;
constexpr int AuthLogin = 1;
constexpr int AuthNone = 0;

QLineEdit* MakeEdit(const QString& objectName, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    return edit;
}

// A radio group: a titled box whose items form one exclusive group, ids = item indexes.
QButtonGroup* AddRadioItems(QGroupBox* box, const QStringList& captions, int columns)
{
    auto* group = new QButtonGroup(box);
    auto* layout = new QGridLayout(box);
    for (int i = 0; i < captions.size(); ++i) {
        auto* item = new QRadioButton(captions.at(i), box);
        group->addButton(item, i);
        layout->addWidget(item, i / columns, i % columns);
    }
    return group;
}

void SelectItem(QButtonGroup* group, int id)
{
    if (QAbstractButton* item = group->button(id))
        item->setChecked(true);
}

} // namespace

TEmailSettingsTab::TEmailSettingsTab(TDM& dm, TPrompts& prompts, QWidget* parent)
    : QWidget(parent), m_dm(dm), m_prompts(prompts)
{
    setObjectName(QStringLiteral("tsEmail"));

    rgMailType = new QGroupBox(tr("Mail type"), this);
    rgMailType->setObjectName(QStringLiteral("rgMailType"));
    m_mailTypeItems =
        AddRadioItems(rgMailType, {tr("Use &default mail client"), tr("SMTP Ser&ver")}, 1);
    connect(m_mailTypeItems, &QButtonGroup::idClicked, this, &TEmailSettingsTab::rgMailTypeClick);

    gbSmtpParams = new QGroupBox(tr("SMTP parameters"), this);
    gbSmtpParams->setObjectName(QStringLiteral("gbSmtpParams"));
    eHost = MakeEdit(QStringLiteral("eHost"), gbSmtpParams);
    ePort = MakeEdit(QStringLiteral("ePort"), gbSmtpParams);
    rgAuthType = new QGroupBox(tr("Authentication type"), gbSmtpParams);
    rgAuthType->setObjectName(QStringLiteral("rgAuthType"));
    m_authTypeItems = AddRadioItems(rgAuthType, {tr("&Login"), tr("&None")}, 2);
    eUserName = MakeEdit(QStringLiteral("eUserName"), gbSmtpParams);
    ePassword = MakeEdit(QStringLiteral("ePassword"), gbSmtpParams);
    ePassword->setEchoMode(QLineEdit::Password);
    ePassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    auto* smtpLayout = new QFormLayout(gbSmtpParams);
    smtpLayout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    smtpLayout->addRow(tr("&Host"), eHost);
    smtpLayout->addRow(tr("&Port"), ePort);
    smtpLayout->addRow(rgAuthType);
    smtpLayout->addRow(tr("&User name"), eUserName);
    smtpLayout->addRow(tr("Pass&word"), ePassword);

    gbMailCommon = new QGroupBox(tr("Common message values"), this);
    gbMailCommon->setObjectName(QStringLiteral("gbMailCommon"));
    eFrom = MakeEdit(QStringLiteral("eFrom"), gbMailCommon);
    eSubject = MakeEdit(QStringLiteral("eSubject"), gbMailCommon);
    memBody = new TSettingsMemo(QStringLiteral("memBody"), gbMailCommon);
    auto* lBody = new QLabel(tr("&Message body"), gbMailCommon);
    lBody->setBuddy(memBody);
    auto* commonLayout = new QFormLayout(gbMailCommon);
    commonLayout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    commonLayout->addRow(tr("&From"), eFrom);
    commonLayout->addRow(tr("Su&bject"), eSubject);
    commonLayout->addRow(lBody);
    commonLayout->addRow(memBody);

    auto* left = new QVBoxLayout;
    left->addWidget(rgMailType);
    left->addWidget(gbSmtpParams);
    left->addWidget(CreateTestGroup());
    left->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(gbMailCommon, 1);
}

QGroupBox* TEmailSettingsTab::CreateTestGroup()
{
    auto* group = new QGroupBox(tr("Test the settings"), this);
    group->setObjectName(QStringLiteral("gbMailTest"));
    eTestAddress = MakeEdit(QStringLiteral("eTestAddress"), group);
    eTestAddress->setPlaceholderText(tr("the From address"));
    bSendTestMessage = new QPushButton(tr("Send &test message"), group);
    bSendTestMessage->setObjectName(QStringLiteral("bSendTestMessage"));
    bSendTestMessage->setAutoDefault(false);
    connect(bSendTestMessage, &QPushButton::clicked, this,
            &TEmailSettingsTab::bSendTestMessageClick);
    auto* testLayout = new QFormLayout(group);
    testLayout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    testLayout->addRow(tr("Send t&o"), eTestAddress);
    testLayout->addRow(QString(), bSendTestMessage);
    return group;
}

void TEmailSettingsTab::LoadSettings(const TConfig& config)
{
    switch (config.ReadInteger(MailSection, QStringLiteral("HandlerType"), HandlerSmtp)) {
    case HandlerSmtp:
        SelectItem(m_mailTypeItems, mailSmtpServer);
        gbSmtpParams->setVisible(true);
        break;
    case HandlerDefaultClient:
        SelectItem(m_mailTypeItems, mailDefaultClient);
        gbSmtpParams->setVisible(false);
        break;
    default:
        break;
    }
    switch (config.ReadInteger(SmtpSection, QStringLiteral("AuthType"), AuthNone)) {
    case AuthNone:
        SelectItem(m_authTypeItems, authNone);
        break;
    case AuthLogin:
        SelectItem(m_authTypeItems, authLogin);
        break;
    default:
        break;
    }

    eHost->setText(config.ReadString(SmtpSection, QStringLiteral("Host")));
    ePort->setText(config.ReadString(SmtpSection, QStringLiteral("Port")));
    eUserName->setText(config.ReadString(SmtpSection, QStringLiteral("UserName")));
    ePassword->setText(config.ReadString(SmtpSection, QStringLiteral("Password")));
    eFrom->setText(config.ReadString(MailSection, QStringLiteral("From")));
    eSubject->setText(config.ReadString(MailSection, QStringLiteral("Subject")));
    memBody->SetLines(config.ReadList(BodySection));
}

void TEmailSettingsTab::SaveSettings(TConfig& config) const
{
    switch (m_mailTypeItems->checkedId()) {
    case mailDefaultClient:
        config.WriteString(MailSection, QStringLiteral("HandlerType"),
                           QString::number(HandlerDefaultClient));
        break;
    case mailSmtpServer:
        config.WriteString(MailSection, QStringLiteral("HandlerType"),
                           QString::number(HandlerSmtp));
        break;
    default:
        break;
    }
    switch (m_authTypeItems->checkedId()) {
    case authLogin:
        config.WriteString(SmtpSection, QStringLiteral("AuthType"), QString::number(AuthLogin));
        break;
    case authNone:
        config.WriteString(SmtpSection, QStringLiteral("AuthType"), QString::number(AuthNone));
        break;
    default:
        break;
    }

    config.WriteString(SmtpSection, QStringLiteral("Host"), eHost->text());
    config.WriteString(SmtpSection, QStringLiteral("Port"), ePort->text());
    config.WriteString(SmtpSection, QStringLiteral("UserName"), eUserName->text());
    config.WriteString(SmtpSection, QStringLiteral("Password"), ePassword->text());
    config.WriteString(MailSection, QStringLiteral("From"), eFrom->text());
    config.WriteString(MailSection, QStringLiteral("Subject"), eSubject->text());
    config.WriteList(BodySection, memBody->Lines());
}

void TEmailSettingsTab::rgMailTypeClick()
{
    switch (m_mailTypeItems->checkedId()) {
    case mailDefaultClient:
        gbSmtpParams->setVisible(false);
        break;
    case mailSmtpServer:
        gbSmtpParams->setVisible(true);
        break;
    default:
        break;
    }
}

void TEmailSettingsTab::bSendTestMessageClick()
{
    const QString caption = tr("Send test message");
    const QString from = eFrom->text();
    if (from.trimmed().isEmpty()) {
        m_prompts.Message(TPrompts::Kind::Warning, caption,
                          tr("Fill in From first: the test message is sent from that address, "
                             "as every transcript is."));
        eFrom->setFocus(Qt::OtherFocusReason);
        return;
    }
    const QString typed = eTestAddress->text().trimmed();
    const QString to = typed.isEmpty() ? from.trimmed() : typed;
    // The test proves what the tab shows, so the values go into the settings now rather than
    // when the page is left, where they were going anyway.
    SaveSettings(*m_dm.Config);
    const QString failure = SendTestMessage(from, to);
    if (failure.isEmpty())
        m_prompts.Message(TPrompts::Kind::Information, caption,
                          tr("Sent. Check the mailbox of %1.").arg(to));
    else
        m_prompts.Message(TPrompts::Kind::Error, caption, TPrompts::WithFullStop(failure));
}

QString TEmailSettingsTab::SendTestMessage(const QString& from, const QString& to)
{
    const TBusyCursor busy;
    const QString subject = tr("Test message from %1").arg(TPrompts::ApplicationTitle());
    const QStringList body{tr("This message was sent with the e-mail settings of %1.")
                               .arg(TPrompts::ApplicationTitle()),
                           QString(),
                           tr("It arrived, so transcripts can be e-mailed with these settings.")};
    try {
        // The same steps as a transcript run: the handler the settings choose, connected and
        // logged in once, then the message.
        const std::unique_ptr<TMailHandler> handler = CreateMailHandler(*m_dm.Config);
        handler->Connect();
        handler->Send(from, to, subject, QString(), body);
        // The desktop mail client reports a refusal instead of throwing.
        return handler->LastRefusal();
    } catch (const EMailError& error) {
        return Failure(error.Message());
    } catch (const TError& error) {
        return Failure(error.Message());
    }
}

QString TEmailSettingsTab::Failure(const QString& message)
{
    // An error without text must still not read as success.
    return message.isEmpty() ? tr("The test message was not sent.") : message;
}
