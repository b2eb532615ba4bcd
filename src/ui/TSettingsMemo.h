#pragma once

#include <QPlainTextEdit>
#include <QStringList>

// A multi-line text box whose lines are one list of the settings file (the transcript header
// and footer, the message body). Tab moves on to the next control and long lines do not wrap.
class TSettingsMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TSettingsMemo(const QString& objectName, QWidget* parent = nullptr);

    // The lines as the settings keep them: an empty box has no lines, and the line break
    // after the last line does not start another one.
    QStringList Lines() const;
    void SetLines(const QStringList& lines);
};
