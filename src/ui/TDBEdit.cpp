#include "ui/TDBEdit.h"

#include "db/TDataSet.h"
#include "ui/TFieldLink.h"

TDBEdit::TDBEdit(const QString& objectName, QWidget* parent)
    : QLineEdit(parent), m_link(new TFieldLink(this, [this] { Refresh(); }))
{
    setObjectName(objectName);
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::OnEdited);
    // Typed digits fill the mask from the left; once typing ends they are shown right-aligned.
    connect(this, &QLineEdit::editingFinished, this, &TDBEdit::Refresh);
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
    const QString text = f ? f->AsString() : QString();
    const QString qtMask = mask.isEmpty() ? QString() : QtInputMask(mask);
    const QString positions = qtMask.section(u';', 0, 0);
    int digitPositions = 0;
    for (int i = 0; i < positions.size(); ++i) {
        if (positions.at(i) == u'\\')
            ++i;
        else if (positions.at(i) == u'0' || positions.at(i) == u'9')
            ++digitPositions;
    }
    // A value the mask cannot show (letters from an older file, too many digits) is shown and
    // kept as it is, without the mask.
    m_masked = !mask.isEmpty() && Digits(text) == text && text.size() <= digitPositions;
    const QString wantedMask = m_masked ? qtMask : QString();
    if (inputMask() != wantedMask)
        setInputMask(wantedMask);
    if (f && f->Size() > 0 && !m_masked)
        setMaxLength(f->Size());
    if (m_masked) {
        // Like the blanks of a "!" mask, the unfilled positions come first: "6175551234" shows
        // as " (617)555-1234".
        QString display;
        int d = int(text.size()) - digitPositions;
        for (int i = 0; i < positions.size(); ++i) {
            const QChar c = positions.at(i);
            if (c == u'\\') {
                display += positions.at(++i);
            } else if (c == u'0' || c == u'9') {
                display += d >= 0 ? text.at(d) : QChar(u' ');
                ++d;
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
