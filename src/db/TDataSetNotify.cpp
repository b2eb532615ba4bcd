#include "db/TDataSet.h"

// Master/detail following and the signals that bound controls listen to.


void TDataSet::SetMaster(TDataSet* master, const QString& linkField)
{
    if (m_master == master && m_masterField == linkField)
        return;
    if (m_master) {
        m_master->m_details.removeAll(this);
        disconnect(m_master, nullptr, this, nullptr);
    }
    m_master = master;
    m_masterField = linkField;
    m_masterHasRow = false;
    m_masterValue = QVariant();
    if (m_master) {
        m_master->m_details.append(this);
        connect(m_master, &TDataSet::CurrentChanged, this, &TDataSet::OnMasterChanged);
        connect(m_master, &TDataSet::RowsReset, this, &TDataSet::OnMasterChanged);
        connect(m_master, &TDataSet::RowChanged, this, &TDataSet::OnMasterChanged);
        connect(m_master, &TDataSet::StateChanged, this, &TDataSet::OnMasterChanged);
    }
    if (Active()) {
        ApplyMasterValue();
        Fetch();
        RebuildView(false);
        NotifyReset();
    }
}

void TDataSet::ApplyMasterValue()
{
    m_masterHasRow = false;
    m_masterValue = QVariant();
    if (!m_master || !m_master->Active() || m_master->m_current < 0)
        return;
    if (m_master->m_state == State::Insert)
        return; // a row not stored yet has no detail rows
    TField* f = m_master->FindField(m_masterField);
    if (!f)
        return;
    m_masterValue = m_master->FieldValue(*f);
    m_masterHasRow = !m_masterValue.isNull();
}

void TDataSet::OnMasterChanged()
{
    if (!Active())
        return;
    if (!m_master || !m_master->Active()) {
        // A closed master has no rows, so neither has its detail; the database is not asked.
        if (m_state != State::Browse)
            Cancel();
        m_masterHasRow = false;
        m_masterValue = QVariant();
        m_snapshot.ClearRows();
        m_deleted.clear();
        InvalidateLookupIndexes();
        RebuildView(false);
        NotifyReset();
        return;
    }
    const bool hadRow = m_masterHasRow;
    const QVariant before = m_masterValue;
    ApplyMasterValue();
    if (hadRow == m_masterHasRow && before == m_masterValue)
        return;
    if (m_state != State::Browse)
        Cancel();
    Fetch();
    RebuildView(false);
    NotifyReset();
}

// ---------------------------------------------------------------------------------------------
// Notifications

void TDataSet::DisableControls()
{
    ++m_disableCount;
}

void TDataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount > 0)
        return;
    if (m_pendingReset) {
        m_pendingReset = false;
        m_pendingCurrent = false;
        Q_EMIT RowsReset();
        Q_EMIT CurrentChanged(m_current);
    } else if (m_pendingCurrent) {
        m_pendingCurrent = false;
        Q_EMIT CurrentChanged(m_current);
    }
}

void TDataSet::NotifyReset()
{
    if (ControlsDisabled()) {
        m_pendingReset = true;
        return;
    }
    Q_EMIT RowsReset();
    Q_EMIT CurrentChanged(m_current);
}

void TDataSet::NotifyCurrent()
{
    if (ControlsDisabled()) {
        m_pendingCurrent = true;
        return;
    }
    Q_EMIT CurrentChanged(m_current);
}

// A row signal that cannot be sent now leaves the bound controls out of step, so they are
// reset as a whole when notifications come back on.
void TDataSet::NotifyRowInserted(int row)
{
    if (ControlsDisabled())
        m_pendingReset = true;
    else
        Q_EMIT RowInserted(row);
}

void TDataSet::NotifyRowRemoved(int row)
{
    if (ControlsDisabled())
        m_pendingReset = true;
    else
        Q_EMIT RowRemoved(row);
}

void TDataSet::NotifyRowChanged(int row)
{
    if (row < 0)
        return;
    if (ControlsDisabled())
        m_pendingReset = true;
    else
        Q_EMIT RowChanged(row);
}

void TDataSet::NotifyState()
{
    // State changes always reach listeners: editors must follow them even while a list is
    // being rebuilt.
    Q_EMIT StateChanged(m_state);
}
