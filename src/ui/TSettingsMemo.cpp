#include "ui/TSettingsMemo.h"

TSettingsMemo::TSettingsMemo(const QString& objectName, QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(objectName);
    // Tab moves on to the next control, as in every other box of the program.
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

QStringList TSettingsMemo::Lines() const
{
    QString text = toPlainText();
    if (text.isEmpty())
        return {};
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

void TSettingsMemo::SetLines(const QStringList& lines)
{
    setPlainText(lines.join(u'\n'));
}
