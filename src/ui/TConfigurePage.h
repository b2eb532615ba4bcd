#pragma once

#include "ui/TPageBase.h"

class QTabWidget;
class TConfig;
class TCustListEditor;
class TEmailSettingsTab;
class TSignInSettingsTab;
class TTranscriptSettingsTab;

// The Configure page: transcript header and footer, the five reference lists and the e-mail
// settings, one tab each. Its settings tabs are loaded and saved by the main window's settings
// routines.
class TConfigurePage : public TPageBase
{
    Q_OBJECT
public:
    // Sub-pages of pgCustomize.
    enum TSubPage {
        subTranscripts,
        subCredits,
        subTitles,
        subSpecialities,
        subSpeakers,
        subExtras,
        subEmail,
        subSignIn,
        subPageCount
    };

    explicit TConfigurePage(const TPageInputs& inputs, QWidget* parent = nullptr);

    QTabWidget* PageControl() const { return pgCustomize; }
    TTranscriptSettingsTab* TranscriptSettings() const { return m_transcriptSettings; }

    // The page's part of the main window's settings: the e-mail tab, then the transcript tab.
    // Saving writes in memory only; the main window flushes.
    void LoadSettings(const TConfig& config);
    void SaveSettings(TConfig& config);
    // Puts all five list editors into their browse state (when the main window is shown).
    void SetBrowseStates();

Q_SIGNALS:
    // A credit type was removed: the Conferences page and every filter panel need the new
    // list of credit types, and this page must stay the current one.
    void creditTypesChanged();
    // A speaker / an additional-info item was removed from its reference list.
    void speakersChanged();
    void extrasChanged();

private:
    void CreateListEditors();
    void RemoveCredit();

    QTabWidget* pgCustomize = nullptr;
    TTranscriptSettingsTab* m_transcriptSettings = nullptr;
    TSignInSettingsTab* m_signInSettings = nullptr;
    TEmailSettingsTab* m_emailSettings = nullptr;
    TCustListEditor* m_credits = nullptr;
    TCustListEditor* m_titles = nullptr;
    TCustListEditor* m_specialities = nullptr;
    TCustListEditor* m_speakers = nullptr;
    TCustListEditor* m_extras = nullptr;
};
