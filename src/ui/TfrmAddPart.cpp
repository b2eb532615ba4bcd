#include "TfrmAddPart.h"

TfrmAddPart* frmAddPart = nullptr;

TfrmAddPart::TfrmAddPart(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddPart"));
    setWindowTitle(tr("Add new participant"));
    FormCreate();
}

TfrmAddPart::~TfrmAddPart()
{
    FormDestroy();
}

void TfrmAddPart::FormCreate() {}

void TfrmAddPart::FormDestroy() {}
