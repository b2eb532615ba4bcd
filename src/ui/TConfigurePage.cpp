#include "TConfigurePage.h"

#include "TBrandingPanel.h"
#include "TConfig.h"
#include "TCustImageBox.h"
#include "TCustListEditor.h"
#include "TDBEdit.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TError.h"
#include "TPrompts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

const QString MailSection = QStringLiteral("Mail");
const QString SmtpSection = QStringLiteral("SMTP");
const QString BodySection = QStringLiteral("Body");
const QString HeaderSection = QStringLiteral("Header");
const QString FooterSection = QStringLiteral("Footer");
const QString BitmapsSection = QStringLiteral("Bitmaps");
const QString HeaderBmpKey = QStringLiteral("HeaderBmp");
const QString FooterBmpKey = QStringLiteral("FooterBmp");

// Stored codes of Mail/HandlerType and SMTP/AuthType.
constexpr int HandlerSmtp = 1;
constexpr int HandlerDefaultClient = 2;
constexpr int AuthLogin = 1;
constexpr int AuthNone = 0;

// The lines of a multi-line text box as the settings keep them: an empty box has no lines,
// and the line break after the last line does not start another one.
QStringList MemoLines(const QPlainTextEdit* memo)
{
    QString text = memo->toPlainText();
    if (text.isEmpty())
        return {};
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

void SetMemoLines(QPlainTextEdit* memo, const QStringList& lines)
{
    memo->setPlainText(lines.join(u'\n'));
}

QPlainTextEdit* MakeMemo(const QString& objectName, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(objectName);
    // Tab moves on to the next control, as in every other box of the program.
    memo->setTabChangesFocus(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
}

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

// Puts back the working directory that a file dialog may have changed.
class TWorkingDirectoryGuard
{
public:
    TWorkingDirectoryGuard() : m_dir(QDir::currentPath()) {}
    ~TWorkingDirectoryGuard() { QDir::setCurrent(m_dir); }
    TWorkingDirectoryGuard(const TWorkingDirectoryGuard&) = delete;
    TWorkingDirectoryGuard& operator=(const TWorkingDirectoryGuard&) = delete;

private:
    QString m_dir;
};

// Disables a window for the length of a step and enables it again, also when the step fails,
// giving the focus back to the control that had it.
class TWindowDisabled
{
public:
    explicit TWindowDisabled(QWidget& window)
        : m_window(window), m_focus(QApplication::focusWidget())
    {
        m_window.setEnabled(false);
    }
    ~TWindowDisabled()
    {
        m_window.setEnabled(true);
        if (m_focus && m_focus->isEnabled() && m_focus->isVisible())
            m_focus->setFocus(Qt::OtherFocusReason);
    }
    TWindowDisabled(const TWindowDisabled&) = delete;
    TWindowDisabled& operator=(const TWindowDisabled&) = delete;

private:
    QWidget& m_window;
    QPointer<QWidget> m_focus;
};

} // namespace

TConfigurePage::TConfigurePage(const TPageInputs& inputs, QWidget* parent)
    : TPageBase(inputs, parent)
{
    setObjectName(QStringLiteral("tsCustomize"));

    pgCustomize = new QTabWidget(this);
    pgCustomize->setObjectName(QStringLiteral("pgCustomize"));
    // Tabs drawn as buttons: the current one pressed in.
    pgCustomize->setDocumentMode(true);
    pgCustomize->tabBar()->setDrawBase(false);
    pgCustomize->tabBar()->setExpanding(false);
    pgCustomize->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { border: 1px solid palette(mid); border-radius: 3px;"
        " background: palette(button); padding: 3px 7px; margin: 2px 2px 4px 0px; }"
        "QTabBar::tab:selected { background: palette(midlight); border-color: palette(dark);"
        " border-style: inset; }"
        "QTabBar::tab:hover:!selected { background: palette(light); }"));

    auto* transcripts = CreateTranscriptsPage();
    transcripts->setObjectName(QStringLiteral("tsCustTranscripts"));
    pgCustomize->addTab(transcripts, tr("Transcripts"));
    CreateListEditors();
    auto* email = CreateEmailPage();
    email->setObjectName(QStringLiteral("tsEmail"));
    pgCustomize->addTab(email, tr("Email settings"));
    pgCustomize->setCurrentIndex(subTranscripts);

    auto* branding = new TBrandingPanel(QStringLiteral("Panel4"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(branding);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pgCustomize, 1);
    layout->addLayout(bottom);
}

QWidget* TConfigurePage::CreateTranscriptsPage()
{
    auto* page = new QWidget(pgCustomize);

    auto* texts = new QGroupBox(tr("Custom header and footer for transcripts"), page);
    texts->setObjectName(QStringLiteral("gbTransTexts"));
    memHeader = MakeMemo(QStringLiteral("memHeader"), texts);
    memFooter = MakeMemo(QStringLiteral("memFooter"), texts);
    auto* lHeader = new QLabel(tr("Custom &header"), texts);
    lHeader->setBuddy(memHeader);
    auto* lFooter = new QLabel(tr("Custom &footer"), texts);
    lFooter->setBuddy(memFooter);
    auto* textsLayout = new QGridLayout(texts);
    textsLayout->addWidget(lHeader, 0, 0);
    textsLayout->addWidget(lFooter, 0, 1);
    textsLayout->addWidget(memHeader, 1, 0);
    textsLayout->addWidget(memFooter, 1, 1);
    textsLayout->setColumnStretch(0, 1);
    textsLayout->setColumnStretch(1, 1);

    auto* bitmaps = new QGroupBox(tr("Header and footer bitmaps"), page);
    bitmaps->setObjectName(QStringLiteral("gbTransBitmaps"));
    imTransHeader = new TCustImageBox(QStringLiteral("imTransHeader"), bitmaps);
    imTransFooter = new TCustImageBox(QStringLiteral("imTransFooter"), bitmaps);
    bLoadHeaderImg = new QPushButton(tr("&Load image"), bitmaps);
    bLoadHeaderImg->setObjectName(QStringLiteral("bLoadHeaderImg"));
    bLoadFooterImg = new QPushButton(tr("Load &image"), bitmaps);
    bLoadFooterImg->setObjectName(QStringLiteral("bLoadFooterImg"));
    auto* bitmapsLayout = new QGridLayout(bitmaps);
    bitmapsLayout->addWidget(new QLabel(tr("Header"), bitmaps), 0, 0);
    bitmapsLayout->addWidget(new QLabel(tr("Footer"), bitmaps), 0, 1);
    bitmapsLayout->addWidget(imTransHeader, 1, 0);
    bitmapsLayout->addWidget(imTransFooter, 1, 1);
    bitmapsLayout->addWidget(bLoadHeaderImg, 2, 0, Qt::AlignLeft);
    bitmapsLayout->addWidget(bLoadFooterImg, 2, 1, Qt::AlignLeft);
    bitmapsLayout->setColumnStretch(0, 1);
    bitmapsLayout->setColumnStretch(1, 1);
    bitmapsLayout->setRowStretch(1, 1);

    connect(imTransHeader, &TCustImageBox::DoubleClicked, this,
            &TConfigurePage::imTransHeaderDblClick);
    connect(bLoadHeaderImg, &QPushButton::clicked, this, &TConfigurePage::imTransHeaderDblClick);
    connect(imTransFooter, &TCustImageBox::DoubleClicked, this,
            &TConfigurePage::imTransFooterDblClick);
    connect(bLoadFooterImg, &QPushButton::clicked, this, &TConfigurePage::imTransFooterDblClick);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(texts, 1);
    layout->addWidget(bitmaps, 1);
    return page;
}

void TConfigurePage::CreateListEditors()
{
    const auto add = [this](const TCustListEditor::TSetup& setup, const QString& pageName,
                            const QString& caption) {
        auto* editor = new TCustListEditor(m_prompts, *pgCustomize, setup, pgCustomize);
        connect(editor, &TCustListEditor::editingStarted, this, &TPageBase::editingStarted);
        connect(editor, &TCustListEditor::editingFinished, this, &TPageBase::editingFinished);
        editor->setObjectName(pageName);
        pgCustomize->addTab(editor, caption);
        return editor;
    };

    m_credits = add({QStringLiteral("bCredit"),
                     QStringLiteral("jdbgCredits"),
                     QStringLiteral("pCustCreditInfo"),
                     m_dm.Credits,
                     {{QStringLiteral("c_name"), tr("Credit")}},
                     tr("Remove credit?"),
                     false},
                    QStringLiteral("tsCustCredits"), tr("Credits"));
    // Typing into a credit type's name puts Credits into edit state by itself.
    m_credits->AddEdit(tr("Credi&t"), QStringLiteral("dbeCreditName"), QStringLiteral("c_name"),
                       true);
    m_credits->SetRemoveSteps([this] { RemoveCredit(); });
    // A new or renamed credit type shows at once in the Conferences page and the filter panels,
    // as after a removal.
    m_credits->SetAfterPost([this] {
        m_dm.ConfCredits->Requery();
        Q_EMIT creditTypesChanged();
    });
    ConnectButtons(m_credits, &TConfigurePage::bCreditEditClick, &TConfigurePage::bCreditNewClick,
                   &TConfigurePage::bCreditDeleteClick, &TConfigurePage::bCreditSaveClick,
                   &TConfigurePage::bCreditCancelClick);

    m_titles = add({QStringLiteral("bTitle"),
                    QStringLiteral("jdbgTitles"),
                    QStringLiteral("pCustTitleInfo"),
                    m_dm.Titles,
                    {{QStringLiteral("t_name"), tr("Title")}},
                    tr("Remove title?"),
                    true},
                   QStringLiteral("tsTitles"), tr("Titles"));
    m_titles->AddEdit(tr("&Title"), QStringLiteral("dbeTitleName"), QStringLiteral("t_name"));
    m_titles->SetRemoveSteps([this] { m_dm.DeleteTitle(); });
    ConnectButtons(m_titles, &TConfigurePage::bTitleEditClick, &TConfigurePage::bTitleNewClick,
                   &TConfigurePage::bTitleDeleteClick, &TConfigurePage::bTitleSaveClick,
                   &TConfigurePage::bTitleCancelClick);

    m_specialities = add({QStringLiteral("bSpec"),
                          QStringLiteral("jdbgSpecialities"),
                          QStringLiteral("pCustSpecInfo"),
                          m_dm.Specialities,
                          {{QStringLiteral("s_name"), tr("Speciality")}},
                          tr("Remove specialty?"),
                          true},
                         QStringLiteral("tsSpecialities"), tr("Specialities"));
    m_specialities->AddEdit(tr("S&peciality"), QStringLiteral("dbeSpecName"),
                            QStringLiteral("s_name"));
    m_specialities->SetRemoveSteps([this] { m_dm.DeleteSpeciality(); });
    ConnectButtons(m_specialities, &TConfigurePage::bSpecEditClick, &TConfigurePage::bSpecNewClick,
                   &TConfigurePage::bSpecDeleteClick, &TConfigurePage::bSpecSaveClick,
                   &TConfigurePage::bSpecCancelClick);

    m_speakers = add({QStringLiteral("bSpeaker"),
                      QStringLiteral("jdbgSpeakers"),
                      QStringLiteral("pCustSpeakerInfo"),
                      m_dm.Speakers,
                      {{QStringLiteral("last_name"), tr("Last name")},
                       {QStringLiteral("first_name"), tr("First name")}},
                      tr("Remove speaker?"),
                      false},
                     QStringLiteral("tsSpeakers"), tr("Speakers"));
    m_speakers->AddEdit(tr("&Last name"), QStringLiteral("dbeLastName"),
                        QStringLiteral("last_name"));
    m_speakers->AddEdit(tr("&First name"), QStringLiteral("dbeFirstName"),
                        QStringLiteral("first_name"));
    m_speakers->AddEdit(tr("Fr&om"), QStringLiteral("dbePlace"), QStringLiteral("place"));
    m_speakers->AddLookup(tr("&Title"), QStringLiteral("jdblcTitle"), QStringLiteral("title_id"),
                          m_dm.Titles, QStringLiteral("title_id"), QStringLiteral("t_name"));
    m_speakers->SetRemoveSteps([this] {
        m_dm.DeleteSpeaker();
        Q_EMIT speakersChanged();
    });
    m_speakers->SetAfterPost([this] { m_dm.ConfSpeakers->Requery(); });
    ConnectButtons(m_speakers, &TConfigurePage::bSpeakerEditClick,
                   &TConfigurePage::bSpeakerNewClick, &TConfigurePage::bSpeakerDeleteClick,
                   &TConfigurePage::bSpeakerSaveClick, &TConfigurePage::bSpeakerCancelClick);

    m_extras = add({QStringLiteral("bExtra"),
                    QStringLiteral("jdbgExtras"),
                    QStringLiteral("pCustExtraInfo"),
                    m_dm.Extras,
                    {{QStringLiteral("e_name"), tr("Additional info")}},
                    tr("Remove additional information?"),
                    false},
                   QStringLiteral("tsExtras"), tr("Additional info"));
    m_extras->AddEdit(tr("Additional &info"), QStringLiteral("dbeExtraName"),
                      QStringLiteral("e_name"));
    // The one column of the additional-info list keeps no width of its own: it fills the grid.
    m_extras->Grid()->horizontalHeader()->setStretchLastSection(true);
    m_extras->SetRemoveSteps([this] {
        m_dm.DeleteExtra();
        Q_EMIT extrasChanged();
    });
    m_extras->SetAfterPost([this] { m_dm.ConfExtras->Requery(); });
    ConnectButtons(m_extras, &TConfigurePage::bExtraEditClick, &TConfigurePage::bExtraNewClick,
                   &TConfigurePage::bExtraDeleteClick, &TConfigurePage::bExtraSaveClick,
                   &TConfigurePage::bExtraCancelClick);
}

void TConfigurePage::ConnectButtons(TCustListEditor* editor, void (TConfigurePage::*edit)(),
                                    void (TConfigurePage::*add)(), void (TConfigurePage::*remove)(),
                                    void (TConfigurePage::*save)(),
                                    void (TConfigurePage::*cancel)())
{
    connect(editor->EditButton(), &QPushButton::clicked, this, edit);
    connect(editor->NewButton(), &QPushButton::clicked, this, add);
    connect(editor->DeleteButton(), &QPushButton::clicked, this, remove);
    connect(editor->SaveButton(), &QPushButton::clicked, this, save);
    connect(editor->CancelButton(), &QPushButton::clicked, this, cancel);
}

QWidget* TConfigurePage::CreateEmailPage()
{
    auto* page = new QWidget(pgCustomize);

    rgMailType = new QGroupBox(tr("Mail type"), page);
    rgMailType->setObjectName(QStringLiteral("rgMailType"));
    m_mailTypeItems =
        AddRadioItems(rgMailType, {tr("Use &default mail client"), tr("SMTP Ser&ver")}, 1);
    connect(m_mailTypeItems, &QButtonGroup::idClicked, this, &TConfigurePage::rgMailTypeClick);

    gbSmtpParams = new QGroupBox(tr("SMTP parameters"), page);
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

    gbMailCommon = new QGroupBox(tr("Common message values"), page);
    gbMailCommon->setObjectName(QStringLiteral("gbMailCommon"));
    eFrom = MakeEdit(QStringLiteral("eFrom"), gbMailCommon);
    eSubject = MakeEdit(QStringLiteral("eSubject"), gbMailCommon);
    memBody = MakeMemo(QStringLiteral("memBody"), gbMailCommon);
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
    left->addStretch(1);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left, 1);
    layout->addWidget(gbMailCommon, 1);
    return page;
}

void TConfigurePage::LoadSettings(const TConfig& config)
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

    SetMemoLines(memBody, config.ReadList(BodySection));
    SetMemoLines(memHeader, config.ReadList(HeaderSection));
    SetMemoLines(memFooter, config.ReadList(FooterSection));

    // A picture that has gone or cannot be read is skipped: the box keeps what it shows.
    const QString headerPath = config.ReadString(BitmapsSection, HeaderBmpKey);
    if (!headerPath.isEmpty())
        imTransHeader->LoadFile(headerPath);
    const QString footerPath = config.ReadString(BitmapsSection, FooterBmpKey);
    if (!footerPath.isEmpty())
        imTransFooter->LoadFile(footerPath);
}

void TConfigurePage::SaveSettings(TConfig& config)
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

    config.WriteList(BodySection, MemoLines(memBody));
    config.WriteList(HeaderSection, MemoLines(memHeader));
    config.WriteList(FooterSection, MemoLines(memFooter));
}

void TConfigurePage::SetBrowseStates()
{
    CustCreditSetBrowseState();
    CustTitleSetBrowseState();
    CustSpecSetBrowseState();
    CustSpeakerSetBrowseState();
    CustExtraSetBrowseState();
}

void TConfigurePage::ChooseImage(TCustImageBox* box, const QString& key)
{
    const TWorkingDirectoryGuard workingDirectory;
    const QString current = m_dm.Config->ReadString(BitmapsSection, key);
    const QString chosen = m_prompts.OpenFileName(
        tr("Open"), current.isEmpty() ? QString() : QFileInfo(current).absolutePath(),
        tr("Bitmaps (*.bmp)"));
    if (chosen.isEmpty())
        return;
    // Resolved before the working directory is put back, in case the dialog moved it.
    const QString path = QFileInfo(chosen).absoluteFilePath();
    QString reason;
    if (!box->LoadFile(path, &reason))
        throw TError(
            tr("Cannot load the picture %1: %2").arg(QDir::toNativeSeparators(path), reason));
    m_dm.Config->WriteString(BitmapsSection, key, path);
}

void TConfigurePage::imTransHeaderDblClick()
{
    ChooseImage(imTransHeader, HeaderBmpKey);
}

void TConfigurePage::imTransFooterDblClick()
{
    ChooseImage(imTransFooter, FooterBmpKey);
}

void TConfigurePage::RemoveCredit()
{
    const TWindowDisabled disabled(*window());
    m_dm.DeleteCredit();
    // The Conferences page and every filter panel get the new list of credit types.
    Q_EMIT creditTypesChanged();
}

void TConfigurePage::rgMailTypeClick()
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

// The click handlers and state routines of the five list editors.

void TConfigurePage::bCreditEditClick()
{
    m_credits->EditClick();
}
void TConfigurePage::bCreditNewClick()
{
    m_credits->NewClick();
}
void TConfigurePage::bCreditDeleteClick()
{
    m_credits->DeleteClick();
}
void TConfigurePage::bCreditSaveClick()
{
    m_credits->SaveClick();
}
void TConfigurePage::bCreditCancelClick()
{
    m_credits->CancelClick();
}
void TConfigurePage::bTitleEditClick()
{
    m_titles->EditClick();
}
void TConfigurePage::bTitleNewClick()
{
    m_titles->NewClick();
}
void TConfigurePage::bTitleDeleteClick()
{
    m_titles->DeleteClick();
}
void TConfigurePage::bTitleSaveClick()
{
    m_titles->SaveClick();
}
void TConfigurePage::bTitleCancelClick()
{
    m_titles->CancelClick();
}
void TConfigurePage::bSpecEditClick()
{
    m_specialities->EditClick();
}
void TConfigurePage::bSpecNewClick()
{
    m_specialities->NewClick();
}
void TConfigurePage::bSpecDeleteClick()
{
    m_specialities->DeleteClick();
}
void TConfigurePage::bSpecSaveClick()
{
    m_specialities->SaveClick();
}
void TConfigurePage::bSpecCancelClick()
{
    m_specialities->CancelClick();
}
void TConfigurePage::bSpeakerEditClick()
{
    m_speakers->EditClick();
}
void TConfigurePage::bSpeakerNewClick()
{
    m_speakers->NewClick();
}
void TConfigurePage::bSpeakerDeleteClick()
{
    m_speakers->DeleteClick();
}
void TConfigurePage::bSpeakerSaveClick()
{
    m_speakers->SaveClick();
}
void TConfigurePage::bSpeakerCancelClick()
{
    m_speakers->CancelClick();
}
void TConfigurePage::bExtraEditClick()
{
    m_extras->EditClick();
}
void TConfigurePage::bExtraNewClick()
{
    m_extras->NewClick();
}
void TConfigurePage::bExtraDeleteClick()
{
    m_extras->DeleteClick();
}
void TConfigurePage::bExtraSaveClick()
{
    m_extras->SaveClick();
}
void TConfigurePage::bExtraCancelClick()
{
    m_extras->CancelClick();
}

void TConfigurePage::CustCreditSetEditState()
{
    m_credits->SetEditState();
}
void TConfigurePage::CustCreditSetBrowseState()
{
    m_credits->SetBrowseState();
}
void TConfigurePage::CustTitleSetEditState()
{
    m_titles->SetEditState();
}
void TConfigurePage::CustTitleSetBrowseState()
{
    m_titles->SetBrowseState();
}
void TConfigurePage::CustSpecSetEditState()
{
    m_specialities->SetEditState();
}
void TConfigurePage::CustSpecSetBrowseState()
{
    m_specialities->SetBrowseState();
}
void TConfigurePage::CustSpeakerSetEditState()
{
    m_speakers->SetEditState();
}
void TConfigurePage::CustSpeakerSetBrowseState()
{
    m_speakers->SetBrowseState();
}
void TConfigurePage::CustExtraSetEditState()
{
    m_extras->SetEditState();
}
void TConfigurePage::CustExtraSetBrowseState()
{
    m_extras->SetBrowseState();
}
