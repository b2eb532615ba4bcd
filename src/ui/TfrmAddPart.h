#pragma once

#include <QDialog>

// The dialog that adds a new participant at the door, or edits the selected one's details,
// from the live sign-in window. Created once at start-up and only hidden between uses.
class TfrmAddPart : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAddPart(QWidget* parent = nullptr);
    ~TfrmAddPart() override;

private:
    void FormCreate();
    void FormDestroy();
};

extern TfrmAddPart* frmAddPart;
