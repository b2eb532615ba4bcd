#pragma once

#include "db/TConnection.h"
#include "db/TField.h"
#include "db/TSnapshot.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TFilterExpression;

// A named snapshot of the rows of one SQL query, with navigation, editing, client-side filter and
// sort, master/detail following, lookup and calculated fields, and notifications for bound
// controls. Every data set of the data module is an instance of this one class.
//
// Storage: the rows are a TSnapshot (typed cells, texts in an arena) that either engine fills;
// the visible order (after filter and sort) is a vector of row numbers. Reads convert on demand.
class TDataSet : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    TDataSet(TConnection& conn, const QString& name, QObject* parent = nullptr);
    ~TDataSet() override;

    const QString& Name() const { return m_name; }
    TConnection& Connection() const { return m_conn; }

    // --- SQL and parameters -------------------------------------------------------------
    const QString& SQL() const { return m_sql; }
    // Used at the next open or requery.
    void SetSQL(const QString& sql);
    // Named parameter (":conf_id") or positional (":1" / "?1") value.
    void SetParam(const QString& name, const QVariant& value);
    QVariant Param(const QString& name) const;

    // --- Declared fields ----------------------------------------------------------------
    // With declared fields, only those exist; without, exactly the query's columns.
    void DeclareFields(const QList<TFieldDef>& defs);
    void SetEditMask(const QString& fieldName, const QString& mask);
    // Fills calculated fields: called with the data set positioned on the row being read.
    using TCalcHandler = std::function<QVariant(const TDataSet&, const TField&)>;
    void SetCalcHandler(TCalcHandler handler) { m_calcHandler = std::move(handler); }

    // --- Life cycle ---------------------------------------------------------------------
    void Open();
    void Close();
    // Runs the current SQL text again; the current row becomes the first.
    void Requery();
    // Reads again only the row whose keyField equals key, so one changed row does not cost a
    // requery of the whole list. The row keeps its place in the query's order; a row the query
    // no longer returns leaves. Falls back to a requery for a row not shown before, several
    // rows with that key, or a query with an "order by". The current row stays.
    void RefreshRow(const QString& keyField, const QVariant& key);
    // Requery, then go back to the row whose key fields equal those of the current row.
    void Refresh(const QString& keyFields);
    bool Active() const { return m_state != State::Inactive; }
    // A deferred data set checks its SQL and fields at open and at requery but reads its rows
    // only when they are first needed (a read, a search, a grid that shows them), so a large
    // list on a hidden page is not read again after every change elsewhere.
    void SetDeferredFetch(bool on) { m_deferred = on; }
    bool FetchPending() const { return m_fetchPending; }
    // Reads the rows now if they are still pending.
    void EnsureFetched() const;
    State DataState() const { return m_state; }

    // --- Navigation (over the visible rows) ---------------------------------------------
    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    // 0-based visible row of the current row; -1 when there is none.
    int RecNo() const
    {
        EnsureFetched();
        return m_current;
    }
    void SetRecNo(int row);
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const
    {
        EnsureFetched();
        return m_eof;
    }
    bool Bof() const
    {
        EnsureFetched();
        return m_bof;
    }

    // --- Fields -------------------------------------------------------------------------
    // A field object lives from open to close. A requery keeps it as long as the query returns
    // the same columns; a requery with other columns (a new SQL text) replaces every field.
    int FieldCount() const { return int(m_fields.size()); }
    TField& Fields(int index) const;
    TField& FieldByName(const QString& name) const; // throws EFieldError
    TField* FindField(const QString& name) const;
    QStringList FieldNames() const;

    // Values of any visible row, for grids and reports (no navigation, no notification).
    QVariant RowValue(int row, int fieldIndex) const;
    QString RowDisplayText(int row, int fieldIndex) const;
    // A value as a grid shows it in field, with the field's display format (a sum of a
    // column, say).
    static QString FormatValue(const QVariant& value, const TField& field);

    // --- Editing ------------------------------------------------------------------------
    void Insert();    // appends a new row and makes it current
    void Append() { Insert(); }
    void Edit();
    void Post();      // writes through to the base table and re-reads the stored row
    void Cancel();
    void Delete();    // removes the current row from the database at once
    // Single-table data sets learn their table from the SQL text; others may name it.
    QString BaseTable() const { return m_baseTable; }

    // --- Searching ----------------------------------------------------------------------
    // Exact match on one field or several joined by ";". Locate moves the current row.
    bool Locate(const QString& fields, const QVariant& values);
    QVariant Lookup(const QString& fields, const QVariant& values, const QString& resultField);
    // Visible row of the first match, -1 when none.
    int FindRow(const QString& fields, const QVariant& values) const;

    // --- Client-side filter and sort ----------------------------------------------------
    // Throws EDatabaseError for a malformed expression; the previous filter stays.
    void SetFilter(const QString& expression);
    const QString& Filter() const { return m_filterText; }
    void SetFiltered(bool on);
    bool Filtered() const { return m_filtered; }
    // "field ASC" / "field DESC", several joined by ","; empty text = the query's order.
    void SetSort(const QString& sortText);
    const QString& Sort() const { return m_sortText; }

    // --- Master / detail ----------------------------------------------------------------
    // Follows master's current row on linkField (same name on both sides). Fetches only the
    // rows of the master's current link value; empty while the master has no current row.
    void SetMaster(TDataSet* master, const QString& linkField);
    TDataSet* Master() const { return m_master; }
    const QString& MasterField() const { return m_masterField; }

    // --- Notifications ------------------------------------------------------------------
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Counts snapshot fetches (open, requery, master scroll), for tests and benchmarks.
    qint64 FetchCount() const { return m_fetchCount; }

Q_SIGNALS:
    // The whole row set changed (open, close, requery, filter, sort, master scroll).
    void RowsReset();
    // One visible row's values changed (post, edits in progress).
    void RowChanged(int row);
    void RowInserted(int row);
    void RowRemoved(int row);
    void CurrentChanged(int row);
    void StateChanged(TDataSet::State state);
    // Emitted after every successful fetch of rows from the database (one row's refresh too),
    // and after a requery whose reading is deferred, even with controls off.
    void Fetched();

private:
    using TCell = TSnapshot::TCell;
    friend class TField;
    friend class TDataSetFilterRow;

    void Fetch();
    void PrepareColumns();
    // Replaces the snapshot by the rows just read, and the fields when the columns changed.
    void AdoptSnapshot(TSnapshot snapshot);
    // The values of the parameter marks of the data set's text; rowKey for the one row a
    // refresh reads again.
    TConnection::TParamLookup Parameters(const QVariant& rowKey = {}) const;
    // Whether a column is a link table's own row number, which no field shows.
    static bool IsHiddenColumn(const QString& name);
    const TCell* StorageCell(int storageRow, int column) const;
    QVariant FieldValue(const TField& field) const;
    QVariant FieldValueAt(int storageRow, const TField& field) const;
    void SetFieldValue(TField& field, const QVariant& value);
    void BuildFields();
    bool FieldsMatchColumns() const;
    void CreateFields();
    void CompileFilter();
    void RebuildView(bool keepCurrent);
    std::vector<std::pair<int, bool>> SortKeys() const;
    // Puts one stored row whose values changed back into the visible rows.
    void ReplaceInView(int storageRow);
    void SetCurrentInternal(int row, bool notify);
    void NotifyReset();
    void NotifyCurrent();
    void NotifyState();
    void NotifyRowInserted(int row);
    void NotifyRowRemoved(int row);
    void NotifyRowChanged(int row);
    void CheckActive() const;
    void CheckEditable() const;
    void ReloadStorageRow(int storageRow, qint64 rowId);
    void ApplyMasterValue();
    void OnMasterChanged();
    QString ExecutableSql() const;
    // Table name or alias that the hidden row id column is read from.
    QString RowIdOwner() const;
    void DetectBaseTable();
    bool RowMatchesFilter(int storageRow) const;
    void InvalidateLookupIndexes();
    int LookupStorageRow(const QString& keyField, const QVariant& key) const;
    QList<int> ResolveFieldList(const QString& fields) const;
    QVariantList SplitValues(const QVariant& values, int count) const;
    bool RowEquals(int storageRow, const QList<int>& fieldIndexes, const QVariantList& values) const;
    int CompareRows(int a, int b, const std::vector<std::pair<int, bool>>& keys) const;

    TConnection& m_conn;
    QString m_name;
    QString m_sql;
    QHash<QString, QVariant> m_params;
    QList<TFieldDef> m_declared;
    TCalcHandler m_calcHandler;
    QHash<QString, QString> m_editMasks;

    State m_state = State::Inactive;
    std::vector<std::unique_ptr<TField>> m_fields;
    QHash<QString, int> m_fieldIndex;        // lower-case name -> field index
    TSnapshot m_snapshot;                    // the rows as the query returned them
    std::vector<int> m_view;                 // visible rows in order, as storage row numbers
    std::vector<bool> m_deleted;             // by storage row
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;

    std::vector<TCell> m_editBuffer;
    std::vector<bool> m_modified;
    int m_editStorageRow = -1;

    QString m_baseTable;

    QString m_filterText;
    std::unique_ptr<TFilterExpression> m_filter;
    bool m_filtered = false;
    QString m_sortText;

    TDataSet* m_master = nullptr;
    QString m_masterField;
    QVariant m_masterValue;
    bool m_masterHasRow = false;
    QList<TDataSet*> m_details;

    int m_disableCount = 0;
    bool m_pendingReset = false;
    bool m_pendingCurrent = false;
    qint64 m_fetchCount = 0;
    bool m_deferred = false;
    mutable bool m_fetchPending = false;

    mutable QHash<QString, std::shared_ptr<std::unordered_map<qint64, int>>> m_lookupIndexes;
    mutable int m_calcRow = -1;              // storage row a calculated field is read for
};
