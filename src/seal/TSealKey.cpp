#include "seal/TSealKey.h"

#include "db/TError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sodium.h>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSealKey", text);
}

const QByteArray kSecretWord = QByteArrayLiteral("CE1-ED25519-SECRET");
const QByteArray kPublicWord = QByteArrayLiteral("CE1-ED25519");

void InitSodium()
{
    if (sodium_init() < 0)
        throw TError(Tr("The signing library cannot start."));
}

// "WORD base64" on the first line; the key bytes, or empty when the file has another shape.
QByteArray KeyBytes(const QByteArray& content, const QByteArray& word)
{
    const QList<QByteArray> parts = content.trimmed().split(' ');
    if (parts.size() != 2 || parts.at(0) != word)
        return {};
    const auto decoded = QByteArray::fromBase64Encoding(parts.at(1),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != 32)
        return {};
    return decoded.decoded;
}

} // namespace

TSealKey TSealKey::FromSeed(const QByteArray& seed)
{
    TSealKey key;
    key.m_seed = seed;
    key.m_public.resize(crypto_sign_PUBLICKEYBYTES);
    key.m_secret.resize(crypto_sign_SECRETKEYBYTES);
    crypto_sign_seed_keypair(reinterpret_cast<unsigned char*>(key.m_public.data()),
                             reinterpret_cast<unsigned char*>(key.m_secret.data()),
                             reinterpret_cast<const unsigned char*>(seed.constData()));
    return key;
}

TSealKey TSealKey::Generate()
{
    InitSodium();
    QByteArray seed(32, '\0');
    randombytes_buf(seed.data(), size_t(seed.size()));
    return FromSeed(seed);
}

TSealKey TSealKey::LoadPrivate(const QString& path)
{
    InitSodium();
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (!QFileInfo::exists(path))
        throw TError(Tr("The office's signing key %1 is missing.").arg(shown));
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        throw TError(Tr("The office's signing key %1 cannot be read: %2")
                         .arg(shown, QString::fromLocal8Bit(std::strerror(errno))));
    if ((status.st_mode & 077) != 0)
        throw TError(Tr("The office's signing key %1 may be read or changed by other users "
                        "(mode %2); it is not used. Make it private with: chmod 600 %1")
                         .arg(shown)
                         .arg(status.st_mode & 0777, 4, 8, QLatin1Char('0')));
#endif
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TError(Tr("The office's signing key %1 cannot be read: %2")
                         .arg(shown, file.errorString()));
    const QByteArray seed = KeyBytes(file.read(4096), kSecretWord);
    if (seed.isEmpty())
        throw TError(Tr("The office's signing key %1 is damaged: it is not a key of this "
                        "program.")
                         .arg(shown));
    return FromSeed(seed);
}

QByteArray TSealKey::LoadPublic(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TError(Tr("The public key %1 cannot be read: %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString()));
    const QByteArray key = KeyBytes(file.read(4096), kPublicWord);
    if (key.isEmpty())
        throw TError(Tr("%1 is not a public key of this program.")
                         .arg(QDir::toNativeSeparators(path)));
    return key;
}

QString TSealKey::PublicText(const QByteArray& publicKey)
{
    QByteArray text = kPublicWord;
    text += ' ';
    text += publicKey.toBase64();
    text += '\n';
    return QString::fromLatin1(text);
}

void TSealKey::Save(const QString& folder) const
{
    const QString secretPath = QDir(folder).filePath(PrivateFileName());
    const QString shown = QDir::toNativeSeparators(QFileInfo(secretPath).absoluteFilePath());
    QByteArray secretText = kSecretWord;
    secretText += ' ';
    secretText += m_seed.toBase64();
    secretText += '\n';
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(secretPath).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            throw TError(Tr("%1 exists already; nothing was changed.").arg(shown));
        throw TError(Tr("%1 cannot be written: %2")
                         .arg(shown, QString::fromLocal8Bit(std::strerror(errno))));
    }
    const bool written = ::write(fd, secretText.constData(), size_t(secretText.size())) ==
                             secretText.size() &&
                         ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        QFile::remove(secretPath);
        throw TError(Tr("%1 cannot be written.").arg(shown));
    }
#else
    if (QFileInfo::exists(secretPath))
        throw TError(Tr("%1 exists already; nothing was changed.").arg(shown));
    QFile secret(secretPath);
    if (!secret.open(QIODevice::WriteOnly) || secret.write(secretText) != secretText.size())
        throw TError(Tr("%1 cannot be written: %2").arg(shown, secret.errorString()));
    secret.close();
    secret.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
#endif
    const QString publicPath = QDir(folder).filePath(PublicFileName());
    QFile pub(publicPath);
    const QByteArray publicText = PublicText(m_public).toLatin1();
    if (!pub.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        pub.write(publicText) != publicText.size())
        throw TError(Tr("%1 cannot be written: %2")
                         .arg(QDir::toNativeSeparators(publicPath), pub.errorString()));
}

QByteArray TSealKey::KeyIdOf(const QByteArray& publicKey)
{
    InitSodium();
    unsigned char hash[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(hash, reinterpret_cast<const unsigned char*>(publicKey.constData()),
                       size_t(publicKey.size()));
    return QByteArray(reinterpret_cast<const char*>(hash), 8);
}

QString TSealKey::FingerprintOf(const QByteArray& publicKey)
{
    InitSodium();
    unsigned char hash[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(hash, reinterpret_cast<const unsigned char*>(publicKey.constData()),
                       size_t(publicKey.size()));
    const QString hex =
        QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(hash), 16).toHex().toUpper());
    QStringList groups;
    for (int i = 0; i < hex.size(); i += 4)
        groups << hex.mid(i, 4);
    return groups.join(u' ');
}

QByteArray TSealKey::Sign(const QByteArray& message) const
{
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(message.constData()),
                         size_t(message.size()),
                         reinterpret_cast<const unsigned char*>(m_secret.constData()));
    return signature;
}
