#include "support/TTestPrompts.h"

TTestPrompts::TTestPrompts()
{
    TPrompts::Install(this);
}

TTestPrompts::~TTestPrompts()
{
    TPrompts::Install(nullptr);
}

void TTestPrompts::Message(Kind kind, const QString& caption, const QString& text)
{
    shown.append({kind, caption, text});
}

bool TTestPrompts::Question(const QString& caption, const QString& text)
{
    shown.append({Kind::Confirmation, caption, text});
    if (m_answers.isEmpty()) {
        ++unansweredQuestions;
        return false;
    }
    return m_answers.dequeue();
}

TPrompts::Answer TTestPrompts::Ask(Kind kind, const QString& caption, const QString& text,
                                   const QList<Answer>& buttons, Answer, Answer escapeAnswer)
{
    shown.append({kind, caption, text});
    if (m_choices.isEmpty()) {
        ++unansweredQuestions;
        return escapeAnswer;
    }
    const Answer answer = m_choices.dequeue();
    return buttons.contains(answer) ? answer : escapeAnswer;
}

QString TTestPrompts::OpenFileName(const QString&, const QString&, const QString&)
{
    return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
}

QString TTestPrompts::SaveFileName(const QString&, const QString& fileName, const QString&)
{
    offeredFileNames << fileName;
    return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
}
