#include "TSMTPMail.h"

#include "TMimeText.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <curl/curl.h>

#include <memory>

namespace
{

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

// The easy handle with what the server said: the reply to the last command, and the lines of
// the last EHLO reply (its capabilities). Commands are never stored: AUTH lines carry the
// credentials.
struct TSMTPMail::TCurl {
    CURL* handle = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};

    // Cleaning up the handle closes its connection, saying QUIT when it is still open.
    ~TCurl() { curl_easy_cleanup(handle); }
    QList<QByteArray> reply;
    QList<QByteArray> ehloReply;
    QList<QByteArray> refusal; // the last 4xx or 5xx reply of the current transfer
    bool commandWasEhlo = false;
    bool replyStarted = false;

    static int Debug(CURL*, curl_infotype type, char* data, size_t size, void* self)
    {
        auto* curl = static_cast<TCurl*>(self);
        if (type == CURLINFO_HEADER_OUT) {
            curl->commandWasEhlo = size >= 4 && qstrnicmp(data, "EHLO", 4) == 0;
            curl->replyStarted = false;
        } else if (type == CURLINFO_HEADER_IN) {
            if (!curl->replyStarted) {
                curl->reply.clear();
                curl->replyStarted = true;
            }
            const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
            curl->reply << line;
            if (line.size() >= 3 && (line.at(0) == '4' || line.at(0) == '5'))
                curl->refusal = curl->reply;
            if (curl->commandWasEhlo) {
                if (curl->reply.size() == 1)
                    curl->ehloReply.clear();
                curl->ehloReply << line;
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

TSMTPMail::TSMTPMail(const QString& host, const QString& port, const QString& authType,
                     const QString& userName, const QString& password)
    : m_host(host)
{
    InitCurlOnce();
    auto curl = std::make_unique<TCurl>();
    curl->handle = curl_easy_init();
    if (!curl->handle)
        throw EMailError(QStringLiteral("The SMTP client could not be created."));
    m_port = MailSettingToInt(port);
    const int kind = MailSettingToInt(authType);
    if (kind == 1) {
        m_login = true;
        m_userName = userName.toUtf8();
        m_password = password.toUtf8();
    }
    m_curl = std::move(curl);

    QString urlHost = host.trimmed();
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
    curl_easy_setopt(h, CURLOPT_USE_SSL, long(m_port == 465 ? CURLUSESSL_ALL : CURLUSESSL_TRY));
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

// Runs one transfer; a failure throws the server's refusal (4xx or 5xx reply) when there is
// one, else the client's own message (no connection, certificate, time-out).
void TSMTPMail::Perform(const char* step)
{
    m_curl->errorText[0] = '\0';
    m_curl->reply.clear();
    m_curl->refusal.clear();
    m_curl->replyStarted = false;
    const CURLcode code = curl_easy_perform(m_curl->handle);
    if (code == CURLE_OK)
        return;
    QString message;
    if (!m_curl->refusal.isEmpty())
        message = m_curl->RefusalText();
    else if (m_curl->errorText[0])
        message = QString::fromUtf8(m_curl->errorText);
    else
        message = QString::fromUtf8(curl_easy_strerror(code));
    throw EMailError(QStringLiteral("SMTP %1 failed: %2").arg(QLatin1String(step), message));
}

void TSMTPMail::Connect()
{
    ApplyCommonOptions();
    // A NOOP is the smallest transfer that makes the client connect, read the greeting, say
    // EHLO, start TLS and log in; the connection then stays in the handle for every Send.
    curl_easy_setopt(m_curl->handle, CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(m_curl->handle, CURLOPT_NOBODY, 0L);
    try {
        Perform("connect");
    } catch (const EMailError&) {
        // A server that lists AUTH without LOGIN gets no credentials at all, as with kind 0.
        if (!m_login || !m_curl->refusal.isEmpty() || m_curl->ehloReply.isEmpty() ||
            m_curl->EhloListsLogin())
            throw;
        m_login = false;
        ApplyCommonOptions();
        curl_easy_setopt(m_curl->handle, CURLOPT_CUSTOMREQUEST, "NOOP");
        Perform("connect");
    }
    curl_easy_setopt(m_curl->handle, CURLOPT_CUSTOMREQUEST, nullptr);
}

void TSMTPMail::Send(const QString& from, const QString& to, const QString& subject,
                     const QString& attachment, const QStringList& body,
                     const QString& attachmentName)
{
    CURL* h = m_curl->handle;
    ApplyCommonOptions();
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);

    const QByteArray fromBytes = from.toUtf8();
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, fromBytes.constData());
    TSlist recipients;
    for (const QString& address : TMimeText::SplitAddresses(to))
        recipients.Append(address.toUtf8());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.list);

    TSlist headers;
    headers.Append("Date: " + TMimeText::MessageDate(QDateTime::currentDateTime()));
    headers.Append("From: " + fromBytes);
    headers.Append("To: " + TMimeText::EncodeHeaderText(to));
    headers.Append("Subject: " + TMimeText::EncodeHeaderText(subject));
    headers.Append("Message-ID: " + TMimeText::NewMessageId(from));
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
        name = (attachmentName.isEmpty() ? file.fileName() : attachmentName).toUtf8();
        part = curl_mime_addpart(mime.mime);
        if (curl_mime_filedata(part, path.constData()) != CURLE_OK)
            throw EMailError(QStringLiteral("Cannot read the attachment %1.").arg(attachment));
        curl_mime_filename(part, name.constData());
        curl_mime_type(part, file.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0
                                 ? "application/pdf"
                                 : "application/octet-stream");
        curl_mime_encoder(part, "base64");
    }
    curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.mime);

    auto reset = [h] {
        curl_easy_setopt(h, CURLOPT_MIMEPOST, nullptr);
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, nullptr);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
        curl_easy_setopt(h, CURLOPT_MAIL_FROM, nullptr);
    };
    try {
        Perform("send");
    } catch (...) {
        reset();
        throw;
    }
    reset();
}
