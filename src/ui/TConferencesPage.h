#pragma once

#include "ui/TPageBase.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TBrandingPanel;
class TConfDetailsPanel;
class TDBGrid;
class TTimeFilterBox;
class TfraCFilter;

// The Conferences page: the filtered conference list, the conference editor with its
// speakers, additional info and credit types, and the conference's participants.
class TConferencesPage : public TPageBase
{
    Q_OBJECT
public:
    // Sub-pages of pgConfDetails.
    enum TSubPage { subConfInfo, subConfParticipants };

    explicit TConferencesPage(const TPageInputs& inputs, QWidget* parent = nullptr);

    // Mirrors the shared credit lines (TPageFilters::CreditLines) into jclbCredits; the
    // current conference's credit types stay checked.
    void ShowCreditLines();
    // Refill lbSpeakers / lbExtras with the current conference's items.
    void FillSpeakersList();
    void FillExtrasList();
    // Add the current row of Speakers / Extras to lbSpeakers / lbExtras (picker double-click).
    void AddPickedSpeaker();
    void AddPickedExtra();
    // The editor's two states.
    void ConfSetBrowseState();
    void ConfSetEditState();
    bool Editing() const { return m_editing; }
    // Shows the current row of Conferences in the plain detail controls; does nothing while
    // the conference is being edited or added, so what the user typed stays.
    void ShowCurrentConference();

    // Handlers of the page's controls.
    void bConfEditClick();
    void bConfNewClick();
    // Stores the conference with its lists. When the database refuses it, the error
    // propagates and the page stays in edit state with every value as the user left it.
    void bConfSaveClick();
    void bConfCancelClick();
    void bConfDelClick();
    void bSpeakAddClick();
    void bSpeakDelClick();
    void bExtraAddClick();
    void bExtraDelClick();
    // Leaving the begin date or time copies both into the end pickers.
    void dtpBeginDateExit();
    void bConfAddPartClick();
    void bConfDelPartClick();
    // The participants list of the current conference as a CSV file, and its attendance sheet.
    void bExpConfPartsClick();
    void bPrintConfPartsClick();
    void fraConfFilterbApplyClick();
    // Re-queries the conference list with the page's filter and the time filter as they stand.
    void ApplyFilters();
    void fraConfFilterbClearClick();
    void pgConfDetailsChange(int index);

    TConfDetailsPanel* DetailsPanel() const { return pConfInfo; }
    QTabWidget* DetailPages() const { return pgConfDetails; }

Q_SIGNALS:
    // "Add" on the participants sub-page has emptied the participant search; the
    // Participants page's search box must show it.
    void participantSearchCleared();
    // "Add" beside the speaker / additional-info list, or on the participants sub-page, was
    // pressed: the owner shows its picker modally and returns when the user closed it.
    void speakerPickerRequested();
    void extraPickerRequested();
    void participantPickerRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* CreateConfInfoPage();
    QWidget* CreateParticipantsPage();
    // The "Registered" sub-page beside "Participants".
    void AddRegisteredPage();
    QWidget* CreateConfList();
    QPushButton* MakeButton(const QString& caption, const QString& objectName, QWidget* parent);
    void ConnectConferences();
    // Leaves the edit state after a conference was stored.
    void FinishSave();
    void PlaceBrandingPanel();

    bool m_editing = false;
    // While a save runs, the row passes through states that must not reach the controls.
    bool m_saving = false;
    // The current row of Conferences when "Add new" was pressed.
    int m_rowBeforeInsert = -1;

    QWidget* pConfDetail = nullptr;
    QTabWidget* pgConfDetails = nullptr;
    TConfDetailsPanel* pConfInfo = nullptr;
    QPushButton* bConfEdit = nullptr;
    QPushButton* bConfNew = nullptr;
    QPushButton* bConfDel = nullptr;
    QPushButton* bConfSave = nullptr;
    QPushButton* bConfCancel = nullptr;

    TDBGrid* dbgConfPart = nullptr;
    QLineEdit* eSearchConfPart = nullptr;
    QPushButton* bConfAddPart = nullptr;
    QPushButton* bConfDelPart = nullptr;
    QPushButton* bExpConfParts = nullptr;
    QPushButton* bPrintConfParts = nullptr;
    QPushButton* bPrintBadges = nullptr;

    QWidget* pConfList = nullptr;
    TDBGrid* jdbgConferences = nullptr;
    TfraCFilter* fraConfFilter = nullptr;
    TTimeFilterBox* m_timeBox = nullptr;
    TBrandingPanel* Panel1 = nullptr;
};
