#pragma once

#include "TPageBase.h"

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TConfig;
class TCustImageBox;
class TCustListEditor;

// The Configure page: transcript header and footer, the five reference lists and the e-mail
// settings. Its settings controls are loaded and saved by the main window's settings routines.
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
        subPageCount
    };
    // Items of rgMailType and rgAuthType, top to bottom (left to right).
    enum TMailTypeItem { mailDefaultClient, mailSmtpServer };
    enum TAuthTypeItem { authLogin, authNone };

    explicit TConfigurePage(const TPageInputs& inputs, QWidget* parent = nullptr);

    QTabWidget* PageControl() const { return pgCustomize; }

    // The page's part of the main window's settings: the e-mail controls, the header, footer
    // and body lines, and the header and footer pictures (a picture that cannot be loaded is
    // skipped). Saving writes in memory only; the main window flushes.
    void LoadSettings(const TConfig& config);
    void SaveSettings(TConfig& config);
    // Puts all five list editors into their browse state (when the main window is shown).
    void SetBrowseStates();

    // Choose a header / footer picture: double-click on the picture or its "Load image".
    void imTransHeaderDblClick();
    void imTransFooterDblClick();

    void bCreditEditClick();
    void bCreditNewClick();
    void bCreditDeleteClick();
    void bCreditSaveClick();
    void bCreditCancelClick();
    void bTitleEditClick();
    void bTitleNewClick();
    void bTitleDeleteClick();
    void bTitleSaveClick();
    void bTitleCancelClick();
    void bSpecEditClick();
    void bSpecNewClick();
    void bSpecDeleteClick();
    void bSpecSaveClick();
    void bSpecCancelClick();
    void bSpeakerEditClick();
    void bSpeakerNewClick();
    void bSpeakerDeleteClick();
    void bSpeakerSaveClick();
    void bSpeakerCancelClick();
    void bExtraEditClick();
    void bExtraNewClick();
    void bExtraDeleteClick();
    void bExtraSaveClick();
    void bExtraCancelClick();

    void CustCreditSetEditState();
    void CustCreditSetBrowseState();
    void CustTitleSetEditState();
    void CustTitleSetBrowseState();
    void CustSpecSetEditState();
    void CustSpecSetBrowseState();
    void CustSpeakerSetEditState();
    void CustSpeakerSetBrowseState();
    void CustExtraSetEditState();
    void CustExtraSetBrowseState();

    // Shows the SMTP parameters for "SMTP Server" and hides them for the default mail client.
    void rgMailTypeClick();

Q_SIGNALS:
    // A credit type was removed: the Conferences page and every filter panel need the new
    // list of credit types, and this page must stay the current one.
    void creditTypesChanged();
    // A speaker / an additional-info item was removed from its reference list.
    void speakersChanged();
    void extrasChanged();

private:
    QWidget* CreateTranscriptsPage();
    QWidget* CreateEmailPage();
    void CreateListEditors();
    void ConnectButtons(TCustListEditor* editor, void (TConfigurePage::*edit)(),
                        void (TConfigurePage::*add)(), void (TConfigurePage::*remove)(),
                        void (TConfigurePage::*save)(), void (TConfigurePage::*cancel)());
    void ChooseImage(TCustImageBox* box, const QString& key);
    void RemoveCredit();

    QTabWidget* pgCustomize = nullptr;

    QPlainTextEdit* memHeader = nullptr;
    QPlainTextEdit* memFooter = nullptr;
    TCustImageBox* imTransHeader = nullptr;
    TCustImageBox* imTransFooter = nullptr;
    QPushButton* bLoadHeaderImg = nullptr;
    QPushButton* bLoadFooterImg = nullptr;

    TCustListEditor* m_credits = nullptr;
    TCustListEditor* m_titles = nullptr;
    TCustListEditor* m_specialities = nullptr;
    TCustListEditor* m_speakers = nullptr;
    TCustListEditor* m_extras = nullptr;

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
    QPlainTextEdit* memBody = nullptr;
};
