#pragma once

#include <QDialog>

// The dialog that sets the one time filter shared by every filtered list. Created once at
// start-up and only hidden between uses, so it keeps its choices.
class TfrmTimeFilter : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmTimeFilter(QWidget* parent = nullptr);
    ~TfrmTimeFilter() override;

private:
    void FormCreate();
    void FormDestroy();
};

extern TfrmTimeFilter* frmTimeFilter;
