#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class TDataSet;
class TField;

// Binds one control to one field of a data set: the control is refreshed whenever the current
// row, its values or the data set's state change, and the control's edits are written to the
// field. Typing changes nothing while the data set browses, unless autoEdit is on, in which case
// the first change puts the data set into edit state itself.
class TFieldLink : public QObject
{
    Q_OBJECT
public:
    TFieldLink(QObject* control, std::function<void()> refresh);

    void Bind(TDataSet* dataSet, const QString& fieldName, bool autoEdit = false);
    TDataSet* DataSet() const { return m_dataSet; }
    const QString& FieldName() const { return m_fieldName; }
    // The bound field, or null while the data set is closed.
    TField* Field() const;
    QVariant Value() const;
    // True when the control may change the field now (edit/insert state, or autoEdit).
    bool CanModify() const;
    // Writes a value typed by the user; enters edit state first when autoEdit allows it.
    void Write(const QVariant& value);
    bool Writing() const { return m_writing; }
    void Refresh();

private:
    TDataSet* m_dataSet = nullptr;
    QString m_fieldName;
    bool m_autoEdit = false;
    bool m_writing = false;
    std::function<void()> m_refresh;
};
