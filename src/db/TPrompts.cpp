#include "db/TPrompts.h"

namespace {

// Answers every question with No and every file dialog with Cancel; used before the program
// installs its own implementation, so a lower layer never blocks on a missing window.
class TSilentPrompts final : public TPrompts
{
public:
    void Message(Kind, const QString&, const QString&) override {}
    bool Question(const QString&, const QString&) override { return false; }
    QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

TSilentPrompts g_silent;
TPrompts* g_current = &g_silent;

} // namespace

TPrompts& TPrompts::Current()
{
    return *g_current;
}

void TPrompts::Install(TPrompts* prompts)
{
    g_current = prompts ? prompts : &g_silent;
}

QString TPrompts::ApplicationTitle()
{
    return QStringLiteral("Continuing Education Management Software");
}

TPrompts::Answer TPrompts::Ask(Kind, const QString&, const QString&, const QList<Answer>&, Answer,
                               Answer escapeAnswer)
{
    return escapeAnswer;
}

void TPrompts::ShowPlain(const QString& text)
{
    Current().Message(Kind::Plain, ApplicationTitle(), text);
}

void TPrompts::ShowInformation(const QString& text)
{
    Current().Message(Kind::Information, QStringLiteral("Information"), text);
}

void TPrompts::ShowWarning(const QString& text)
{
    Current().Message(Kind::Warning, QStringLiteral("Warning"), text);
}

void TPrompts::ShowErrorBox(const QString& text)
{
    Current().Message(Kind::Error, QStringLiteral("Error"), text);
}

bool TPrompts::AskConfirm(const QString& text)
{
    return Question(QStringLiteral("Confirm"), text);
}

bool TPrompts::Confirm(const QString& text)
{
    return Current().AskConfirm(text);
}

bool TPrompts::RetryOrCancel(const QString& text)
{
    return Current().Ask(Kind::Warning, QStringLiteral("Warning"), text,
                         {Answer::Retry, Answer::Cancel}, Answer::Retry, Answer::Cancel) ==
           Answer::Retry;
}

TPrompts::Answer TPrompts::YesNoCancel(const QString& text)
{
    return Current().Ask(Kind::Confirmation, QStringLiteral("Confirm"), text,
                         {Answer::Yes, Answer::No, Answer::Cancel}, Answer::Yes, Answer::Cancel);
}

QString TPrompts::WithFullStop(const QString& message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void TPrompts::ShowDefaultError(const QString& message)
{
    Current().Message(Kind::Error, ApplicationTitle(), WithFullStop(message));
}
