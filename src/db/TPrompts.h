#pragma once

#include <QString>
#include <QList>
#include <QStringList>

// Every message box, question and file dialog of the program goes through this interface, so
// that tests can answer them without a person. The program installs a message-box
// implementation at start-up; lower layers only ever call the static helpers below.
class TPrompts
{
public:
    enum class Kind { Plain, Information, Warning, Error, Confirmation };
    // The buttons of a question with more than Yes and No (Start: a run that says first what
    // it will do).
    enum class Answer { Yes, No, Cancel, Retry, Start };

    virtual ~TPrompts() = default;

    // Shows a box with one OK button. Plain boxes have no icon.
    virtual void Message(Kind kind, const QString& caption, const QString& text) = 0;
    // Asks a Yes/No question; true on Yes.
    virtual bool Question(const QString& caption, const QString& text) = 0;
    // File dialogs; an empty result means the user cancelled.
    virtual QString OpenFileName(const QString& caption, const QString& directory,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(const QString& caption, const QString& fileName,
                                 const QString& filter) = 0;
    // Asks with the given buttons; Enter takes defaultAnswer, Escape or the close box gives
    // escapeAnswer. An implementation without boxes answers escapeAnswer.
    virtual Answer Ask(Kind kind, const QString& caption, const QString& text,
                       const QList<Answer>& buttons, Answer defaultAnswer, Answer escapeAnswer);

    // Confirm's question asked of this implementation ("Confirm", Yes / No); true on Yes.
    bool AskConfirm(const QString& text);

    // The installed implementation; never null (a silent one answers before installation).
    static TPrompts& Current();
    // Installs an implementation; the caller keeps ownership. Null restores the silent one.
    static void Install(TPrompts* prompts);

    static QString ApplicationTitle();

    // Shorthands with the program's fixed captions.
    static void ShowPlain(const QString& text);          // caption: application title
    static void ShowInformation(const QString& text);    // "Information"
    static void ShowWarning(const QString& text);        // "Warning"
    static void ShowErrorBox(const QString& text);       // "Error"
    static bool Confirm(const QString& text);            // "Confirm", Yes / No
    static bool RetryOrCancel(const QString& text);      // "Warning", Retry / Cancel; true on Retry
    static Answer YesNoCancel(const QString& text);      // "Confirm", Yes / No / Cancel
    // The default error handler's box: caption = application title, text with a full stop
    // appended when the last character's code is greater than that of ".".
    static void ShowDefaultError(const QString& message);
    static QString WithFullStop(const QString& message);
};
