#include "ui/TfrmImport.h"

#include "ui/TBusyCursor.h"
#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "import/TDuplicateGuard.h"
#include "import/TImportFile.h"
#include "db/TPrompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewRows = 10;

QString OutcomeText(const TImportRow& row)
{
    switch (row.outcome) {
    case TImportOutcome::New: return QObject::tr("new");
    case TImportOutcome::Matched: return QObject::tr("matched");
    case TImportOutcome::Possible: return QObject::tr("possible duplicate");
    case TImportOutcome::Refused: return QObject::tr("refused: %1").arg(row.reason);
    }
    return {};
}

} // namespace

TfrmImport::TfrmImport(TConnection& conn, TConfig& config, TPrompts& prompts, const QString& path,
                       int conferenceId, QWidget* parent)
    : QDialog(parent), m_conn(conn), m_config(config), m_prompts(prompts), m_path(path),
      m_conferenceId(conferenceId)
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(conferenceId > 0 ? tr("Import registrants") : tr("Import participants"));
    m_table = TImportFile::Read(path);

    tblImportColumns = new QTableWidget(2, int(m_table.captions.size()), this);
    tblImportColumns->setObjectName(QStringLiteral("tblImportColumns"));
    tblImportColumns->setVerticalHeaderLabels({tr("Column"), tr("Stored as")});
    const QList<TImportField> remembered = TImportMapping::Remembered(config, m_table.captions);
    for (int c = 0; c < m_table.captions.size(); ++c) {
        tblImportColumns->setItem(0, c, new QTableWidgetItem(m_table.captions.at(c)));
        auto* combo = new QComboBox(tblImportColumns);
        combo->setObjectName(QStringLiteral("cbImportField%1").arg(c));
        for (const TImportField field : TImportMapping::AllFields())
            combo->addItem(TImportMapping::Caption(field), int(field));
        combo->setCurrentIndex(combo->findData(int(remembered.value(c))));
        connect(combo, &QComboBox::currentIndexChanged, this, &TfrmImport::Preview);
        tblImportColumns->setCellWidget(1, c, combo);
    }
    tblImportColumns->horizontalHeader()->setVisible(false);
    tblImportColumns->setMaximumHeight(90);

    tblImportPreview = new QTableWidget(this);
    tblImportPreview->setObjectName(QStringLiteral("tblImportPreview"));
    tblImportPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblImportTitles = new QTableWidget(0, 2, this);
    tblImportTitles->setObjectName(QStringLiteral("tblImportTitles"));
    tblImportTitles->setHorizontalHeaderLabels({tr("Title in the file"), tr("Store as")});
    tblImportSpecialities = new QTableWidget(0, 2, this);
    tblImportSpecialities->setObjectName(QStringLiteral("tblImportSpecialities"));
    tblImportSpecialities->setHorizontalHeaderLabels({tr("Speciality in the file"), tr("Store as")});
    for (QTableWidget* t : {tblImportTitles, tblImportSpecialities}) {
        t->horizontalHeader()->setStretchLastSection(true);
        t->verticalHeader()->setVisible(false);
        t->setMaximumHeight(110);
    }
    tblImportDuplicates = new QTableWidget(0, 4, this);
    tblImportDuplicates->setObjectName(QStringLiteral("tblImportDuplicates"));
    tblImportDuplicates->setHorizontalHeaderLabels(
        {tr("Row"), tr("Possible duplicate"), tr("Kept as stored when merged"), tr("Take as")});
    tblImportDuplicates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblImportDuplicates->verticalHeader()->setVisible(false);
    tblImportDuplicates->horizontalHeader()->setStretchLastSection(true);
    tblImportDuplicates->setMaximumHeight(140);
    lImportCounts = new QLabel(this);
    lImportCounts->setObjectName(QStringLiteral("lImportCounts"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    bImport = buttons->addButton(tr("&Import"), QDialogButtonBox::AcceptRole);
    bImport->setObjectName(QStringLiteral("bImport"));
    connect(bImport, &QPushButton::clicked, this, &TfrmImport::bImportClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("%1 (%2 rows, %3)")
                                     .arg(QDir::toNativeSeparators(path))
                                     .arg(m_table.rows.size())
                                     .arg(m_table.encoding),
                                 this));
    layout->addWidget(tblImportColumns);
    layout->addWidget(new QLabel(tr("The first rows as they will be stored:"), this));
    layout->addWidget(tblImportPreview, 1);
    auto* lists = new QHBoxLayout;
    lists->addWidget(tblImportTitles);
    lists->addWidget(tblImportSpecialities);
    layout->addLayout(lists);
    layout->addWidget(tblImportDuplicates);
    layout->addWidget(lImportCounts);
    layout->addWidget(buttons);
    resize(820, 560);
    Preview();
}

QList<TImportField> TfrmImport::Mapping() const
{
    QList<TImportField> mapping;
    for (int c = 0; c < tblImportColumns->columnCount(); ++c) {
        const auto* combo = qobject_cast<QComboBox*>(tblImportColumns->cellWidget(1, c));
        mapping << TImportField(combo ? combo->currentData().toInt() : 0);
    }
    return mapping;
}

void TfrmImport::FillChoices(QTableWidget* table, const QStringList& names, const QString& sql)
{
    const QHash<QString, int> kept = Choices(table);
    table->setRowCount(int(names.size()));
    TDataSet entries(m_conn, QStringLiteral("ImportChoices"));
    entries.SetSQL(sql);
    entries.Open();
    for (int r = 0; r < names.size(); ++r) {
        table->setItem(r, 0, new QTableWidgetItem(names.at(r)));
        auto* combo = new QComboBox(table);
        combo->addItem(tr("(add as a new entry)"), 0);
        for (int row = 0; row < entries.RecordCount(); ++row)
            combo->addItem(entries.RowValue(row, 1).toString(), entries.RowValue(row, 0));
        combo->setCurrentIndex(std::max(0, combo->findData(kept.value(TDuplicateIndex::Fold(names.at(r))))));
        table->setCellWidget(r, 1, combo);
    }
}

QHash<QString, int> TfrmImport::Choices(QTableWidget* table) const
{
    QHash<QString, int> choices;
    for (int r = 0; r < table->rowCount(); ++r) {
        const auto* combo = qobject_cast<QComboBox*>(table->cellWidget(r, 1));
        if (combo && table->item(r, 0) && combo->currentData().toInt() > 0)
            choices.insert(TDuplicateIndex::Fold(table->item(r, 0)->text()),
                           combo->currentData().toInt());
    }
    return choices;
}

void TfrmImport::Preview()
{
    TBusyCursor busy;
    const QList<TImportField> mapping = Mapping();
    m_plan = TImportRun(m_conn).Analyse(m_table, mapping);

    QStringList columns;
    QList<TImportField> shown;
    for (const TImportField field : TImportMapping::AllFields())
        if (field != TImportField::Ignore && mapping.contains(field)) {
            columns << TImportMapping::Caption(field);
            shown << field;
        }
    columns << tr("Taken as");
    tblImportPreview->clear();
    tblImportPreview->setColumnCount(int(columns.size()));
    tblImportPreview->setHorizontalHeaderLabels(columns);
    const int rows = int(std::min<qsizetype>(kPreviewRows, m_plan.rows.size()));
    tblImportPreview->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const TImportRow& row = m_plan.rows.at(r);
        for (int c = 0; c < shown.size(); ++c) {
            const TImportField field = shown.at(c);
            const QString text = field == TImportField::Title        ? row.title
                                 : field == TImportField::Speciality ? row.speciality
                                 : row.values.value(TImportMapping::Column(field));
            tblImportPreview->setItem(r, c, new QTableWidgetItem(text));
        }
        tblImportPreview->setItem(r, int(shown.size()), new QTableWidgetItem(OutcomeText(row)));
    }
    FillChoices(tblImportTitles, m_plan.unknownTitles,
                QStringLiteral("select title_id, t_name from titles order by t_name"));
    FillChoices(tblImportSpecialities, m_plan.unknownSpecialities,
                QStringLiteral("select spec_id, s_name from specialities order by s_name"));
    FillDuplicates();
    lImportCounts->setText(tr("New: %1 · Matched to an existing person: %2 · Possible "
                              "duplicates (left out): %3 · Refused: %4")
                               .arg(m_plan.Count(TImportOutcome::New))
                               .arg(m_plan.Count(TImportOutcome::Matched))
                               .arg(m_plan.Count(TImportOutcome::Possible))
                               .arg(m_plan.Count(TImportOutcome::Refused)));
    bImport->setEnabled(m_plan.Count(TImportOutcome::New) + m_plan.Count(TImportOutcome::Matched) +
                            m_plan.Count(TImportOutcome::Possible) >
                        0);
}

void TfrmImport::FillDuplicates()
{
    const QHash<int, TDuplicateDecision> kept = Decisions();
    tblImportDuplicates->setRowCount(0);
    const TImportRun run(m_conn);
    for (int i = 0; i < m_plan.rows.size(); ++i) {
        const TImportRow& row = m_plan.rows.at(i);
        if (row.outcome != TImportOutcome::Possible)
            continue;
        const int r = tblImportDuplicates->rowCount();
        tblImportDuplicates->insertRow(r);
        auto* line = new QTableWidgetItem(QString::number(row.line));
        line->setData(Qt::UserRole, i);
        tblImportDuplicates->setItem(r, 0, line);
        const QString name = QString(row.values.value(QStringLiteral("first_name")) + u' ' +
                                     row.values.value(QStringLiteral("last_name")))
                                 .trimmed();
        tblImportDuplicates->setItem(r, 1, new QTableWidgetItem(name + QStringLiteral(": ") +
                                                                row.reason));
        tblImportDuplicates->setItem(
            r, 2, new QTableWidgetItem(run.Conflicts(row).join(QStringLiteral("; "))));
        auto* combo = new QComboBox(tblImportDuplicates);
        combo->setObjectName(QStringLiteral("cbImportDecision%1").arg(row.line));
        combo->addItem(tr("Leave out"), int(TDuplicateDecision::LeaveOut));
        combo->addItem(tr("Add as new"), int(TDuplicateDecision::AddNew));
        combo->addItem(tr("Merge into the person named"), int(TDuplicateDecision::Merge));
        combo->setCurrentIndex(
            combo->findData(int(kept.value(i, TDuplicateDecision::LeaveOut))));
        tblImportDuplicates->setCellWidget(r, 3, combo);
    }
    tblImportDuplicates->setVisible(tblImportDuplicates->rowCount() > 0);
}

QHash<int, TDuplicateDecision> TfrmImport::Decisions() const
{
    QHash<int, TDuplicateDecision> decisions;
    for (int r = 0; r < tblImportDuplicates->rowCount(); ++r) {
        const auto* combo = qobject_cast<QComboBox*>(tblImportDuplicates->cellWidget(r, 3));
        if (combo && tblImportDuplicates->item(r, 0))
            decisions.insert(tblImportDuplicates->item(r, 0)->data(Qt::UserRole).toInt(),
                             TDuplicateDecision(combo->currentData().toInt()));
    }
    return decisions;
}

void TfrmImport::bImportClick()
{
    TImportOptions options;
    options.conferenceId = m_conferenceId;
    options.titleChoices = Choices(tblImportTitles);
    options.specialityChoices = Choices(tblImportSpecialities);
    options.decisions = Decisions();
    {
        TBusyCursor busy;
        TImportRun(m_conn).Commit(m_plan, options, m_result);
        TImportMapping::Remember(m_config, m_table.captions, Mapping());
        m_refusedPath = TImportRun::WriteRefused(m_plan, options, m_path);
    }
    QString text = tr("Imported: %1 new, %2 matched.").arg(m_result.added).arg(m_result.merged);
    if (m_conferenceId > 0)
        text += u' ' + tr("%1 registered for the conference.").arg(m_result.registered);
    if (!m_refusedPath.isEmpty())
        text += u'\n' + tr("%1 rows were left out; they are listed with the reason in %2.")
                            .arg(m_result.refused + m_result.leftOut)
                            .arg(QDir::toNativeSeparators(m_refusedPath));
    m_prompts.Message(TPrompts::Kind::Information, tr("Information"), text);
    accept();
}
