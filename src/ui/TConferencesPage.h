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

private:
    TfrmMain& m_main;
};
