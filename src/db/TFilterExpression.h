#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

// What a filter reads of one row: a field's value, and its raw UTF-8 text when it is stored as
// text (so "like" on a large data set needs no conversion).
class TFilterRow
{
public:
    virtual ~TFilterRow() = default;
    virtual QVariant Value(int fieldIndex) const = 0;
    virtual bool Utf8(int fieldIndex, const char*& text, qsizetype& length) const = 0;
    // The value of a numeric field as the number Value() would give, without building a
    // QVariant (a comparison with a number over a large data set); false when the field is null,
    // not numeric or not stored as a number.
    virtual bool Number(int fieldIndex, double& value) const
    {
        Q_UNUSED(fieldIndex);
        Q_UNUSED(value);
        return false;
    }
};

// A client-side row filter: comparisons of a field with a literal ("user_id = 12",
// "last_name like 'Smi%'", "units >= 1.5", "email is null"), combined with and, or, not and
// parentheses. Text comparisons ignore letter case. Parsing fails with EDatabaseError.
class TFilterExpression
{
public:
    // resolveField maps a field name to its index, or -1 when the data set has no such field.
    TFilterExpression(const QString& text, const std::function<int(const QString&)>& resolveField);
    ~TFilterExpression();

    bool Matches(const TFilterRow& row) const;
    const QString& Text() const { return m_text; }

    struct TNode;

private:
    QString m_text;
    std::unique_ptr<TNode> m_root;
};
