#include "seal/TSealCode.h"

#include "db/TError.h"
#include "seal/TSealKey.h"

#include <QCoreApplication>

#include <cbor.h>
#include <qrencode.h>
#include <sodium.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSealFormat", text);
}

const char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
constexpr qsizetype kMaxInflated = 1 << 20;
constexpr int kCoseSign1Tag = 18;
constexpr int kHeaderAlg = 1;
constexpr int kHeaderKid = 4;
constexpr int kAlgEdDSA = -8;

// Owns one libcbor item.
struct TItem {
    cbor_item_t* item = nullptr;
    explicit TItem(cbor_item_t* i = nullptr) : item(i) {}
    ~TItem()
    {
        if (item)
            cbor_decref(&item);
    }
    TItem(const TItem&) = delete;
    TItem& operator=(const TItem&) = delete;
};

cbor_item_t* Text(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return cbor_build_stringn(utf8.constData(), size_t(utf8.size()));
}

cbor_item_t* Bytes(const QByteArray& bytes)
{
    return cbor_build_bytestring(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                 size_t(bytes.size()));
}

cbor_item_t* Uint(quint32 value)
{
    return cbor_build_uint32(value);
}

void Add(cbor_item_t* map, cbor_item_t* key, cbor_item_t* value)
{
    cbor_map_add(map, cbor_pair{cbor_move(key), cbor_move(value)});
}

void Push(cbor_item_t* array, cbor_item_t* value)
{
    cbor_array_push(array, cbor_move(value));
}

QByteArray Serialize(const cbor_item_t* item)
{
    unsigned char* buffer = nullptr;
    size_t size = 0;
    const size_t length = cbor_serialize_alloc(item, &buffer, &size);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(length));
    std::free(buffer);
    if (length == 0)
        throw TError(Tr("The signed code cannot be encoded."));
    return bytes;
}

// A damaged code: anything in it that is not what the format says.
class EDamaged : public TError
{
public:
    using TError::TError;
};

cbor_item_t* Load(const QByteArray& bytes)
{
    cbor_load_result result{};
    cbor_item_t* item = cbor_load(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                  size_t(bytes.size()), &result);
    if (!item || result.error.code != CBOR_ERR_NONE) {
        if (item)
            cbor_decref(&item);
        throw EDamaged(Tr("it is not CBOR (error %1 at byte %2)").arg(int(result.error.code)).arg(qulonglong(result.error.position)));
    }
    if (result.read != size_t(bytes.size())) {
        cbor_decref(&item);
        throw EDamaged(Tr("bytes follow the signed message"));
    }
    return item;
}

QString TextOf(const cbor_item_t* item, const char* what)
{
    if (!cbor_isa_string(item) || !cbor_string_is_definite(item))
        throw EDamaged(Tr("%1 is not a text").arg(QLatin1String(what)));
    return QString::fromUtf8(reinterpret_cast<const char*>(cbor_string_handle(item)),
                             qsizetype(cbor_string_length(item)));
}

QByteArray BytesOf(const cbor_item_t* item, const char* what)
{
    if (!cbor_isa_bytestring(item) || !cbor_bytestring_is_definite(item))
        throw EDamaged(Tr("%1 is not a byte string").arg(QLatin1String(what)));
    return QByteArray(reinterpret_cast<const char*>(cbor_bytestring_handle(item)),
                      qsizetype(cbor_bytestring_length(item)));
}

qint64 IntOf(const cbor_item_t* item, const char* what)
{
    if (cbor_isa_uint(item))
        return qint64(cbor_get_int(item));
    if (cbor_isa_negint(item))
        return -1 - qint64(cbor_get_int(item));
    throw EDamaged(Tr("%1 is not a number").arg(QLatin1String(what)));
}

const cbor_item_t* const* ArrayOf(const cbor_item_t* item, size_t* size, const char* what)
{
    if (!cbor_isa_array(item) || !cbor_array_is_definite(item))
        throw EDamaged(Tr("%1 is not a list").arg(QLatin1String(what)));
    *size = cbor_array_size(item);
    return cbor_array_handle(item);
}

QStringList TextList(const cbor_item_t* item, const char* what)
{
    size_t size = 0;
    const cbor_item_t* const* items = ArrayOf(item, &size, what);
    QStringList texts;
    for (size_t i = 0; i < size; ++i)
        texts << TextOf(items[i], what);
    return texts;
}

QByteArray ProtectedHeader(const QByteArray& keyId)
{
    TItem map(cbor_new_definite_map(2));
    Add(map.item, cbor_build_uint8(kHeaderAlg), cbor_build_negint8(quint8(-1 - kAlgEdDSA)));
    Add(map.item, cbor_build_uint8(kHeaderKid), Bytes(keyId));
    return Serialize(map.item);
}

// The COSE Sig_structure of a Sign1 message without external data.
QByteArray ToBeSigned(const QByteArray& protectedHeader, const QByteArray& payload)
{
    TItem array(cbor_new_definite_array(4));
    Push(array.item, Text(QStringLiteral("Signature1")));
    Push(array.item, Bytes(protectedHeader));
    Push(array.item, Bytes(QByteArray()));
    Push(array.item, Bytes(payload));
    return Serialize(array.item);
}

QByteArray Deflate(const QByteArray& data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        throw TError(Tr("The signed code cannot be compressed."));
    out.resize(qsizetype(size));
    return out;
}

QByteArray Inflate(const QByteArray& data)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        throw EDamaged(Tr("zlib cannot start"));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    QByteArray out;
    char chunk[16384];
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(chunk, qsizetype(sizeof chunk - stream.avail_out));
        if (out.size() > kMaxInflated)
            result = Z_MEM_ERROR;
    }
    const bool complete = result == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!complete)
        throw EDamaged(Tr("it is not complete zlib data"));
    return out;
}

} // namespace

TSealRecord TSealRecord::Digested() const
{
    TSealRecord digested = *this;
    digested.lineCount = int(lines.size());
    digested.linesDigest = TSealFormat::Sha256(TSealFormat::CanonicalLines(lines));
    digested.lines.clear();
    return digested;
}

QByteArray TSealFormat::EncodeRecord(const TSealRecord& record)
{
    TItem map(cbor_new_definite_map((record.HasDigest() ? 8 : 7) + (record.dateFormat.isEmpty() ? 0 : 1)));
    Add(map.item, Text(QStringLiteral("v")), Uint(quint32(record.version)));
    Add(map.item, Text(QStringLiteral("i")), Text(record.issuer));
    Add(map.item, Text(QStringLiteral("n")), Text(record.name));
    Add(map.item, Text(QStringLiteral("p")), Text(record.period));
    Add(map.item, Text(QStringLiteral("d")), Text(record.issued));
    if (!record.dateFormat.isEmpty())
        Add(map.item, Text(QStringLiteral("df")), Text(record.dateFormat));
    if (record.HasDigest()) {
        Add(map.item, Text(QStringLiteral("ln")), Uint(quint32(record.lineCount)));
        Add(map.item, Text(QStringLiteral("lh")), Bytes(record.linesDigest));
    } else {
        cbor_item_t* lines = cbor_new_definite_array(size_t(record.lines.size()));
        for (const QStringList& line : record.lines) {
            cbor_item_t* fields = cbor_new_definite_array(size_t(line.size()));
            for (const QString& field : line)
                Push(fields, Text(field));
            Push(lines, fields);
        }
        Add(map.item, Text(QStringLiteral("c")), lines);
    }
    cbor_item_t* totals = cbor_new_definite_array(size_t(record.totals.size()));
    for (const auto& [credit, units] : record.totals) {
        cbor_item_t* pair = cbor_new_definite_array(2);
        Push(pair, Text(credit));
        Push(pair, Text(units));
        Push(totals, pair);
    }
    Add(map.item, Text(QStringLiteral("t")), totals);
    return Serialize(map.item);
}

TSealRecord TSealFormat::DecodeRecord(const QByteArray& cbor)
{
    TItem map(Load(cbor));
    if (!cbor_isa_map(map.item) || !cbor_map_is_definite(map.item))
        throw EDamaged(Tr("the record is not a map"));
    TSealRecord record;
    record.version = 0;
    bool hasLines = false;
    const cbor_pair* pairs = cbor_map_handle(map.item);
    for (size_t i = 0; i < cbor_map_size(map.item); ++i) {
        const QString key = TextOf(pairs[i].key, "a key of the record");
        const cbor_item_t* value = pairs[i].value;
        if (key == QLatin1String("v"))
            record.version = int(IntOf(value, "v"));
        else if (key == QLatin1String("i"))
            record.issuer = TextOf(value, "i");
        else if (key == QLatin1String("n"))
            record.name = TextOf(value, "n");
        else if (key == QLatin1String("p"))
            record.period = TextOf(value, "p");
        else if (key == QLatin1String("d"))
            record.issued = TextOf(value, "d");
        else if (key == QLatin1String("df"))
            record.dateFormat = TextOf(value, "df");
        else if (key == QLatin1String("ln"))
            record.lineCount = int(IntOf(value, "ln"));
        else if (key == QLatin1String("lh"))
            record.linesDigest = BytesOf(value, "lh");
        else if (key == QLatin1String("c")) {
            hasLines = true;
            size_t size = 0;
            const cbor_item_t* const* lines = ArrayOf(value, &size, "c");
            for (size_t l = 0; l < size; ++l)
                record.lines << TextList(lines[l], "a line");
        } else if (key == QLatin1String("t")) {
            size_t size = 0;
            const cbor_item_t* const* totals = ArrayOf(value, &size, "t");
            for (size_t t = 0; t < size; ++t) {
                const QStringList pair = TextList(totals[t], "a total");
                if (pair.size() != 2)
                    throw EDamaged(Tr("a total is not a pair"));
                record.totals.append({pair.at(0), pair.at(1)});
            }
        }
    }
    if (record.version != 1)
        throw EDamaged(Tr("the record has version %1, not 1").arg(record.version));
    if (hasLines == record.HasDigest() || (record.HasDigest() && record.linesDigest.size() != 32))
        throw EDamaged(Tr("the record holds neither its lines nor their digest"));
    return record;
}

QString TSealFormat::Sign(const TSealRecord& record, const TSealKey& key)
{
    const QByteArray payload = EncodeRecord(record);
    const QByteArray header = ProtectedHeader(key.KeyId());
    const QByteArray signature = key.Sign(ToBeSigned(header, payload));
    TItem array(cbor_new_definite_array(4));
    Push(array.item, Bytes(header));
    Push(array.item, cbor_new_definite_map(0));
    Push(array.item, Bytes(payload));
    Push(array.item, Bytes(signature));
    TItem tagged(cbor_build_tag(kCoseSign1Tag, array.item));
    return Prefix() + QString::fromLatin1(Base45Encode(Deflate(Serialize(tagged.item))));
}

TSealMatrix TSealFormat::Matrix(const QString& text)
{
    TSealMatrix matrix;
    const QByteArray bytes = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(bytes.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code)
        return matrix;
    matrix.version = code->version;
    matrix.width = code->width;
    matrix.dark.resize(size_t(code->width) * size_t(code->width));
    for (size_t i = 0; i < matrix.dark.size(); ++i)
        matrix.dark[i] = (code->data[i] & 1) != 0;
    return matrix;
}

TSealCode TSealFormat::Seal(const TSealRecord& record, const TSealKey& key)
{
    TSealCode code;
    code.text = Sign(record, key);
    code.matrix = Matrix(code.text);
    if (code.matrix.version == 0 || code.matrix.version > MaxVersion) {
        code.digest = true;
        code.text = Sign(record.Digested(), key);
        code.matrix = Matrix(code.text);
        if (code.matrix.version == 0 || code.matrix.version > MaxVersion)
            throw TError(Tr("The transcript of %1 cannot be signed: its code would be too "
                            "large to scan (the header's first line or the credit types are "
                            "very long).")
                             .arg(record.name));
    }
    return code;
}

TSealCheck TSealFormat::Check(const QString& givenText, const QByteArray& publicKey)
{
    TSealCheck check;
    try {
        const QString text = givenText.trimmed();
        if (!text.startsWith(Prefix(), Qt::CaseInsensitive))
            throw EDamaged(Tr("it does not begin with %1").arg(Prefix()));
        bool ok = false;
        const QByteArray compressed = Base45Decode(text.mid(Prefix().size()), &ok);
        if (!ok)
            throw EDamaged(Tr("it is not base45"));
        QByteArray cose = Inflate(compressed);
        // Debian's libcbor 0.8 refuses the one-byte tags 6 to 20 as unassigned, so the tag
        // of a Sign1 message (0xD2) is read here.
        const bool tagged = !cose.isEmpty() && quint8(cose.at(0)) == 0xC0 + kCoseSign1Tag;
        if (tagged)
            cose.remove(0, 1);
        TItem message(Load(cose));
        const cbor_item_t* array = message.item;
        TItem inner;
        if (!tagged && cbor_isa_tag(array)) {
            if (cbor_tag_value(array) != kCoseSign1Tag)
                throw EDamaged(Tr("it is not a COSE_Sign1 message"));
            inner.item = cbor_tag_item(array);
            array = inner.item;
        }
        size_t size = 0;
        const cbor_item_t* const* parts = ArrayOf(array, &size, "the message");
        if (size != 4)
            throw EDamaged(Tr("it is not a COSE_Sign1 message"));
        const QByteArray header = BytesOf(parts[0], "the protected header");
        const QByteArray payload = BytesOf(parts[2], "the payload");
        const QByteArray signature = BytesOf(parts[3], "the signature");
        {
            TItem headerMap(Load(header));
            if (!cbor_isa_map(headerMap.item))
                throw EDamaged(Tr("the protected header is not a map"));
            qint64 alg = 0;
            const cbor_pair* pairs = cbor_map_handle(headerMap.item);
            for (size_t i = 0; i < cbor_map_size(headerMap.item); ++i) {
                if (!cbor_isa_uint(pairs[i].key) && !cbor_isa_negint(pairs[i].key))
                    continue;
                const qint64 label = IntOf(pairs[i].key, "a header label");
                if (label == kHeaderAlg)
                    alg = IntOf(pairs[i].value, "alg");
                else if (label == kHeaderKid)
                    check.keyId = BytesOf(pairs[i].value, "kid");
            }
            if (alg != kAlgEdDSA)
                throw EDamaged(Tr("it is not signed with EdDSA"));
        }
        if (signature.size() != crypto_sign_BYTES)
            throw EDamaged(Tr("the signature has %1 bytes, not 64").arg(signature.size()));
        check.record = DecodeRecord(payload);
        const QByteArray tbs = ToBeSigned(header, payload);
        if (sodium_init() < 0 || publicKey.size() != crypto_sign_PUBLICKEYBYTES)
            throw TError(Tr("The public key cannot be used."));
        const bool signedByKey =
            crypto_sign_verify_detached(
                reinterpret_cast<const unsigned char*>(signature.constData()),
                reinterpret_cast<const unsigned char*>(tbs.constData()), size_t(tbs.size()),
                reinterpret_cast<const unsigned char*>(publicKey.constData())) == 0;
        if (signedByKey) {
            check.status = TSealCheck::Valid;
        } else if (check.keyId != TSealKey::KeyIdOf(publicKey)) {
            check.status = TSealCheck::OtherKey;
            check.reason = Tr("it was signed with another key (key id %1; this public key "
                              "has %2)")
                               .arg(QString::fromLatin1(check.keyId.toHex().toUpper()),
                                    QString::fromLatin1(
                                        TSealKey::KeyIdOf(publicKey).toHex().toUpper()));
        } else {
            check.status = TSealCheck::Changed;
            check.reason = Tr("the record was changed after it was signed (the signature "
                              "does not match it)");
        }
    } catch (const EDamaged& e) {
        check.status = TSealCheck::Damaged;
        check.reason = Tr("the code is damaged: %1").arg(e.Message());
    }
    return check;
}

QByteArray TSealFormat::Base45Encode(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size() / 2 * 3 + 2);
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        int n = quint8(data[i]) * 256 + quint8(data[i + 1]);
        out += kAlphabet[n % 45];
        n /= 45;
        out += kAlphabet[n % 45];
        out += kAlphabet[n / 45];
    }
    if (data.size() % 2 == 1) {
        const int n = quint8(data[data.size() - 1]);
        out += kAlphabet[n % 45];
        out += kAlphabet[n / 45];
    }
    return out;
}

QByteArray TSealFormat::Base45Decode(const QString& text, bool* ok)
{
    *ok = false;
    QList<int> values;
    for (const QChar c : text) {
        const char* found = c.unicode() < 128 && c.unicode() != 0
                                ? std::strchr(kAlphabet, char(c.unicode()))
                                : nullptr;
        if (!found)
            return {};
        values << int(found - kAlphabet);
    }
    QByteArray out;
    qsizetype i = 0;
    for (; i + 2 < values.size(); i += 3) {
        const int n = values[i] + values[i + 1] * 45 + values[i + 2] * 2025;
        if (n > 0xFFFF)
            return {};
        out += char(n >> 8);
        out += char(n & 0xFF);
    }
    if (values.size() - i == 2) {
        const int n = values[i] + values[i + 1] * 45;
        if (n > 0xFF)
            return {};
        out += char(n);
    } else if (values.size() - i == 1) {
        return {};
    }
    *ok = true;
    return out;
}
