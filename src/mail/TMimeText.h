#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The pieces of an Internet message that both delivery paths need: header texts, dates,
// message ids, address lists, and (for the local mail command) the whole MIME message.
namespace TMimeText
{

// A header value: unchanged when it is printable ASCII, else RFC 2047 encoded words
// ("=?UTF-8?B?...?=") that never split a character.
QByteArray EncodeHeaderText(const QString& text);
// "Wed, 09 Dec 2026 21:41:01 +0100", whatever the regional settings.
QByteArray MessageDate(const QDateTime& when);
// "<uuid@domain>", the domain taken from the sender's address ("quorvel.localhost" without one).
QByteArray NewMessageId(const QString& fromAddress);
// The addresses of a "to" text: split at commas and semicolons, blanks around them dropped.
// A text without any address (blank) yields itself, so the server can refuse it.
QStringList SplitAddresses(const QString& to);

// A "From" text split into its parts: "CME Office <office@example.org>" gives the name
// "CME Office" (double quotes around it dropped) and the address; a bare address has no name.
struct TMailbox {
    QString name;
    QString address;
};
TMailbox ParseMailbox(const QString& text);
// The mailbox as a header value: the address alone without a name, else the name (quoted when
// it holds special characters, encoded words when it is not ASCII) and "<address>".
QByteArray MailboxHeader(const QString& name, const QString& address);

struct TAttachment {
    QString path; // read at composing time
    QString name; // the file name the recipient sees
};

struct TMessage {
    QString fromName, fromAddress;
    QStringList to, cc, bcc; // addresses
    QString subject;
    QString body; // line ends as given; written with the message's line end
    QList<TAttachment> attachments;
};

// The complete message as MIME text: multipart/mixed with the body as a UTF-8 text part and
// each attachment as a base64 part with its name, lines ended with lineEnd. Throws EMailError
// when an attachment cannot be read.
QByteArray Compose(const TMessage& message, const QByteArray& lineEnd);

} // namespace TMimeText
