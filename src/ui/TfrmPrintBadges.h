#pragma once

#include "documents/TBadgeRun.h"

#include <QDialog>
#include <QList>
#include <QVariant>

class QComboBox;
class TDocuments;

// "Print badges…": asks for the sheet (remembered) and the output, then prints, previews or
// writes the badges of a list of participants.
class TfrmPrintBadges : public QDialog
{
    Q_OBJECT
public:
    enum class TOutput { Printer, Preview, Pdf };

    explicit TfrmPrintBadges(QWidget* parent = nullptr);

    TBadgeSheet Sheet() const;
    void SetSheet(TBadgeSheet sheet);
    TOutput Output() const;
    void SetOutput(TOutput output);

    // The whole "Print badges…" of a page: nothing to do without people; otherwise the dialog,
    // then the run. Errors are shown, not thrown.
    static void Run(TDocuments& documents, const QList<int>& userIds, const QVariant& confId,
                    QWidget* parent);

private:
    QComboBox* cbBadgeSheet = nullptr;
    QComboBox* cbBadgeOutput = nullptr;
};
