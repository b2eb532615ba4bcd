#pragma once

#include <QWidget>

class TfrmMain;

// The Conferences page: the filtered conference list, the conference editor with its
// speakers, additional info and credit types, and the conference's participants.
class TConferencesPage : public QWidget
{
    Q_OBJECT
public:
    explicit TConferencesPage(TfrmMain& main, QWidget* parent = nullptr);

    // Mirrors the main window's credit lines (TfrmMain::CreditLines) into jclbCredits.
    void ShowCreditLines();
    // Refill lbSpeakers / lbExtras with the current conference's items.
    void FillSpeakersList();
    void FillExtrasList();
    // Add the current row of Speakers / Extras to lbSpeakers / lbExtras (picker double-click).
    void AddPickedSpeaker();
    void AddPickedExtra();
    // The editor's browse state (ConfSetBrowseState).
    void ConfSetBrowseState();

private:
    TfrmMain& m_main;
};
