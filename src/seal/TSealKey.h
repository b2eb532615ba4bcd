#pragma once

#include <QByteArray>
#include <QString>

// The office's Ed25519 key pair. The private key lives in "office.key" beside the database
// (mode 0600, read only by its owner); the public key in "office.pub", which the office gives to
// whoever checks its transcripts. Both are one line of text: a type word and the key in base64.
class TSealKey
{
public:
    static QString PrivateFileName() { return QStringLiteral("office.key"); }
    static QString PublicFileName() { return QStringLiteral("office.pub"); }

    // A new random pair.
    static TSealKey Generate();
    // Reads office.key (path: the file). Throws TError when it is missing, unreadable, damaged,
    // or when others than its owner may read or write it.
    static TSealKey LoadPrivate(const QString& path);
    // Reads a public key file; throws TError when it is missing or damaged. 32 bytes.
    static QByteArray LoadPublic(const QString& path);
    // Writes office.key (0600, never replacing an existing one) and office.pub into folder.
    // Throws TError naming the file on failure, and when office.key exists already.
    void Save(const QString& folder) const;

    const QByteArray& PublicKey() const { return m_public; }
    // The first 8 bytes of the public key's SHA-256: names the key inside each code.
    QByteArray KeyId() const { return KeyIdOf(m_public); }
    static QByteArray KeyIdOf(const QByteArray& publicKey);
    // The first 16 bytes of the public key's SHA-256 as hex in groups of four, for people.
    QString Fingerprint() const { return FingerprintOf(m_public); }
    static QString FingerprintOf(const QByteArray& publicKey);
    // The 64-byte Ed25519 signature of message.
    QByteArray Sign(const QByteArray& message) const;

    static QString PublicText(const QByteArray& publicKey);

private:
    // The key pair of a 32-byte seed.
    static TSealKey FromSeed(const QByteArray& seed);

    QByteArray m_seed;   // 32 bytes
    QByteArray m_public; // 32 bytes
    QByteArray m_secret; // 64 bytes, libsodium's form
};
