#include "ui/TfrmDeliveryReport.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TfrmDeliveryReport::TfrmDeliveryReport(const QList<TDeliveryRow>& rows, TDeliveryActions actions,
                                       QWidget* parent)
    : QDialog(parent), m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("frmDeliveryReport"));
    setWindowTitle(tr("Delivery report"));
    setModal(false);
    resize(820, 420);

    lSummary = new QLabel(this);
    lSummary->setObjectName(QStringLiteral("lSummary"));
    dbgDelivery = new QTableWidget(this);
    dbgDelivery->setObjectName(QStringLiteral("dbgDelivery"));
    dbgDelivery->setColumnCount(7);
    dbgDelivery->setHorizontalHeaderLabels({tr("No."), tr("Participant"), tr("Result"),
                                            tr("E-mail"), tr("Time"), tr("Handler"), tr("File")});
    dbgDelivery->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgDelivery->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgDelivery->setWordWrap(true);
    dbgDelivery->verticalHeader()->hide();
    dbgDelivery->horizontalHeader()->setStretchLastSection(true);

    bSendAgain = new QPushButton(tr("Send again"), this);
    bSendAgain->setObjectName(QStringLiteral("bSendAgain"));
    bPrintTheirs = new QPushButton(tr("Print theirs"), this);
    bPrintTheirs->setObjectName(QStringLiteral("bPrintTheirs"));
    bPrintTheirs->setToolTip(
        tr("Prints the transcripts of the participants without an e-mail address"));
    bClose = new QPushButton(tr("Close"), this);
    bClose->setObjectName(QStringLiteral("bClose"));
    bClose->setDefault(true);
    connect(bSendAgain, &QPushButton::clicked, this, &TfrmDeliveryReport::bSendAgainClick);
    connect(bPrintTheirs, &QPushButton::clicked, this, &TfrmDeliveryReport::bPrintTheirsClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bSendAgain);
    buttons->addWidget(bPrintTheirs);
    buttons->addWidget(bClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lSummary);
    layout->addWidget(dbgDelivery);
    layout->addLayout(buttons);
    ShowRows(rows);
}

void TfrmDeliveryReport::bSendAgainClick()
{
    // Send again shows its own messages; the rows already re-sent are stored either way.
    ShowRows(m_actions.sendAgain());
}

void TfrmDeliveryReport::bPrintTheirsClick()
{
    m_actions.printTheirs();
}

void TfrmDeliveryReport::ShowRows(const QList<TDeliveryRow>& all)
{
    // Failures first, each group in the order of the run.
    QList<TDeliveryRow> rows;
    for (const bool failed : {true, false})
        for (const TDeliveryRow& row : all)
            if (row.Failed() == failed)
                rows << row;

    dbgDelivery->setRowCount(int(rows.size()));
    bool failed = false;
    bool withoutAddress = false;
    for (int r = 0; r < rows.size(); ++r) {
        const TDeliveryRow& row = rows.at(r);
        failed = failed || row.Failed();
        withoutAddress = withoutAddress || row.status == TDeliveryRow::Status::NoAddress;
        const QStringList cells{QString::number(row.userId),
                                row.name,
                                row.ResultText(),
                                row.address,
                                QLocale().toString(row.time, QLocale::ShortFormat),
                                row.handler,
                                QFileInfo(row.file).fileName()};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setToolTip(c == colFile ? QDir::toNativeSeparators(row.file) : cells.at(c));
            if (c == colNumber)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            dbgDelivery->setItem(r, c, item);
        }
    }
    // The result stays in sight at the window's size: the columns before it are held narrow
    // and a long result wraps (and shows whole in its tooltip).
    dbgDelivery->resizeColumnsToContents();
    const int em = dbgDelivery->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    for (const auto& [column, limit] :
         {std::pair{int(colParticipant), 14 * em}, std::pair{int(colResult), 22 * em},
          std::pair{int(colAddress), 14 * em}, std::pair{int(colFile), 14 * em}})
        dbgDelivery->setColumnWidth(column, std::min(dbgDelivery->columnWidth(column), limit));
    dbgDelivery->resizeRowsToContents();
    lSummary->setText(TDeliveryLog::CountLine(all));
    bSendAgain->setEnabled(failed && m_actions.sendAgain != nullptr);
    bPrintTheirs->setEnabled(withoutAddress && m_actions.printTheirs != nullptr);
}
