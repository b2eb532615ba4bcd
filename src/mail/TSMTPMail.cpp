#include "mail/TSMTPMail.h"

#include "mail/TMimeText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <curl/curl.h>

#include <memory>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSMTPMail", text);
}

// libcurl's global set-up runs once, before the first handle.
void InitCurlOnce()
{
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    Q_UNUSED(done);
}

size_t DiscardOutput(char*, size_t size, size_t count, void*)
{
    return size * count;
}

struct TSlist {
    curl_slist* list = nullptr;
    ~TSlist() { curl_slist_free_all(list); }
    void Append(const QByteArray& line) { list = curl_slist_append(list, line.constData()); }
};

struct TMime {
    curl_mime* mime = nullptr;
    ~TMime() { curl_mime_free(mime); }
};

} // namespace

// The easy handle with what the server said: the reply to the last command, the lines of the
// last EHLO reply (its capabilities), and the last refusal with the verb it answered. Commands
// are never stored, only their verb: AUTH lines carry the credentials.
struct TSMTPMail::TCurl {
    CURL* handle = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};

    // Cleaning up the handle closes its connection, saying QUIT when it is still open.
    ~TCurl() { curl_easy_cleanup(handle); }
    QList<QByteArray> reply;
    QList<QByteArray> ehloReply;
    QList<QByteArray> refusal; // the last 4xx or 5xx reply of the current transfer
    QByteArray verb;           // of the last command: EHLO, AUTH, MAIL, RCPT, DATA, ...
    QByteArray refusalVerb;    // the command the refusal answered
    bool inAuth = false;       // lines after AUTH are credentials, not commands
    bool replyDone = true;     // the next line begins a new reply

    static int Debug(CURL*, curl_infotype type, char* data, size_t size, void* self)
    {
        auto* curl = static_cast<TCurl*>(self);
        if (type == CURLINFO_HEADER_OUT) {
            if (!curl->inAuth) {
                static const QList<QByteArray> verbs{"EHLO", "HELO", "STARTTLS", "AUTH",
                                                     "MAIL", "RCPT", "DATA",     "NOOP",
                                                     "QUIT", "RSET", "VRFY"};
                const QByteArray word = QByteArray(data, qsizetype(qMin(size, size_t(10))))
                                            .split(' ')
                                            .first()
                                            .trimmed()
                                            .toUpper();
                curl->verb = verbs.contains(word) ? word : QByteArray();
                curl->inAuth = curl->verb == "AUTH";
            }
            curl->replyDone = true;
        } else if (type == CURLINFO_HEADER_IN) {
            if (curl->replyDone)
                curl->reply.clear();
            const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
            curl->reply << line;
            const bool last = line.size() < 4 || line.at(3) != '-';
            curl->replyDone = last;
            if (curl->verb == "EHLO") {
                if (curl->reply.size() == 1)
                    curl->ehloReply.clear();
                curl->ehloReply << line;
            }
            if (last && line.size() >= 3) {
                if (line.at(0) == '4' || line.at(0) == '5') {
                    curl->refusal = curl->reply;
                    curl->refusalVerb = curl->verb;
                } else if (curl->verb != "QUIT") {
                    // A later good reply (HELO after a refused EHLO) makes an old refusal moot.
                    curl->refusal.clear();
                    curl->refusalVerb.clear();
                }
                if (!line.startsWith("334"))
                    curl->inAuth = false;
            }
        }
        return 0;
    }

    // The refusal as the server wrote it, its lines joined; continuation marks dropped.
    QString RefusalText() const
    {
        QStringList lines;
        for (const QByteArray& line : refusal) {
            QByteArray text = line;
            if (text.size() > 3 && text.at(3) == '-')
                text[3] = ' ';
            lines << QString::fromUtf8(text);
        }
        return lines.join(QLatin1Char(' '));
    }

    bool EhloListsLogin() const
    {
        static const QRegularExpression login(QStringLiteral("^250[- ]AUTH[ =].*\\bLOGIN\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
        for (const QByteArray& line : ehloReply)
            if (login.match(QString::fromLatin1(line)).hasMatch())
                return true;
        return false;
    }
};

namespace
{

// A relay on this machine: the only hosts that may take a password without TLS, since nothing
// crosses a network. Written exactly so; other loopback addresses and names that resolve to
// one do not count.
bool IsThisMachine(const QString& host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           host == QLatin1String("127.0.0.1") || host == QLatin1String("::1");
}

const char* const SettingsPlace = "Configure \u2192 E-mail settings";

// An attachment name goes into a MIME header: control characters become blanks.
QByteArray HeaderSafeName(const QString& name)
{
    QString safe = name;
    for (QChar& c : safe)
        if (HasMailControlCharacter(QString(c)))
            c = QLatin1Char(' ');
    return safe.toUtf8();
}

} // namespace

TSMTPMail::TSMTPMail(const QString& host, const QString& port, const QString& authType,
                     const QString& userName, const QString& password)
    : m_host(host.trimmed())
{
    InitCurlOnce();
    auto curl = std::make_unique<TCurl>();
    curl->handle = curl_easy_init();
    if (!curl->handle)
        throw EMailError(Tr("The SMTP client could not be created."));
    m_port = MailSettingToInt(port);
    const int kind = MailSettingToInt(authType);
    if (kind == 1) {
        m_login = true;
        m_userName = userName.toUtf8();
        m_password = password.toUtf8();
    }
    m_curl = std::move(curl);
    m_requireTls = m_port == 465 || (m_login && !IsThisMachine(m_host));

    QString urlHost = m_host;
    if (urlHost.contains(QLatin1Char(':')) && !urlHost.startsWith(QLatin1Char('[')))
        urlHost = QLatin1Char('[') + urlHost + QLatin1Char(']');
    m_url = (m_port == 465 ? "smtps://" : "smtp://") + urlHost.toUtf8() + ':' +
            QByteArray::number(m_port) + '/';
}

TSMTPMail::~TSMTPMail() = default;

void TSMTPMail::SetCaFile(const QString& path)
{
    m_caFile = QFile::encodeName(path);
}

void TSMTPMail::SetTimeout(int seconds)
{
    m_timeout = seconds;
}

void TSMTPMail::ApplyCommonOptions()
{
    CURL* h = m_curl->handle;
    curl_easy_setopt(h, CURLOPT_URL, m_url.constData());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, m_curl->errorText);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &TCurl::Debug);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, m_curl.get());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &DiscardOutput);
    // A transcript message (about 80 KB) leaves in one piece instead of 64 KB pieces.
    curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
    // Where a password must travel, TLS is required: without STARTTLS curl stops after EHLO,
    // before any AUTH line.
    curl_easy_setopt(h, CURLOPT_USE_SSL, long(m_requireTls ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, m_caFile.constData());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(m_timeout));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(m_timeout));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(m_timeout));
    if (m_login) {
        curl_easy_setopt(h, CURLOPT_USERNAME, m_userName.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, m_password.constData());
        curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    } else {
        curl_easy_setopt(h, CURLOPT_USERNAME, nullptr);
        curl_easy_setopt(h, CURLOPT_PASSWORD, nullptr);
        curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, nullptr);
    }
}

int TSMTPMail::Perform()
{
    m_curl->errorText[0] = '\0';
    m_curl->reply.clear();
    m_curl->refusal.clear();
    m_curl->refusalVerb.clear();
    m_curl->verb.clear();
    m_curl->inAuth = false;
    m_curl->replyDone = true;
    return curl_easy_perform(m_curl->handle);
}

// Says in plain words which step failed and which setting to check, beside the server's reply
// (a 4xx or 5xx) or the client's own text, and classifies the failure for the run.
void TSMTPMail::Fail(int result, const QString& to)
{
    const auto code = CURLcode(result);
    using Kind = EMailError::Kind;
    const QString place = QString::fromUtf8(SettingsPlace);
    const QString refusal = m_curl->RefusalText();
    const QByteArray& verb = m_curl->refusalVerb;
    QString clientText = QString::fromUtf8(m_curl->errorText).trimmed();
    if (clientText.isEmpty())
        clientText = QString::fromUtf8(curl_easy_strerror(code));
    const QString detail = refusal.isEmpty() ? QStringLiteral(" (%1)").arg(clientText)
                                             : QStringLiteral(" Server reply: %1").arg(refusal);
    const QString port = QString::number(m_port);

    if (code == CURLE_USE_SSL_FAILED || (m_requireTls && m_port != 465 && verb == "EHLO"))
        throw EMailError(Tr("The mail server %1 does not offer encryption (STARTTLS), so the "
                            "password would travel unprotected. Nothing was sent. Check Host and "
                            "Port in %2.")
                                 .arg(m_host, place) +
                             detail,
                         Kind::Encryption);
    if (code == CURLE_SSL_CACERT_BADFILE)
        throw EMailError(Tr("The certificate file %1 (CaFile in the [SMTP] section "
                            "of quorvel.ini) cannot be read. Nothing was sent.")
                                 .arg(QFile::decodeName(m_caFile)) +
                             detail,
                         Kind::Encryption);
    if (code == CURLE_SSL_CONNECT_ERROR || code == CURLE_SSL_CIPHER)
        throw EMailError(Tr("No encrypted connection could be set up with %1 on port "
                            "%2. Nothing was sent. Check Port in %3 (port 465 speaks "
                            "TLS from the start; 587 and 25 start it with STARTTLS).")
                                 .arg(m_host, port, place) +
                             detail,
                         Kind::Encryption);
    if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CERTPROBLEM ||
        code == CURLE_SSL_ISSUER_ERROR || code == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
        throw EMailError(Tr("The mail server %1 could not be verified as itself: its "
                            "certificate was refused. Nothing was sent. Check Host "
                            "in %2 (the name the certificate was issued for); a "
                            "server with a private certificate authority needs "
                            "CaFile in the [SMTP] section of quorvel.ini.")
                                 .arg(m_host, place) +
                             detail,
                         Kind::Encryption);
    if (code == CURLE_LOGIN_DENIED || verb == "AUTH")
        throw EMailError(Tr("The server refused the user name or password. Check "
                            "User name and Password in %1.")
                                 .arg(place) +
                             detail,
                         Kind::Authentication);
    if (code == CURLE_COULDNT_RESOLVE_HOST)
        throw EMailError(Tr("Could not find the mail server %1: no such host name "
                            "is known. Check Host in %2.")
                                 .arg(m_host, place) +
                             detail,
                         Kind::Connection);
    if (refusal.isEmpty()) {
        if (code == CURLE_COULDNT_CONNECT || !m_connected)
            throw EMailError(Tr("Could not reach %1 on port %2. Check Host and Port "
                                "in %3.")
                                     .arg(m_host, port, place) +
                                 detail,
                             Kind::Connection);
        if (code == CURLE_OPERATION_TIMEDOUT || code == CURLE_SEND_ERROR ||
            code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING ||
            code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_FAILED_INIT)
            throw EMailError(Tr("The connection to %1 on port %2 was lost. Check "
                                "the network, and Host and Port in %3.")
                                     .arg(m_host, port, place) +
                                 detail,
                             Kind::Connection);
        throw EMailError(Tr("The message could not be sent through %1.").arg(m_host) + detail,
                         Kind::Other);
    }
    const bool permanent = refusal.startsWith(QLatin1Char('5'));
    if (!permanent)
        throw EMailError(Tr("The server %1 asks to try again later.").arg(m_host) + detail,
                         Kind::Transient);
    if (verb == "RCPT" || verb == "DATA")
        throw EMailError(Tr("The server refused the message to %1.").arg(to) + detail,
                         Kind::Recipient);
    if (verb == "MAIL")
        throw EMailError(Tr("The server refused the sender address. Check From in "
                            "%1.")
                                 .arg(place) +
                             detail,
                         Kind::Other);
    throw EMailError(Tr("The server %1 refused the connection.").arg(m_host) + detail, Kind::Other);
}

void TSMTPMail::Connect()
{
    ApplyCommonOptions();
    // A NOOP is the smallest transfer that makes the client connect, read the greeting, say
    // EHLO, start TLS and log in; the connection then stays in the handle for every Send.
    curl_easy_setopt(m_curl->handle, CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(m_curl->handle, CURLOPT_NOBODY, 0L);
    auto code = CURLcode(Perform());
    // A server that lists AUTH without LOGIN gets no credentials at all, as with kind 0.
    if (code == CURLE_LOGIN_DENIED && m_login && m_curl->refusal.isEmpty() &&
        !m_curl->ehloReply.isEmpty() && !m_curl->EhloListsLogin()) {
        m_login = false;
        ApplyCommonOptions();
        curl_easy_setopt(m_curl->handle, CURLOPT_CUSTOMREQUEST, "NOOP");
        code = CURLcode(Perform());
    }
    curl_easy_setopt(m_curl->handle, CURLOPT_CUSTOMREQUEST, nullptr);
    if (code != CURLE_OK)
        Fail(code, {});
    m_connected = true;
}

void TSMTPMail::Send(const QString& from, const QString& to, const QString& subject,
                     const QString& attachment, const QStringList& body,
                     const QString& attachmentName)
{
    // Nothing of a message whose address could split a command reaches the server.
    CheckMailAddress(to);
    const QStringList addresses = TMimeText::SplitAddresses(to);
    const TMimeText::TMailbox sender = TMimeText::ParseMailbox(from);
    if (HasMailControlCharacter(from))
        throw EMailError(Tr("The sender address contains a line break or another "
                            "control character. Check From in %1.")
                             .arg(QString::fromUtf8(SettingsPlace)));

    CURL* h = m_curl->handle;
    ApplyCommonOptions();
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);

    const QByteArray fromBytes = sender.address.toUtf8();
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, fromBytes.constData());
    TSlist recipients;
    for (const QString& address : addresses)
        recipients.Append(address.toUtf8());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.list);

    TSlist headers;
    headers.Append("Date: " + TMimeText::MessageDate(QDateTime::currentDateTime()));
    headers.Append("From: " + TMimeText::MailboxHeader(sender.name, sender.address));
    headers.Append("To: " + TMimeText::EncodeHeaderText(to));
    headers.Append("Subject: " + TMimeText::EncodeHeaderText(subject));
    headers.Append("Message-ID: " + TMimeText::NewMessageId(sender.address));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.list);

    TMime mime;
    mime.mime = curl_mime_init(h);
    QByteArray text;
    for (const QString& line : body)
        text += line.toUtf8() + "\r\n";
    curl_mimepart* part = curl_mime_addpart(mime.mime);
    curl_mime_data(part, text.constData(), size_t(text.size()));
    curl_mime_type(part, "text/plain; charset=UTF-8");
    curl_mime_encoder(part, "quoted-printable");

    const QFileInfo file(attachment);
    QByteArray path, name;
    if (!attachment.isEmpty() && file.isFile()) {
        path = QFile::encodeName(file.absoluteFilePath());
        name = HeaderSafeName(attachmentName.isEmpty() ? file.fileName() : attachmentName);
        part = curl_mime_addpart(mime.mime);
        if (curl_mime_filedata(part, path.constData()) != CURLE_OK)
            throw EMailError(Tr("Cannot read the attachment %1.").arg(attachment));
        curl_mime_filename(part, name.constData());
        curl_mime_type(part, file.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0
                                 ? "application/pdf"
                                 : "application/octet-stream");
        curl_mime_encoder(part, "base64");
    }
    curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.mime);

    const auto code = CURLcode(Perform());
    curl_easy_setopt(h, CURLOPT_MIMEPOST, nullptr);
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, nullptr);
    if (code != CURLE_OK)
        Fail(code, to);
    m_connected = true;
}
