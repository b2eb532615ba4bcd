#include "ui/TfrmPrintBadges.h"

#include "ui/TBusyCursor.h"
#include "data/TDM.h"
#include "documents/TDocuments.h"
#include "db/TError.h"
#include "db/TPrompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

TfrmPrintBadges::TfrmPrintBadges(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPrintBadges"));
    setWindowTitle(tr("Print badges"));
    cbBadgeSheet = new QComboBox(this);
    cbBadgeSheet->setObjectName(QStringLiteral("cbBadgeSheet"));
    for (TBadgeSheet sheet :
         {TBadgeSheet::A4Labels, TBadgeSheet::LetterLabels, TBadgeSheet::OnePerPage})
        cbBadgeSheet->addItem(TBadgeSheetLayout::Name(sheet), int(sheet));
    cbBadgeOutput = new QComboBox(this);
    cbBadgeOutput->setObjectName(QStringLiteral("cbBadgeOutput"));
    cbBadgeOutput->addItem(tr("Printer"), int(TOutput::Printer));
    cbBadgeOutput->addItem(tr("Preview"), int(TOutput::Preview));
    cbBadgeOutput->addItem(tr("PDF file"), int(TOutput::Pdf));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("&Labels:"), cbBadgeSheet);
    layout->addRow(tr("&Output:"), cbBadgeOutput);
    layout->addRow(buttons);
}

TBadgeSheet TfrmPrintBadges::Sheet() const
{
    return TBadgeSheet(cbBadgeSheet->currentData().toInt());
}

void TfrmPrintBadges::SetSheet(TBadgeSheet sheet)
{
    cbBadgeSheet->setCurrentIndex(cbBadgeSheet->findData(int(sheet)));
}

TfrmPrintBadges::TOutput TfrmPrintBadges::Output() const
{
    return TOutput(cbBadgeOutput->currentData().toInt());
}

void TfrmPrintBadges::SetOutput(TOutput output)
{
    cbBadgeOutput->setCurrentIndex(cbBadgeOutput->findData(int(output)));
}

void TfrmPrintBadges::Run(TDocuments& documents, const QList<int>& userIds,
                          const QVariant& confId, QWidget* parent)
{
    if (userIds.isEmpty()) {
        TPrompts::ShowInformation(tr("There is nobody to print a badge for."));
        return;
    }
    TDM& dm = documents.DataModule();
    TfrmPrintBadges dialog(parent);
    dialog.SetSheet(TBadgeSheetLayout::Remembered(dm.Config));
    if (dialog.exec() != QDialog::Accepted)
        return;
    TBadgeSheetLayout::Remember(dm.Config, dialog.Sheet());
    QString path;
    if (dialog.Output() == TOutput::Pdf) {
        path = TPrompts::Current().SaveFileName(tr("Save badges"), QStringLiteral("badges.pdf"),
                                                tr("PDF files (*.pdf)"));
        if (path.isEmpty())
            return;
    }
    try {
        std::unique_ptr<TBadgeRun> run;
        {
            TBusyCursor busy;
            run = std::make_unique<TBadgeRun>(documents, userIds, confId, dialog.Sheet());
        }
        switch (dialog.Output()) {
        case TOutput::Printer:
            run->ToDefaultPrinter();
            break;
        case TOutput::Preview:
            run->ToPreview();
            break;
        case TOutput::Pdf:
            run->ToPdf(path);
            break;
        }
    } catch (const TError& error) {
        TPrompts::ShowErrorBox(error.Message());
    }
}
