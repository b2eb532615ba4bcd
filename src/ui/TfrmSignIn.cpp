#include "TfrmSignIn.h"

#include "TConfig.h"
#include "TDBGrid.h"
#include "TDM.h"

#include <QHBoxLayout>

TfrmSignIn* frmSignIn = nullptr;

TfrmSignIn::TfrmSignIn(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSignIn"));
    setWindowTitle(tr("Live sign-in"));
    // A single border with the close box only: no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setMinimumSize(413, 390);

    dbgSignInNames = new TDBGrid(QStringLiteral("dbgSignInNames"), this);
    dbgSignInNames->SetDataSet(DM->SignInParts, {{QStringLiteral("last_name"), tr("Last name")},
                                                 {QStringLiteral("first_name"), tr("First name")}});
    dbgSignInNames->SetSortable(true);
    dbgSignInNames->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    dbgSignInNames->SetColumnsResizable(true);
    // The list is reached by the mouse; Tab moves between the name edit and the buttons.
    dbgSignInNames->setFocusPolicy(Qt::ClickFocus);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(dbgSignInNames, 1);

    FormCreate();
}

TfrmSignIn::~TfrmSignIn()
{
    FormDestroy();
}

const QList<TColumnWidths::TKey>& TfrmSignIn::WidthKeys()
{
    static const QList<TColumnWidths::TKey> keys = {
        {0, QStringLiteral("SignInLNameWidth"), 100},
        {1, QStringLiteral("SignInFNameWidth"), 100},
    };
    return keys;
}

void TfrmSignIn::FormCreate()
{
    TColumnWidths::Load(*DM->Config, *dbgSignInNames, WidthKeys());
}

void TfrmSignIn::FormDestroy()
{
    // In memory only: the data module's final flush stores them.
    TColumnWidths::Save(*DM->Config, *dbgSignInNames, WidthKeys());
}
