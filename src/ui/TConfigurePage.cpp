#include "ui/TConfigurePage.h"

#include "ui/TBrandingPanel.h"
#include "ui/TCustListEditor.h"
#include "ui/TDBGrid.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "ui/TEmailSettingsTab.h"
#include "ui/TSignInSettingsTab.h"
#include "ui/TTranscriptSettingsTab.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

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

    m_transcriptSettings = new TTranscriptSettingsTab(m_dm, m_prompts, pgCustomize);
    pgCustomize->addTab(m_transcriptSettings, tr("Transcripts"));
    CreateListEditors();
    m_emailSettings = new TEmailSettingsTab(m_dm, m_prompts, pgCustomize);
    pgCustomize->addTab(m_emailSettings, tr("Email settings"));
    m_signInSettings = new TSignInSettingsTab(pgCustomize);
    pgCustomize->addTab(m_signInSettings, tr("Live sign-in"));
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
}

void TConfigurePage::LoadSettings(const TConfig& config)
{
    m_emailSettings->LoadSettings(config);
    m_transcriptSettings->LoadSettings(config);
    m_signInSettings->LoadSettings(config);
}

void TConfigurePage::SaveSettings(TConfig& config)
{
    m_emailSettings->SaveSettings(config);
    m_transcriptSettings->SaveSettings(config);
    m_signInSettings->SaveSettings(config);
}

void TConfigurePage::SetBrowseStates()
{
    for (TCustListEditor* editor : {m_credits, m_titles, m_specialities, m_speakers, m_extras})
        editor->SetBrowseState();
}

void TConfigurePage::RemoveCredit()
{
    const TWindowDisabled disabled(*window());
    m_dm.DeleteCredit();
    // The Conferences page and every filter panel get the new list of credit types.
    Q_EMIT creditTypesChanged();
}
