#pragma once

#include "ui/TPageBase.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class TBrandingPanel;
class TDBGrid;
class TTimeFilterBox;
class TfraCFilter;

// The Transcripts page: the participants of the filtered conferences with their units, the
// page's conference filter and the transcript runs.
class TTranscriptsPage : public TPageBase
{
    Q_OBJECT
public:
    explicit TTranscriptsPage(const TPageInputs& inputs, QWidget* parent = nullptr);

    TDBGrid* TranscriptsGrid() const { return jdbgTranscripts; }
    // Drops the multi-row selection of the transcripts grid (before every filter change).
    void ClearTranscriptSelection();

    void fraTransFilterbApplyClick();
    void fraTransFilterbClearClick();
    // Re-queries the list with the page's filter and the time filter as they stand.
    void ApplyFilters();

    // The run buttons open their menus at the mouse pointer.
    void bGenerateTranscriptsClick();
    void bPreviewTranscriptsClick();
    void miGenerateAllClick();
    void miGenerateSelectedClick();
    void miPreviewAllClick();
    void miPreviewSelectedClick();
    void bExpTranscriptsClick();
    // The delivery report of the latest e-mail run, where a run cut short is finished.
    void bDeliveryReportClick();
    // Says what a generate run over ids will do ("This prints 86 transcripts …") and asks to
    // Start; nothingSelected adds that "Only selected" with no selection covers everyone.
    bool ConfirmGenerate(const QStringList& ids, bool nothingSelected);
    // Opens "Verify a transcript" (modal).
    void bVerifyTranscriptClick();
    // Appends the user_id of every selected row, as decimal text, to list and returns it. The
    // current row of Transcripts is the same afterwards, also when reading fails.
    QStringList GetSelectedParticipantIds(QStringList list) const;

    QMenu* GenerateMenu() const { return pmGenerateTranscripts; }
    QMenu* PreviewMenu() const { return pmPreviewTranscripts; }

private:
    QLabel* lTransParticipants = nullptr;
    TDBGrid* jdbgTranscripts = nullptr;
    QPushButton* bGenerateTranscripts = nullptr;
    QPushButton* bPreviewTranscripts = nullptr;
    QPushButton* bExpTranscripts = nullptr;
    QPushButton* bDeliveryReport = nullptr;
    QPushButton* bVerifyTranscript = nullptr;
    TfraCFilter* fraTransFilter = nullptr;
    TTimeFilterBox* m_transTime = nullptr;
    TBrandingPanel* Panel6 = nullptr;
    QMenu* pmGenerateTranscripts = nullptr;
    QAction* miGenerateAll = nullptr;
    QAction* miGenerateSelected = nullptr;
    QMenu* pmPreviewTranscripts = nullptr;
    QAction* miPreviewAll = nullptr;
    QAction* miPreviewSelected = nullptr;
};
