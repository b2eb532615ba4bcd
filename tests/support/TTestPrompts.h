#pragma once

#include "db/TPrompts.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

// Records every box shown and answers questions and file dialogs from queues filled by the
// test. An unexpected question fails loudly (answers No and records it) instead of blocking.
// Installs itself on construction and restores the silent implementation on destruction.
class TTestPrompts : public TPrompts
{
public:
    struct TShown
    {
        Kind kind;
        QString caption;
        QString text;
    };

    TTestPrompts();
    ~TTestPrompts() override;

    void Message(Kind kind, const QString& caption, const QString& text) override;
    bool Question(const QString& caption, const QString& text) override;
    QString OpenFileName(const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString SaveFileName(const QString& caption, const QString& fileName,
                         const QString& filter) override;

    Answer Ask(Kind kind, const QString& caption, const QString& text, const QList<Answer>& buttons,
               Answer defaultAnswer, Answer escapeAnswer) override;

    void QueueAnswer(bool yes) { m_answers.enqueue(yes); }
    // Answers for Ask (Retry/Cancel, Yes/No/Cancel); an empty queue answers the escape button.
    void QueueChoice(Answer answer) { m_choices.enqueue(answer); }
    void QueueFileName(const QString& path) { m_fileNames.enqueue(path); }

    QStringList offeredFileNames;    // what each save dialog offered, in order
    QList<TShown> shown;             // messages and questions, in order
    int unansweredQuestions = 0;     // questions asked with an empty answer queue

    QString LastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void Clear() { shown.clear(); }

private:
    QQueue<bool> m_answers;
    QQueue<Answer> m_choices;
    QQueue<QString> m_fileNames;
};
