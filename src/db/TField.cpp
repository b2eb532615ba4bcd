#include "db/TField.h"

#include "db/TDataSet.h"
#include "db/TDisplayFormat.h"
#include "db/TError.h"

#include <QCoreApplication>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TField", text);
}

} // namespace

TField::TField(TDataSet* dataSet, TFieldDef def, int column)
    : m_dataSet(dataSet), m_def(std::move(def)), m_column(column)
{
}

bool TField::ReadOnly() const
{
    return m_def.kind != TFieldKind::Data || m_def.type == TFieldType::AutoInc;
}

bool TField::IsNull() const
{
    return Value().isNull();
}

QVariant TField::Value() const
{
    return m_dataSet->FieldValue(*this);
}

QString TField::AsString() const
{
    const QVariant v = Value();
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return TDisplayFormat::FormatDateTime(v.toDateTime(), QStringLiteral("c"));
    if (v.typeId() == QMetaType::Double)
        return TDisplayFormat::FormatNumber(v.toDouble(), QString());
    return v.toString();
}

int TField::AsInteger() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    bool ok = false;
    const int i = v.toInt(&ok);
    if (!ok)
        throw EFieldError(
            Tr("'%1' is not a valid integer value for field '%2'").arg(v.toString(), m_def.name));
    return i;
}

double TField::AsFloat() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw EFieldError(
            Tr("'%1' is not a valid number for field '%2'").arg(v.toString(), m_def.name));
    return d;
}

QDateTime TField::AsDateTime() const
{
    const QVariant v = Value();
    if (v.isNull())
        return {};
    return v.toDateTime();
}

QString TField::DisplayText() const
{
    const QVariant v = Value();
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return TDisplayFormat::FormatDateTime(v.toDateTime(), m_def.displayFormat);
    case QMetaType::Double:
        return TDisplayFormat::FormatNumber(v.toDouble(), m_def.displayFormat);
    default:
        return v.toString();
    }
}

void TField::SetValue(const QVariant& value)
{
    m_dataSet->SetFieldValue(*this, value);
}

void TField::SetAsString(const QString& value)
{
    SetValue(value);
}

void TField::SetAsInteger(int value)
{
    SetValue(value);
}

void TField::SetAsFloat(double value)
{
    SetValue(value);
}

void TField::SetAsDateTime(const QDateTime& value)
{
    SetValue(value.isValid() ? QVariant(value) : QVariant());
}

void TField::Clear()
{
    SetValue(QVariant());
}
