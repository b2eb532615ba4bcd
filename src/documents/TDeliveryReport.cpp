#include "TDeliveryReport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{

class TWidgetDeliveryReport : public TDeliveryReportWindow
{
public:
    void Show(const QList<TDeliveryRow>& rows, TSendAgain sendAgain) override
    {
        auto* window =
            new TfrmDeliveryReport(rows, std::move(sendAgain), QApplication::activeWindow());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    }
};

TDeliveryReportWindow* g_installed = nullptr;

} // namespace

TDeliveryReportWindow& TDeliveryReportWindow::Current()
{
    static TWidgetDeliveryReport widgets;
    return g_installed ? *g_installed : widgets;
}

void TDeliveryReportWindow::Install(TDeliveryReportWindow* window)
{
    g_installed = window;
}

TfrmDeliveryReport::TfrmDeliveryReport(const QList<TDeliveryRow>& rows, TSendAgain sendAgain,
                                       QWidget* parent)
    : QDialog(parent), m_sendAgain(std::move(sendAgain))
{
    setObjectName(QStringLiteral("frmDeliveryReport"));
    setWindowTitle(tr("Delivery report"));
    setModal(false);
    resize(820, 420);

    lSummary = new QLabel(this);
    lSummary->setObjectName(QStringLiteral("lSummary"));
    dbgDelivery = new QTableWidget(this);
    dbgDelivery->setObjectName(QStringLiteral("dbgDelivery"));
    dbgDelivery->setColumnCount(6);
    dbgDelivery->setHorizontalHeaderLabels(
        {tr("Time"), tr("Participant"), tr("E-mail"), tr("File"), tr("Handler"), tr("Result")});
    dbgDelivery->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgDelivery->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgDelivery->verticalHeader()->hide();
    dbgDelivery->horizontalHeader()->setStretchLastSection(true);

    bSendAgain = new QPushButton(tr("Send again"), this);
    bSendAgain->setObjectName(QStringLiteral("bSendAgain"));
    bClose = new QPushButton(tr("Close"), this);
    bClose->setObjectName(QStringLiteral("bClose"));
    bClose->setDefault(true);
    connect(bSendAgain, &QPushButton::clicked, this, &TfrmDeliveryReport::bSendAgainClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bSendAgain);
    buttons->addWidget(bClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lSummary);
    layout->addWidget(dbgDelivery);
    layout->addLayout(buttons);
    ShowRows(rows);
}

void TfrmDeliveryReport::bSendAgainClick()
{
    // An error here (settings, no connection) travels to the program-wide handler; the rows
    // already re-sent are stored and shown the next time.
    ShowRows(m_sendAgain());
}

void TfrmDeliveryReport::ShowRows(const QList<TDeliveryRow>& rows)
{
    dbgDelivery->setRowCount(int(rows.size()));
    int sent = 0;
    for (int r = 0; r < rows.size(); ++r) {
        const TDeliveryRow& row = rows.at(r);
        if (row.status == TDeliveryRow::Status::Sent)
            ++sent;
        QString result = TDeliveryRow::StatusText(row.status);
        if (!row.detail.isEmpty())
            result += QStringLiteral(": ") + row.detail;
        const QStringList cells{QLocale().toString(row.time, QLocale::ShortFormat),
                                QString::number(row.userId),
                                row.address,
                                QFileInfo(row.file).fileName(),
                                row.handler,
                                result};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setToolTip(c == 3 ? QDir::toNativeSeparators(row.file) : cells.at(c));
            dbgDelivery->setItem(r, c, item);
        }
    }
    dbgDelivery->resizeColumnsToContents();
    const int failed = int(rows.size()) - sent;
    lSummary->setText(
        failed == 0
            ? tr("All %n message(s) sent.", nullptr, sent)
            : tr("%1 of %2 messages sent; %3 not sent.").arg(sent).arg(rows.size()).arg(failed));
    bSendAgain->setEnabled(failed > 0 && m_sendAgain != nullptr);
}
