#include "import/TDuplicateGuard.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"

#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <climits>

namespace {

size_t Hash(QStringView text, size_t seed)
{
    return qHash(text, seed);
}

size_t Hash(const QString& text, size_t seed)
{
    return qHash(QStringView(text), seed);
}

constexpr size_t kLastSeed = 1;
constexpr size_t kSoundexSeed = 2;
constexpr size_t kNameSeed = 3;
constexpr size_t kEmailSeed = 4;
constexpr size_t kSoundAlikeSeed = 5;
constexpr int kBucketLimit = 256;

bool FirstNamesClose(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return true;
    if (a == b)
        return true;
    // An initial stands for any name that begins with it ("J." and "Jane").
    if ((a.size() == 1 || b.size() == 1) && a.at(0) == b.at(0))
        return true;
    if (TDuplicateIndex::EditDistance(a, b, 1) <= 1)
        return true;
    return TDuplicateIndex::Soundex(a) == TDuplicateIndex::Soundex(b);
}

} // namespace

QString TDuplicateIndex::Fold(const QString& text)
{
    bool ascii = true;
    for (const QChar c : text)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    const QString decomposed = ascii ? text : text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    bool blank = false;
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        if (c.isSpace()) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += u' ';
        blank = false;
        out += c;
    }
    return ascii ? out.toLower() : out.toCaseFolded();
}

QString TDuplicateIndex::Soundex(const QString& folded)
{
    static const char codes[] = "01230120022455012623010202"; // a..z
    QString out;
    char last = 0;
    for (const QChar c : folded) {
        const char16_t u = c.unicode();
        if (u < u'a' || u > u'z')
            continue;
        const char code = codes[u - u'a'];
        if (out.isEmpty()) {
            out += QChar(u - u'a' + u'A');
            last = code;
            continue;
        }
        if (code != '0' && code != last)
            out += QLatin1Char(code);
        // h and w do not separate two equal codes; vowels do.
        if (u != u'h' && u != u'w')
            last = code;
        if (out.size() == 4)
            break;
    }
    if (out.isEmpty())
        return out;
    while (out.size() < 4)
        out += u'0';
    return out;
}

int TDuplicateIndex::EditDistance(const QString& a, const QString& b, int max)
{
    const qsizetype n = a.size(), m = b.size();
    if (std::abs(n - m) > max)
        return max + 1;
    // Names fit the rows on the stack; the check runs for every candidate of every row.
    constexpr qsizetype kOnStack = 64;
    int stack[2 * kOnStack];
    std::vector<int> heap;
    int* previous = stack;
    int* current = stack + kOnStack;
    if (m + 1 > kOnStack) {
        heap.resize(size_t(2 * (m + 1)));
        previous = heap.data();
        current = heap.data() + m + 1;
    }
    for (qsizetype j = 0; j <= m; ++j)
        previous[size_t(j)] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = int(i);
        int best = current[0];
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a.at(i - 1) == b.at(j - 1) ? 0 : 1;
            current[size_t(j)] = std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1,
                                           previous[size_t(j - 1)] + cost});
            best = std::min(best, current[size_t(j)]);
        }
        if (best > max)
            return max + 1;
        std::swap(previous, current);
    }
    return std::min(previous[size_t(m)], max + 1);
}

QString TDuplicateIndex::PhoneDigits(const QString& phone)
{
    QString digits;
    for (const QChar c : phone)
        if (c.isDigit())
            digits += c;
    return digits.size() > 10 ? digits.right(10) : digits;
}

QString TDuplicateIndex::ZipKey(const QString& zip)
{
    QString key;
    for (const QChar c : zip.trimmed())
        if (c.isLetterOrNumber())
            key += c.toUpper();
        else if (c == u'-' && key.size() == 5)
            break; // ZIP+4 compares by its five digits
    return key;
}

QString TDuplicateIndex::EmailDomain(const QString& email)
{
    const qsizetype at = email.lastIndexOf(u'@');
    return at < 0 ? QString() : email.mid(at + 1).trimmed().toLower();
}

TDuplicateIndex::TEntry TDuplicateIndex::Entry(const TPersonKeys& person, qint64 id)
{
    TEntry e;
    e.id = id;
    e.last = Fold(person.lastName);
    e.first = Fold(person.firstName);
    e.email = person.email.trimmed().toLower();
    e.phone = PhoneDigits(person.phone);
    e.zip = ZipKey(person.zip);
    e.city = Fold(person.city);
    e.domain = EmailDomain(e.email);
    e.soundex = Soundex(e.last);
    e.zipHash = e.zip.isEmpty() ? 0 : Hash(e.zip, kSoundAlikeSeed) | 1;
    e.cityHash = e.city.isEmpty() ? 0 : Hash(e.city, kSoundAlikeSeed) | 1;
    e.domainHash = e.domain.isEmpty() ? 0 : Hash(e.domain, kSoundAlikeSeed) | 1;
    return e;
}

std::vector<size_t> TDuplicateIndex::SpellingKeys(const QString& last)
{
    std::vector<size_t> keys;
    if (last.isEmpty())
        return keys;
    keys.reserve(size_t(last.size() + 1));
    keys.push_back(Hash(last, kLastSeed));
    // Two names one edit apart share a name with one letter left out.
    if (last.size() > 2) {
        QVarLengthArray<QChar, 64> shorter(last.size() - 1);
        for (qsizetype i = 0; i < last.size(); ++i) {
            std::copy(last.begin(), last.begin() + i, shorter.begin());
            std::copy(last.begin() + i + 1, last.end(), shorter.begin() + i);
            keys.push_back(Hash(QStringView(shorter.data(), shorter.size()), kLastSeed));
        }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

std::vector<size_t> TDuplicateIndex::SoundAlikeKeys(const TEntry& e)
{
    std::vector<size_t> keys;
    if (e.last.isEmpty())
        return keys;
    // With the first name's initial: sound-alike first names begin alike too.
    const QString soundex = e.soundex + e.first.left(1);
    if (!e.zip.isEmpty())
        keys.push_back(Hash(soundex + u"|z" + e.zip, kSoundAlikeSeed));
    if (!e.city.isEmpty())
        keys.push_back(Hash(soundex + u"|c" + e.city, kSoundAlikeSeed));
    if (!e.domain.isEmpty())
        keys.push_back(Hash(soundex + u"|d" + e.domain, kSoundAlikeSeed));
    return keys;
}

std::vector<int> TDuplicateIndex::Lookup(const std::vector<size_t>& keys,
                                         const std::function<bool(const TEntry&)>& keep) const
{
    std::vector<int> raw;
    for (const size_t key : keys)
        Lookup(key, raw);
    if (m_seen.size() < m_entries.size())
        m_seen.resize(m_entries.size(), 0);
    if (++m_lookups == 0) { // the numbers wrapped: old marks could match again
        std::fill(m_seen.begin(), m_seen.end(), 0);
        m_lookups = 1;
    }
    std::vector<int> found;
    for (const int entry : raw) {
        quint32& seen = m_seen[size_t(entry)];
        if (seen == m_lookups)
            continue;
        seen = m_lookups;
        if (!keep || keep(m_entries[size_t(entry)]))
            found.push_back(entry);
    }
    std::sort(found.begin(), found.end());
    return found;
}

void TDuplicateIndex::Insert(size_t key, int entry)
{
    if (m_loading)
        m_sorted.emplace_back(key, entry);
    else
        m_added[key].push_back(entry);
}

void TDuplicateIndex::Lookup(size_t key, std::vector<int>& found) const
{
    // A key that hundreds share (a common name at a large mail provider) says little; its
    // first people are checked, so one list cannot make the check quadratic.
    auto from = std::lower_bound(m_sorted.begin(), m_sorted.end(), std::make_pair(key, INT_MIN));
    int taken = 0;
    for (auto it = from; it != m_sorted.end() && it->first == key && taken < kBucketLimit;
         ++it, ++taken)
        found.push_back(it->second);
    const auto added = m_added.find(key);
    if (added != m_added.end())
        for (const int entry : added->second)
            if (taken++ < kBucketLimit)
                found.push_back(entry);
}

void TDuplicateIndex::LoadParticipants(TConnection& conn)
{
    TDataSet rows(conn, QStringLiteral("DuplicateIndex"));
    rows.SetSQL(QStringLiteral("select user_id, last_name, first_name, email, phone, zip, city "
                               "from participants"));
    rows.Open();
    const int count = rows.RecordCount();
    m_entries.reserve(m_entries.size() + size_t(count));
    m_sorted.reserve(m_sorted.size() + size_t(count) * 14);
    m_loading = true;
    for (int row = 0; row < count; ++row) {
        TPersonKeys person{rows.RowValue(row, 1).toString(), rows.RowValue(row, 2).toString(),
                           rows.RowValue(row, 3).toString(), rows.RowValue(row, 4).toString(),
                           rows.RowValue(row, 5).toString(), rows.RowValue(row, 6).toString()};
        Add(person, rows.RowValue(row, 0).toLongLong());
    }
    m_loading = false;
    std::sort(m_sorted.begin(), m_sorted.end());
}

void TDuplicateIndex::Add(const TPersonKeys& person, qint64 id)
{
    const int index = int(m_entries.size());
    m_entries.push_back(Entry(person, id));
    const TEntry& e = m_entries.back();
    if (!e.email.isEmpty())
        Insert(Hash(e.email, kEmailSeed), index);
    if (!e.last.isEmpty())
        Insert(Hash(e.last + u'|' + e.first, kNameSeed), index);
    for (const size_t key : SpellingKeys(e.last))
        Insert(key, index);
    for (const size_t key : SoundAlikeKeys(e))
        Insert(key, index);
    if (!e.soundex.isEmpty())
        Insert(Hash(e.soundex, kSoundexSeed), index);
}

bool TDuplicateIndex::IsSame(const TEntry& a, const TEntry& b) const
{
    if (!a.email.isEmpty() && a.email == b.email)
        return true;
    return !a.last.isEmpty() && a.last == b.last && a.first == b.first &&
           ((!a.phone.isEmpty() && a.phone == b.phone) || (!a.zip.isEmpty() && a.zip == b.zip));
}

bool TDuplicateIndex::IsPossible(const TEntry& a, const TEntry& b) const
{
    const bool shared = (a.zipHash != 0 && a.zipHash == b.zipHash && a.zip == b.zip) ||
                        (a.cityHash != 0 && a.cityHash == b.cityHash && a.city == b.city) ||
                        (a.domainHash != 0 && a.domainHash == b.domainHash &&
                         a.domain == b.domain);
    if (!shared || a.last.isEmpty() || b.last.isEmpty())
        return false;
    const bool lastClose = a.soundex == b.soundex || EditDistance(a.last, b.last, 2) <= 2;
    return lastClose && FirstNamesClose(a.first, b.first);
}

std::vector<int> TDuplicateIndex::SureCandidates(const TEntry& e) const
{
    std::vector<int> found;
    if (!e.email.isEmpty()) {
        Lookup(Hash(e.email, kEmailSeed), found);
    }
    if (!e.last.isEmpty()) {
        Lookup(Hash(e.last + u'|' + e.first, kNameSeed), found);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::erase_if(found, [&](int i) { return !IsSame(e, m_entries[size_t(i)]); });
    return found;
}

std::vector<int> TDuplicateIndex::CloseCandidates(const TEntry& e) const
{
    std::vector<size_t> keys = SpellingKeys(e.last);
    const std::vector<size_t> sounds = SoundAlikeKeys(e);
    keys.insert(keys.end(), sounds.begin(), sounds.end());
    return Lookup(keys, [&](const TEntry& other) { return IsPossible(e, other); });
}

TDuplicateIndex::TMatch TDuplicateIndex::Find(const TPersonKeys& person) const
{
    const TEntry e = Entry(person, 0);
    const std::vector<int> sure = SureCandidates(e);
    if (!sure.empty())
        return {TKind::Same, m_entries[size_t(sure.front())].id};
    const std::vector<int> close = CloseCandidates(e);
    if (!close.empty())
        return {TKind::Possible, m_entries[size_t(close.front())].id};
    return {};
}

QList<qint64> TDuplicateIndex::Candidates(const TPersonKeys& person, int limit) const
{
    const TEntry e = Entry(person, 0);
    QList<qint64> ids;
    for (const std::vector<int>& group : {SureCandidates(e), CloseCandidates(e)})
        for (const int i : group)
            if (ids.size() < limit && !ids.contains(m_entries[size_t(i)].id))
                ids << m_entries[size_t(i)].id;
    return ids;
}

QList<qint64> TDuplicateIndex::WalkInCandidates(const TPersonKeys& person, int limit) const
{
    QList<qint64> ids = Candidates(person, limit);
    const TEntry e = Entry(person, 0);
    if (e.last.size() < 2 || e.first.isEmpty())
        return ids;
    std::vector<size_t> keys = SpellingKeys(e.last);
    keys.push_back(Hash(e.soundex, kSoundexSeed));
    for (const int i : Lookup(keys)) {
        const TEntry& other = m_entries[size_t(i)];
        if (ids.size() >= limit)
            break;
        const bool firstClose = other.first.startsWith(e.first) ||
                                (e.first.size() > 2 && EditDistance(e.first, other.first, 1) <= 1);
        if (firstClose && !ids.contains(other.id))
            ids << other.id;
    }
    return ids;
}
