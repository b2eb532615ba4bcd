#pragma once

#include "TColumnWidths.h"

#include <QDialog>

class QLabel;
class TDBGrid;

// The participant picker: double-clicking a participant adds them to the current conference
// of the Conferences page. Created once at start-up, shown modally, closed with its close box; it
// keeps its grid's column widths in the settings.
class TfrmPickPart : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmPickPart(QWidget* parent = nullptr);
    ~TfrmPickPart() override;

private:
    void FormCreate();
    void FormDestroy();
    static const QList<TColumnWidths::TKey>& WidthKeys();

    QLabel* lParticipants = nullptr;
    TDBGrid* dbgPickPart = nullptr;
};

extern TfrmPickPart* frmPickPart;
