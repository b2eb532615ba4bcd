#pragma once

#include "TColumnWidths.h"

#include <QDialog>

class QLabel;
class TDBGrid;

// The conference picker: double-clicking a conference adds the current participant of
// the Participants page to it. Created once at start-up, shown modally, closed with its close box;
// it keeps its grid's column widths in the settings.
class TfrmPickConf : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmPickConf(QWidget* parent = nullptr);
    ~TfrmPickConf() override;

    // Signs the current participant in to the current conference and refreshes the lists that
    // show attendances. Writes nothing when there is no current participant.
    void dbgPickConfDblClick();

protected:
    // Enter on the list picks its current conference, as a double-click does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void PickRow(int row);
    static const QList<TColumnWidths::TKey>& WidthKeys();

    QLabel* lConferences = nullptr;
    TDBGrid* dbgPickConf = nullptr;
};

extern TfrmPickConf* frmPickConf;
