#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class TDBGrid;
class TDM;
class TDocuments;
class TPrompts;

// The "Registered" sub-page of the Conferences page: the registrants of the current
// conference with Add and Remove, the counts of registered, signed-in and not-come people,
// the export of the "Not come" list and the import of a registrant list.
class TConfRegisteredPanel : public QWidget
{
    Q_OBJECT
public:
    TConfRegisteredPanel(TDM& dm, TPrompts& prompts, TDocuments& documents, QWidget* parent);

    void bConfAddRegClick();
    void bConfDelRegClick();
    void bExpNotComeClick();
    void bPrintNotComeClick();
    void bImportRegsClick();
    // Reads the counts of the current conference again.
    void ShowCounts();

Q_SIGNALS:
    // Participants were imported: the other lists should be read again.
    void participantsImported();

protected:
    void showEvent(QShowEvent* event) override;

private:
    int CurrentConference() const;

    TDM& m_dm;
    TPrompts& m_prompts;
    TDocuments& m_documents;
    QLabel* lRegCounts = nullptr;
    TDBGrid* dbgConfRegs = nullptr;
    QPushButton* bConfAddReg = nullptr;
    QPushButton* bConfDelReg = nullptr;
    QPushButton* bExpNotCome = nullptr;
    QPushButton* bPrintNotCome = nullptr;
    QPushButton* bImportRegs = nullptr;
};
