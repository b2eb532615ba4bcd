#pragma once

#include "TColumnWidths.h"

#include <QDialog>

class QLabel;
class TDBGrid;

// The speaker picker: double-clicking a speaker adds them to the speaker list of the
// conference being edited. Created once at start-up, shown modally, closed with its close box; it
// keeps its grid's column widths in the settings.
class TfrmPickSpeaker : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmPickSpeaker(QWidget* parent = nullptr);
    ~TfrmPickSpeaker() override;

private:
    void FormCreate();
    void FormDestroy();
    static const QList<TColumnWidths::TKey>& WidthKeys();

    QLabel* lSpeakers = nullptr;
    TDBGrid* jdbgSpeakers = nullptr;
};

extern TfrmPickSpeaker* frmPickSpeaker;
