#include "mail/TMimeText.h"

#include "mail/TMailHandler.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QUuid>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TMimeText", text);
}

} // namespace

namespace TMimeText
{

namespace
{

bool IsPlainAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

// Base64 in lines of 76 characters, each followed by lineEnd.
QByteArray Base64Lines(const QByteArray& data, const QByteArray& lineEnd)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 76 * lineEnd.size() + lineEnd.size());
    for (qsizetype i = 0; i < encoded.size(); i += 76) {
        out += encoded.mid(i, 76);
        out += lineEnd;
    }
    return out;
}

// A parameter value between double quotes, with quotes and backslashes escaped; non-ASCII
// names take the encoded-word form that mail programs read in practice.
QByteArray QuotedParameter(const QString& value)
{
    QByteArray text = EncodeHeaderText(value);
    text.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + text + '"';
}

QByteArray AddressLine(const QStringList& addresses)
{
    QByteArray line;
    for (const QString& address : addresses) {
        if (!line.isEmpty())
            line += ", ";
        line += EncodeHeaderText(address);
    }
    return line;
}

} // namespace

QByteArray EncodeHeaderText(const QString& text)
{
    if (IsPlainAscii(text))
        return text.toLatin1();
    // Encoded words hold at most 75 characters: 12 for the frame, 60 for the base64 of up to
    // 45 bytes. Characters are never split across two words.
    QByteArray out;
    QByteArray chunk;
    auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += ' ';
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray character = text.mid(i, length).toUtf8();
        if (chunk.size() + character.size() > 45)
            flush();
        chunk += character;
        i += length - 1;
    }
    flush();
    return out;
}

TMailbox ParseMailbox(const QString& text)
{
    const QString trimmed = text.trimmed();
    const qsizetype open = trimmed.lastIndexOf(QLatin1Char('<'));
    if (!trimmed.endsWith(QLatin1Char('>')) || open < 0)
        return {QString(), trimmed};
    TMailbox mailbox;
    mailbox.address = trimmed.mid(open + 1, trimmed.size() - open - 2).trimmed();
    QString name = trimmed.left(open).trimmed();
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2)
                   .replace(QLatin1String("\\\""), QLatin1String("\""))
                   .replace(QLatin1String("\\\\"), QLatin1String("\\"));
    mailbox.name = name;
    return mailbox;
}

QByteArray MailboxHeader(const QString& name, const QString& address)
{
    const QByteArray bare = address.toUtf8();
    if (name.trimmed().isEmpty() || name == address)
        return bare;
    QByteArray phrase;
    if (!IsPlainAscii(name)) {
        phrase = EncodeHeaderText(name);
    } else {
        static const QByteArray specials = "()<>[]:;@\\,.\"";
        phrase = name.toLatin1();
        bool quote = false;
        for (const char c : std::as_const(phrase))
            quote = quote || specials.contains(c);
        if (quote)
            phrase = '"' + phrase.replace('\\', "\\\\").replace('"', "\\\"") + '"';
    }
    return phrase + " <" + bare + '>';
}

QByteArray MessageDate(const QDateTime& when)
{
    const QLocale c = QLocale::c();
    const int offset = when.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return c.toString(when, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss")).toLatin1() +
           (offset < 0 ? " -" : " +") + QByteArray::number(minutes / 60).rightJustified(2, '0') +
           QByteArray::number(minutes % 60).rightJustified(2, '0');
}

QByteArray NewMessageId(const QString& fromAddress)
{
    static const QRegularExpression domainPattern(QStringLiteral("@([A-Za-z0-9.-]+)"));
    const auto match = domainPattern.match(fromAddress);
    const QString domain =
        match.hasMatch() ? match.captured(1) : QStringLiteral("quorvel.localhost");
    return '<' + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@' + domain.toLatin1() +
           '>';
}

QStringList SplitAddresses(const QString& to)
{
    static const QRegularExpression separators(QStringLiteral("[,;]"));
    QStringList addresses;
    for (const QString& part : to.split(separators)) {
        const QString address = part.trimmed();
        if (!address.isEmpty())
            addresses << address;
    }
    if (addresses.isEmpty())
        addresses << to;
    return addresses;
}

QByteArray Compose(const TMessage& message, const QByteArray& lineEnd)
{
    const QByteArray boundary = "=_quorvel_" + QUuid::createUuid().toByteArray(QUuid::Id128);
    QByteArray out;
    auto header = [&](const char* name, const QByteArray& value) {
        out += name;
        out += ": ";
        out += value;
        out += lineEnd;
    };
    header("From", MailboxHeader(message.fromName, message.fromAddress));
    if (!message.to.isEmpty())
        header("To", AddressLine(message.to));
    if (!message.cc.isEmpty())
        header("Cc", AddressLine(message.cc));
    if (!message.bcc.isEmpty())
        header("Bcc", AddressLine(message.bcc));
    header("Subject", EncodeHeaderText(message.subject));
    header("Date", MessageDate(QDateTime::currentDateTime()));
    header("Message-ID", NewMessageId(message.fromAddress));
    header("MIME-Version", "1.0");
    header("Content-Type", "multipart/mixed; boundary=\"" + boundary + '"');
    out += lineEnd;

    out += "--" + boundary + lineEnd;
    header("Content-Type", "text/plain; charset=UTF-8");
    header("Content-Transfer-Encoding", "base64");
    out += lineEnd;
    out += Base64Lines(message.body.toUtf8(), lineEnd);

    for (const TAttachment& attachment : message.attachments) {
        QFile file(attachment.path);
        if (!file.open(QIODevice::ReadOnly))
            throw EMailError(
                Tr("Cannot read the attachment %1: %2").arg(attachment.path, file.errorString()));
        const QByteArray name = QuotedParameter(attachment.name);
        const bool pdf = attachment.name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
        out += "--" + boundary + lineEnd;
        header("Content-Type", (pdf ? "application/pdf" : "application/octet-stream") +
                                   QByteArray("; name=") + name);
        header("Content-Disposition", "attachment; filename=" + name);
        header("Content-Transfer-Encoding", "base64");
        out += lineEnd;
        out += Base64Lines(file.readAll(), lineEnd);
    }
    out += "--" + boundary + "--" + lineEnd;
    return out;
}

} // namespace TMimeText
