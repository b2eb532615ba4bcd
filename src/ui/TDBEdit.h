#pragma once

#include <QLineEdit>

class TDataSet;
class TFieldLink;

// A one-line text box bound to a field. A field with the phone edit mask shows
// "_(___)___-____" and stores the typed digits only.
class TDBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDBEdit(const QString& objectName, QWidget* parent = nullptr);

    void Bind(TDataSet* dataSet, const QString& fieldName, bool autoEdit = false);
    TFieldLink* Link() const { return m_link; }

    // The Qt input mask for a stored edit mask ("!9\(999\)999-9999;0;_" -> "0(000)000-0000;_").
    static QString QtInputMask(const QString& editMask);
    // Only the digits of a masked text.
    static QString Digits(const QString& text);

private:
    void Refresh();
    void OnEdited(const QString& text);

    TFieldLink* m_link;
    bool m_masked = false;
};
