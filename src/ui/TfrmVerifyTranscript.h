#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TPrompts;
struct TSealCheck;

// "Verify a transcript": a transcript's code, typed by a scanner that works as a keyboard (it
// ends with Enter) or pasted, is checked against a public key (the data folder's office.pub
// unless another is chosen); the result shows above the record's table.
class TfrmVerifyTranscript : public QDialog
{
    Q_OBJECT
public:
    TfrmVerifyTranscript(const QString& dataFolder, TPrompts& prompts, QWidget* parent = nullptr);

    // Checks the code in the text box and shows the result.
    void bVerifyClick();
    void bKeyClick();

    QLineEdit* CodeEdit() const { return edCode; }
    QLineEdit* KeyEdit() const { return edKey; }
    QLabel* ResultLabel() const { return lResult; }
    QTableWidget* RecordTable() const { return tbRecord; }

private:
    void ShowRecord(const TSealCheck& check);

    TPrompts& m_prompts;
    QLineEdit* edCode = nullptr;
    QLineEdit* edKey = nullptr;
    QPushButton* bKey = nullptr;
    QPushButton* bVerify = nullptr;
    QLabel* lResult = nullptr;
    QTableWidget* tbRecord = nullptr;
};
