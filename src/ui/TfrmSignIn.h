#pragma once

#include "TColumnWidths.h"

#include <QDialog>

class TDBGrid;

// The full-screen live sign-in window: participants find their name and sign in to the
// conference chosen on the Live sign-in page. Created once at start-up and only hidden between
// uses, so it keeps its search; it keeps its list's column widths in the settings.
class TfrmSignIn : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSignIn(QWidget* parent = nullptr);
    ~TfrmSignIn() override;

private:
    void FormCreate();
    void FormDestroy();
    static const QList<TColumnWidths::TKey>& WidthKeys();

    TDBGrid* dbgSignInNames = nullptr;
};

extern TfrmSignIn* frmSignIn;
