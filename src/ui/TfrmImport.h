#pragma once

#include "import/TImportRun.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class TConfig;
class TConnection;
class TPrompts;

// "Import participants…" / "Import registrants…": shows how the columns of a list are taken
// (each can be changed or ignored), the first rows as they will be stored, the counts of new,
// matched, possible duplicates and refused rows, and the names that the title and speciality
// lists lack (added, or taken as an existing entry). Nothing is stored before "Import", and then
// all in one transaction; the refused rows are written beside the file.
class TfrmImport : public QDialog
{
    Q_OBJECT
public:
    // conferenceId > 0 registers every imported or matched person for that conference.
    TfrmImport(TConnection& conn, TConfig& config, TPrompts& prompts, const QString& path,
               int conferenceId, QWidget* parent);

    // Reads the choices again and shows the preview and the counts.
    void Preview();
    void bImportClick();
    const TImportResult& Result() const { return m_result; }
    QString RefusedPath() const { return m_refusedPath; }

private:
    QList<TImportField> Mapping() const;
    void FillChoices(QTableWidget* table, const QStringList& names, const QString& sql);
    QHash<QString, int> Choices(QTableWidget* table) const;
    // One line per possible duplicate: the row, whom it resembles, the stored values a merge
    // keeps, and the choice of leaving it out, adding it or merging it into that person.
    void FillDuplicates();
    QHash<int, TDuplicateDecision> Decisions() const;

    TConnection& m_conn;
    TConfig& m_config;
    TPrompts& m_prompts;
    QString m_path;
    int m_conferenceId;
    TImportTable m_table;
    TImportPlan m_plan;
    TImportResult m_result;
    QString m_refusedPath;
    QTableWidget* tblImportColumns = nullptr;
    QTableWidget* tblImportPreview = nullptr;
    QTableWidget* tblImportTitles = nullptr;
    QTableWidget* tblImportSpecialities = nullptr;
    QTableWidget* tblImportDuplicates = nullptr;
    QLabel* lImportCounts = nullptr;
    QPushButton* bImport = nullptr;
};
