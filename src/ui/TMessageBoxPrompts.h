#pragma once

#include "db/TPrompts.h"

// The prompts of the running program: message boxes and the desktop's file dialogs, each
// modal over the active window.
class TMessageBoxPrompts : public TPrompts
{
public:
    // One OK button; the plain box has no icon, the others the icon of their kind.
    void Message(Kind kind, const QString& caption, const QString& text) override;
    // Yes and No; every question the program asks with them is a removal, so No is the
    // default button and the Escape answer: Enter alone never removes anything.
    bool Question(const QString& caption, const QString& text) override;
    QString OpenFileName(const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString SaveFileName(const QString& caption, const QString& fileName,
                         const QString& filter) override;
    Answer Ask(Kind kind, const QString& caption, const QString& text, const QList<Answer>& buttons,
               Answer defaultAnswer, Answer escapeAnswer) override;
};
