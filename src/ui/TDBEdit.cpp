#include "TDBEdit.h"

#include "TDataSet.h"
#include "TFieldLink.h"

TDBEdit::TDBEdit(const QString& objectName, QWidget* parent)
    : QLineEdit(parent), m_link(new TFieldLink(this, [this] { Refresh(); }))
{
    setObjectName(objectName);
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::OnEdited);
}

void TDBEdit::Bind(TDataSet* dataSet, const QString& fieldName, bool autoEdit)
{
    m_link->Bind(dataSet, fieldName, autoEdit);
}

QString TDBEdit::QtInputMask(const QString& editMask)
{
    // Delphi-style masks: "!" keeps blanks at the end, "9" is an optional digit, "\x" a literal;
    // the second part says whether literals are stored; the third is the blank character.
    const QStringList parts = editMask.split(u';');
    const QString mask = parts.value(0);
    const QString blank = parts.value(2, QStringLiteral("_"));
    QString out;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == u'!')
            continue;
        if (c == u'\\' && i + 1 < mask.size()) {
            out += u'\\';
            out += mask.at(++i);
        } else if (c == u'9') {
            out += u'0';
        } else if (c == u'0') {
            out += u'9';
        } else {
            out += c;
        }
    }
    return out + u';' + (blank.isEmpty() ? QStringLiteral("_") : blank.left(1));
}

QString TDBEdit::Digits(const QString& text)
{
    QString digits;
    for (QChar c : text)
        if (c.isDigit())
            digits += c;
    return digits;
}

void TDBEdit::Refresh()
{
    TField* f = m_link->Field();
    const QString mask = f ? f->EditMask() : QString();
    m_masked = !mask.isEmpty();
    const QString qtMask = m_masked ? QtInputMask(mask) : QString();
    if (inputMask() != qtMask)
        setInputMask(qtMask);
    if (f && f->Size() > 0 && !m_masked)
        setMaxLength(f->Size());
    const QString text = f ? f->AsString() : QString();
    if (m_masked) {
        // Digits fill the mask's positions from the left; the literals are skipped.
        QString display;
        int d = 0;
        const QString m = QtInputMask(mask).section(u';', 0, 0);
        for (int i = 0; i < m.size(); ++i) {
            const QChar c = m.at(i);
            if (c == u'\\') {
                display += m.at(++i);
            } else if (c == u'0' || c == u'9') {
                display += d < text.size() ? text.at(d++) : QChar(u' ');
            } else {
                display += c;
            }
        }
        if (this->text() != display)
            setText(display);
    } else if (this->text() != text) {
        setText(text);
    }
    setReadOnly(!m_link->CanModify());
}

void TDBEdit::OnEdited(const QString& text)
{
    if (m_masked) {
        const QString digits = Digits(text);
        m_link->Write(digits.isEmpty() ? QVariant() : QVariant(digits));
    } else {
        m_link->Write(text);
    }
}
