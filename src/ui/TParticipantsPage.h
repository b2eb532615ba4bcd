#pragma once

#include <QWidget>

class TfrmMain;

// The Participants page: the participant list with its search, the participant editor and
// the participant's conferences.
class TParticipantsPage : public QWidget
{
    Q_OBJECT
public:
    explicit TParticipantsPage(TfrmMain& main, QWidget* parent = nullptr);

    // The editor's browse state (PartSetBrowseState).
    void PartSetBrowseState();

private:
    TfrmMain& m_main;
};
