#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

class TDataSet;

enum class TFieldType { Integer, AutoInc, String, SmallUInt, DateTime, Decimal, Float };
enum class TFieldKind { Data, Lookup, Calculated };

// How a field is declared in a data set's catalogue entry. Lookup fields name the lookup data
// set, the key field of this data set, the key field of the lookup data set and the result field.
struct TFieldDef
{
    QString name;
    TFieldType type = TFieldType::String;
    int size = 0;               // characters for String; 0 = unlimited
    QString displayFormat;      // "c", "ddddd", "dd.mm.yyyy  hh:mm AM/PM", "0.00", ...
    QString editMask;           // "!9\\(999\\)999-9999;0;_"
    TFieldKind kind = TFieldKind::Data;
    TDataSet* lookupDataSet = nullptr;
    QString keyField;
    QString lookupKeyField;
    QString lookupResultField;
    int decimals = -1;          // Decimal: digits kept when written (-1 = as given)

    static TFieldDef Data(const QString& name, TFieldType type, int size = 0,
                          const QString& displayFormat = {})
    {
        TFieldDef d;
        d.name = name;
        d.type = type;
        d.size = size;
        d.displayFormat = displayFormat;
        if (type == TFieldType::Decimal)
            d.decimals = 2;
        return d;
    }
    static TFieldDef Lookup(const QString& name, TFieldType type, int size, TDataSet* lookupDataSet,
                            const QString& keyField, const QString& lookupKeyField,
                            const QString& resultField)
    {
        TFieldDef d;
        d.name = name;
        d.type = type;
        d.size = size;
        d.kind = TFieldKind::Lookup;
        d.lookupDataSet = lookupDataSet;
        d.keyField = keyField;
        d.lookupKeyField = lookupKeyField;
        d.lookupResultField = resultField;
        return d;
    }
    static TFieldDef Calculated(const QString& name, TFieldType type, int size)
    {
        TFieldDef d;
        d.name = name;
        d.type = type;
        d.size = size;
        d.kind = TFieldKind::Calculated;
        return d;
    }
};

// A field of an open data set: reads and writes the current row (or the edit buffer while the
// data set is in edit or insert state). Owned by its data set; valid until the data set closes.
class TField
{
public:
    TField(TDataSet* dataSet, TFieldDef def, int column);

    const QString& FieldName() const { return m_def.name; }
    TFieldType DataType() const { return m_def.type; }
    TFieldKind Kind() const { return m_def.kind; }
    int Size() const { return m_def.size; }
    const QString& DisplayFormat() const { return m_def.displayFormat; }
    const QString& EditMask() const { return m_def.editMask; }
    const TFieldDef& Def() const { return m_def; }
    bool ReadOnly() const;
    // Column index in the snapshot, -1 for lookup and calculated fields.
    int Column() const { return m_column; }
    int Index() const { return m_index; }
    void SetIndex(int index) { m_index = index; }

    bool IsNull() const;
    QVariant Value() const;
    QString AsString() const;   // null reads as empty text
    int AsInteger() const;      // null reads as 0
    double AsFloat() const;     // null reads as 0
    QDateTime AsDateTime() const; // null reads as an invalid date-time
    // The value formatted with the display format under the system locale.
    QString DisplayText() const;

    // Writes need edit or insert state; a null QVariant clears the field.
    void SetValue(const QVariant& value);
    void SetAsString(const QString& value);
    void SetAsInteger(int value);
    void SetAsFloat(double value);
    void SetAsDateTime(const QDateTime& value);
    void Clear();

private:
    TDataSet* m_dataSet;
    TFieldDef m_def;
    int m_column;
    int m_index = -1;
};
