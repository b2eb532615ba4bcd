#include "ui/TfrmPickRegistrant.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TSqlDialect.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TfrmPickRegistrant::TfrmPickRegistrant(TConnection& conn, QWidget* parent)
    : QDialog(parent), m_conn(conn)
{
    setObjectName(QStringLiteral("frmPickRegistrant"));
    setWindowTitle(tr("Register a participant"));
    auto* label = new QLabel(tr("&Enter last name"), this);
    eSearchReg = new QLineEdit(this);
    eSearchReg->setObjectName(QStringLiteral("eSearchReg"));
    label->setBuddy(eSearchReg);
    lbRegCandidates = new QListWidget(this);
    lbRegCandidates->setObjectName(QStringLiteral("lbRegCandidates"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Register"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(eSearchReg);
    layout->addWidget(lbRegCandidates, 1);
    layout->addWidget(buttons);
    connect(eSearchReg, &QLineEdit::textChanged, this, &TfrmPickRegistrant::Search);
    connect(lbRegCandidates, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(420, 360);
    Search(QString());
}

void TfrmPickRegistrant::Search(const QString& text)
{
    lbRegCandidates->clear();
    TDataSet rows(m_conn, QStringLiteral("RegistrantCandidates"));
    QString like = text.trimmed();
    like.replace(u'%', QString()).replace(u'_', QString());
    rows.SetSQL(QStringLiteral("select user_id, last_name, first_name, email from participants "
                               "where last_name like %1 order by last_name, first_name limit 200")
                    .arg(TSqlDialect::QuoteText(like + u'%')));
    rows.Open();
    for (int row = 0; row < rows.RecordCount(); ++row) {
        QString line = rows.RowValue(row, 1).toString() + QStringLiteral(", ") +
                       rows.RowValue(row, 2).toString();
        if (!rows.RowValue(row, 3).toString().isEmpty())
            line += QStringLiteral("  <") + rows.RowValue(row, 3).toString() + u'>';
        auto* item = new QListWidgetItem(line, lbRegCandidates);
        item->setData(Qt::UserRole, rows.RowValue(row, 0));
    }
    if (lbRegCandidates->count() > 0)
        lbRegCandidates->setCurrentRow(0);
}

int TfrmPickRegistrant::PickedId() const
{
    const QListWidgetItem* item = lbRegCandidates->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : 0;
}
