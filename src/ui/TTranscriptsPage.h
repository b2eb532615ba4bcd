#pragma once

#include <QWidget>

class TfrmMain;

// The Transcripts page: participants of the filtered conferences and the transcript runs.
class TTranscriptsPage : public QWidget
{
    Q_OBJECT
public:
    explicit TTranscriptsPage(TfrmMain& main, QWidget* parent = nullptr);

private:
    TfrmMain& m_main;
};
