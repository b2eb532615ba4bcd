#pragma once

#include "TColumnWidths.h"

#include <QDialog>

class QLabel;
class TDBGrid;

// The additional-info picker: double-clicking an item adds it to the additional-info list of
// the conference being edited. Created once at start-up, shown modally, closed with its close box;
// it keeps its grid's column widths in the settings.
class TfrmPickExtra : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmPickExtra(QWidget* parent = nullptr);
    ~TfrmPickExtra() override;

private:
    void FormCreate();
    void FormDestroy();
    static const QList<TColumnWidths::TKey>& WidthKeys();

    QLabel* lExtras = nullptr;
    TDBGrid* jdbgExtras = nullptr;
};

extern TfrmPickExtra* frmPickExtra;
