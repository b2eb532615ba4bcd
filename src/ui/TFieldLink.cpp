#include "ui/TFieldLink.h"

#include "db/TDataSet.h"

TFieldLink::TFieldLink(QObject* control, std::function<void()> refresh)
    : QObject(control), m_refresh(std::move(refresh))
{
}

void TFieldLink::Bind(TDataSet* dataSet, const QString& fieldName, bool autoEdit)
{
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    m_dataSet = dataSet;
    m_fieldName = fieldName;
    m_autoEdit = autoEdit;
    connect(dataSet, &TDataSet::RowsReset, this, &TFieldLink::Refresh);
    connect(dataSet, &TDataSet::CurrentChanged, this, &TFieldLink::Refresh);
    connect(dataSet, &TDataSet::RowChanged, this, &TFieldLink::Refresh);
    connect(dataSet, &TDataSet::StateChanged, this, &TFieldLink::Refresh);
    Refresh();
}

TField* TFieldLink::Field() const
{
    return (m_dataSet && m_dataSet->Active()) ? m_dataSet->FindField(m_fieldName) : nullptr;
}

QVariant TFieldLink::Value() const
{
    TField* f = Field();
    return f ? f->Value() : QVariant();
}

bool TFieldLink::CanModify() const
{
    if (!m_dataSet || !m_dataSet->Active())
        return false;
    const auto state = m_dataSet->DataState();
    if (state == TDataSet::State::Edit || state == TDataSet::State::Insert)
        return true;
    return m_autoEdit && !m_dataSet->IsEmpty();
}

void TFieldLink::Write(const QVariant& value)
{
    if (!CanModify())
        return;
    TField* f = Field();
    if (!f)
        return;
    m_writing = true;
    try {
        if (m_dataSet->DataState() == TDataSet::State::Browse)
            m_dataSet->Edit();
        f->SetValue(value);
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
}

void TFieldLink::Refresh()
{
    if (!m_writing && m_refresh)
        m_refresh();
}
