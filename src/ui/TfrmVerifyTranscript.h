#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TPrompts;
class TfrmCamera;
struct TSealCheck;

// "Verify a transcript": a transcript's code, typed by a scanner that works as a keyboard (it
// ends with Enter), pasted, or read by the webcam, is checked against a public key (the data
// folder's office.pub unless another is chosen); the result shows above the record's table.
class TfrmVerifyTranscript : public QDialog
{
    Q_OBJECT
public:
    TfrmVerifyTranscript(const QString& dataFolder, TPrompts& prompts, QWidget* parent = nullptr);

    // Checks the code in the text box and shows the result.
    void bVerifyClick();
    void bKeyClick();
    // Opens the camera window; each code it reads is checked at once.
    void bCameraClick();
    // A code read by the camera.
    void CodeRead(const QString& text);

    QLineEdit* CodeEdit() const { return edCode; }
    QLineEdit* KeyEdit() const { return edKey; }
    QLabel* ResultLabel() const { return lResult; }
    QTableWidget* RecordTable() const { return tbRecord; }
    TfrmCamera* Camera() const { return m_camera; }

private:
    void ShowRecord(const TSealCheck& check);

    TPrompts& m_prompts;
    QLineEdit* edCode = nullptr;
    QLineEdit* edKey = nullptr;
    QPushButton* bKey = nullptr;
    QPushButton* bVerify = nullptr;
    QPushButton* bCamera = nullptr;
    TfrmCamera* m_camera = nullptr;
    QLabel* lResult = nullptr;
    QTableWidget* tbRecord = nullptr;
};
