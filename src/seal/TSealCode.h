#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <vector>

class TSealKey;

// The content of one signed transcript, as its page shows it. docs/VERIFY.md describes the
// encoding: a CBOR map with the short keys named below.
struct TSealRecord {
    int version = 1;                           // "v"
    QString issuer;                            // "i": the first header line
    QString name;                              // "n": the participant's full name
    QString period;                            // "p"
    QString issued;                            // "d": the issue date, yyyy-mm-dd
    QString dateFormat;                        // "df": the pattern of the lines' dates
    QList<QStringList> lines;                  // "c": date, title, units, credit types, info
    QList<QPair<QString, QString>> totals;     // "t": credit type and its units
    int lineCount = -1;                        // "ln": only when the lines are a digest
    QByteArray linesDigest;                    // "lh": SHA-256 of the canonical lines

    bool HasDigest() const { return !linesDigest.isEmpty(); }
    // The same record with its lines replaced by their number and digest.
    TSealRecord Digested() const;
    bool operator==(const TSealRecord&) const = default;
};

// The QR code's modules, row by row (true: dark), without the quiet zone.
struct TSealMatrix {
    int version = 0;
    int width = 0;
    std::vector<bool> dark;
    bool Dark(int x, int y) const { return dark[size_t(y) * size_t(width) + size_t(x)]; }
};

// A signed code, ready to print.
struct TSealCode {
    QString text; // "CE1:..."
    TSealMatrix matrix;
    bool digest = false; // the lines went in as a digest
};

// The outcome of checking a code against a public key.
struct TSealCheck {
    enum TStatus { Valid, Damaged, OtherKey, Changed, LinesChanged };
    TStatus status = Damaged;
    QString reason; // why it is not valid
    TSealRecord record;
    QByteArray keyId;
    bool Ok() const { return status == Valid; }
};

namespace TSealFormat
{
inline constexpr int MaxVersion = 25;
inline QString Prefix() { return QStringLiteral("CE1:"); }

QByteArray EncodeRecord(const TSealRecord& record);
// Throws TError when the bytes are not a record.
TSealRecord DecodeRecord(const QByteArray& cbor);

// The record signed as COSE_Sign1 (EdDSA), compressed, base45 with the prefix.
QString Sign(const TSealRecord& record, const TSealKey& key);
// Signs the record with its lines, or with their digest when the code would need a QR
// version above MaxVersion; throws TError when even that does not fit.
TSealCode Seal(const TSealRecord& record, const TSealKey& key);
// The QR code of a text (error correction M); version 0 when it cannot be made.
TSealMatrix Matrix(const QString& text);

// Decodes text and checks its signature with publicKey (32 bytes). Blanks and line breaks
// around the text are ignored; a lower-case prefix too.
TSealCheck Check(const QString& text, const QByteArray& publicKey);

// The canonical form of lines: per line its date, its title, its units, and its credit types
// with its information, each with all white space left out (a page breaks a long word
// anywhere), separated by U+001F; each line followed by a line feed; NFC, UTF-8.
QByteArray CanonicalLines(const QList<QStringList>& lines);
QByteArray Sha256(const QByteArray& data);
// Whether pageText (the text of the transcript's pages in raw order, pages separated by form
// feeds) holds count lines, their dates written with dateFormat, whose canonical form has
// the digest. Page footers, headings repeated on a new page and a line cut by a page break
// are taken into account.
bool PageTextMatches(const QString& pageText, int count, const QByteArray& digest,
                     const QString& dateFormat);

QByteArray Base45Encode(const QByteArray& data);
// Empty with ok false when text holds a character outside the alphabet or a bad group.
QByteArray Base45Decode(const QString& text, bool* ok);
} // namespace TSealFormat
