#include "TfrmTimeFilter.h"

TfrmTimeFilter* frmTimeFilter = nullptr;

TfrmTimeFilter::TfrmTimeFilter(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTimeFilter"));
    setWindowTitle(tr("Set the time filter"));
    // A fixed dialog border with the close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(199, 396);
    FormCreate();
}

TfrmTimeFilter::~TfrmTimeFilter()
{
    FormDestroy();
}

void TfrmTimeFilter::FormCreate() {}

void TfrmTimeFilter::FormDestroy() {}
