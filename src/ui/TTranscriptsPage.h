#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class TBrandingPanel;
class TDBGrid;
class TTimeFilterBox;
class TfraCFilter;
class TfrmMain;

// The Transcripts page: the participants of the filtered conferences with their units, the
// page's conference filter and the transcript runs.
class TTranscriptsPage : public QWidget
{
    Q_OBJECT
public:
    explicit TTranscriptsPage(TfrmMain& main, QWidget* parent = nullptr);

    TDBGrid* TranscriptsGrid() const { return jdbgTranscripts; }
    // Drops the multi-row selection of the transcripts grid (before every filter change).
    void ClearTranscriptSelection();

    void fraTransFilterbApplyClick();
    void fraTransFilterbClearClick();

private:
    TfrmMain& m_main;
    QLabel* lTransParticipants = nullptr;
    TDBGrid* jdbgTranscripts = nullptr;
    QPushButton* bGenerateTranscripts = nullptr;
    QPushButton* bPreviewTranscripts = nullptr;
    QPushButton* bExpTranscripts = nullptr;
    TfraCFilter* fraTransFilter = nullptr;
    TTimeFilterBox* m_transTime = nullptr;
    TBrandingPanel* Panel6 = nullptr;
};
