#pragma once

#include "TColumnWidths.h"

#include <QDialog>

class QKeyEvent;
class QLabel;
class QLineEdit;
class TDBGrid;

// The participant picker: double-clicking a participant adds them to the current conference
// of the Conferences page; Enter in the search edit narrows the list by last name. Created once
// at start-up, shown modally, closed with its close box; it keeps its grid's column widths in
// the settings.
class TfrmPickPart : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmPickPart(QWidget* parent = nullptr);
    ~TfrmPickPart() override;

    // Signs the current participant in to the current conference and refreshes the lists that
    // show attendances. Writes nothing when there is no current conference.
    void dbgPickPartDblClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void FormShow();
    // Sees the key presses of the dialog's controls before they do; true when consumed.
    bool FormKeyDown(QKeyEvent* event);
    void PickRow(int row);
    static const QList<TColumnWidths::TKey>& WidthKeys();

    QLabel* lSearchPart = nullptr;
    QLineEdit* eSearchPart = nullptr;
    QLabel* lParticipants = nullptr;
    TDBGrid* dbgPickPart = nullptr;
};

extern TfrmPickPart* frmPickPart;
