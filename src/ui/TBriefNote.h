#pragma once

#include <QLabel>
#include <QTimer>
#include <QVariant>

// Shows a note in a label for a few seconds, then gives the label its own text back (unless
// something else has changed the label meanwhile).
namespace TBriefNote
{

inline void Show(QLabel* label, const QString& note)
{
    static const char* const kOwnText = "quorvelOwnText";
    if (!label->property(kOwnText).isValid())
        label->setProperty(kOwnText, label->text());
    label->setText(note);
    QTimer::singleShot(4000, label, [label, note] {
        if (label->text() != note)
            return;
        label->setText(label->property(kOwnText).toString());
        label->setProperty(kOwnText, QVariant());
    });
}

} // namespace TBriefNote
