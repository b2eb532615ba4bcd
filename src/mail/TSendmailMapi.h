#pragma once

#include "mail/TSimpleMapi.h"

#include <QStringList>

// Simple MAPI where it does not exist: each message goes to the user's local mail system by
// the sendmail convention (the command that msmtp-mta, Postfix or Exim install), as MIME text
// on its standard input. With the mail client's window asked for (flag 8), xdg-email opens the
// user's mail program with the message filled in instead. There are no profiles or sessions.
class TSendmailMapi : public TSimpleMapi
{
public:
    static QString DefaultCommand() { return QStringLiteral("/usr/sbin/sendmail -t -i"); }

    // An empty command means DefaultCommand().
    explicit TSendmailMapi(const QString& command = {});

    const QString& Command() const { return m_command; }
    // The program run when the mail client's window is wanted (tests point it elsewhere).
    void SetEditProgram(const QString& program) { m_editProgram = program; }

    bool DefaultProfile(QString& profile) override;
    unsigned long Logon(const QString& profile, unsigned long flags,
                        TSession& session) override;
    unsigned long Logoff(TSession session) override;
    unsigned long ResolveName(const QString& name, unsigned long flags,
                              TResolved& resolved) override;
    void FreeBuffer(TResolved& resolved) override;
    // Returns 11 ("Attachment not found") for a missing file, as the mail client would; a
    // command that is missing, fails to start or exits non-zero throws EMailError with its
    // error output. A recipient address holding a control character throws EMailError of kind
    // Address before anything runs. Blind copies go in a Bcc header, which the mail command
    // reads for the envelope and removes (the "-t" convention).
    unsigned long SendMail(TSession session, const TMessage& message,
                           unsigned long flags) override;

private:
    void Run(const QStringList& command, const QByteArray& input);

    QString m_command;
    QString m_editProgram = QStringLiteral("xdg-email");
};
