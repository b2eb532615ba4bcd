#pragma once

#include "ui/TPageBase.h"

class QFrame;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TDBGrid;
class TWalkInGuard;
class TfraPartDetails;

// The Participants page: the participant list with its search, the participant editor and
// the participant's conferences.
class TParticipantsPage : public TPageBase
{
    Q_OBJECT
public:
    // Sub-pages of pgPartDetails.
    enum TSubPage { subPartInfo, subPartConferences };

    explicit TParticipantsPage(const TPageInputs& inputs, QWidget* parent = nullptr);

    // The editor's states: browsing the list, or changing one participant with every other
    // tab of the window and of the page hidden.
    void PartSetBrowseState();
    void PartSetEditState();
    bool Editing() const { return m_editing; }

    // Button handlers. A refused post in bPartSaveClick propagates to the default error
    // handler and leaves the editor in its edit state with the typed values.
    void bPartEditClick();
    void bPartInsertClick();
    void bPartSaveClick();
    void bPartCancelClick();
    void bPartDelClick();
    // "Import participants…": a list through the import dialog; the lists are read again.
    void bPartImportClick();
    void bPartAddConfClick();
    void bPartConfDeleteClick();
    // "New badge code": after a yes, the current participant's badge code is replaced; the old
    // badge stops working.
    void bPartNewBadgeClick();

    // Re-queries the participant's conferences with the time filter as it stands.
    void ApplyFilters();
    // Empties the search box (the list itself is left to the caller).
    void ClearSearch();

    TfraPartDetails* DetailsFrame() const { return fraPartDetailsMain; }

Q_SIGNALS:
    // "Add" on the conferences sub-page was pressed: the owner shows the conference picker
    // modally and returns when the user closed it.
    void conferencePickerRequested();

private:
    QWidget* CreateDetailsPanel();
    QWidget* CreateInfoPage();
    QWidget* CreateConferencesPage();
    QWidget* CreateListPanel();
    QPushButton* MakeButton(const QString& caption, const QString& objectName, QWidget* parent);
    void FocusSearch();
    // Takes the person the walk-in guard offered instead of the new one being typed: the new
    // row is dropped and that person is shown, browsing.
    void OpenExisting(int userId);

    bool m_editing = false;

    QFrame* pPartDetail = nullptr;
    QTabWidget* pgPartDetails = nullptr;
    TfraPartDetails* fraPartDetailsMain = nullptr;
    QPushButton* bPartEdit = nullptr;
    QPushButton* bPartInsert = nullptr;
    QPushButton* bPartDel = nullptr;
    QPushButton* bPartImport = nullptr;
    TWalkInGuard* m_guard = nullptr;
    QPushButton* bPartSave = nullptr;
    QPushButton* bPartCancel = nullptr;
    QPushButton* bPartNewBadge = nullptr;
    QPushButton* bPartPrintBadges = nullptr;
    TDBGrid* dbgPartConf = nullptr;
    QPushButton* bPartAddConf = nullptr;
    QPushButton* bPartConfDelete = nullptr;

    QFrame* pPartList = nullptr;
    TDBGrid* jdbgParticipants = nullptr;
    QLineEdit* eSearchPart = nullptr;
};
