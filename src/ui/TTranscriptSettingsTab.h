#pragma once

#include <QWidget>

class QPushButton;
class TConfig;
class TCustImageBox;
class TDM;
class TPrompts;
class TSettingsMemo;

// The "Transcripts" tab of the Configure page: the custom header and footer texts and the
// header and footer pictures printed on every transcript.
class TTranscriptSettingsTab : public QWidget
{
    Q_OBJECT
public:
    // The pictures chosen here go straight into the data module's settings.
    TTranscriptSettingsTab(TDM& dm, TPrompts& prompts, QWidget* parent = nullptr);

    // The header and footer lines, and the pictures (one that cannot be loaded is skipped:
    // its box keeps what it shows). Saving writes the lines, in memory only.
    void LoadSettings(const TConfig& config);
    void SaveSettings(TConfig& config) const;

    // Choose a header / footer picture: double-click on the picture or its "Load image". A
    // picture that cannot be loaded throws TError and leaves picture and setting as they were.
    void imTransHeaderDblClick();
    void imTransFooterDblClick();

private:
    void ChooseImage(TCustImageBox* box, const QString& key);

    TDM& m_dm;
    TPrompts& m_prompts;
    TSettingsMemo* memHeader = nullptr;
    TSettingsMemo* memFooter = nullptr;
    TCustImageBox* imTransHeader = nullptr;
    TCustImageBox* imTransFooter = nullptr;
    QPushButton* bLoadHeaderImg = nullptr;
    QPushButton* bLoadFooterImg = nullptr;
};
