#include "import/TDuplicateGuard.h"

#include <algorithm>

namespace {

// A 64-bit FNV-1a hash over UTF-16 units with a final mix. Unlike qHash it is the same in every
// build and run, which the kept index needs. It is never 0: 0 stands for an empty text.
class TKeyHash
{
public:
    explicit TKeyHash(quint64 seed) : m_h(0xcbf29ce484222325ULL ^ (seed * 0x9e3779b97f4a7c15ULL)) {}
    TKeyHash& Add(char16_t c)
    {
        m_h = (m_h ^ c) * 0x100000001b3ULL;
        return *this;
    }
    TKeyHash& Add(QStringView text)
    {
        for (const QChar c : text)
            Add(c.unicode());
        return *this;
    }
    TKeyHash& AddWord(quint64 value)
    {
        for (int i = 0; i < 4; ++i)
            Add(char16_t(value >> (16 * i)));
        return *this;
    }
    quint64 Value() const
    {
        quint64 x = m_h;
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
        return (x ^ (x >> 31)) | 1;
    }

private:
    quint64 m_h;
};

// Each kind of key and compared field hashes with its own seed.
enum : quint64 {
    kLastSeed = 1,
    kSoundexSeed,
    kNameSeed,
    kEmailSeed,
    kSoundAlikeSeed,
    kEmailField,
    kPhoneField,
    kZipField,
    kCityField,
    kDomainField
};
constexpr int kBucketLimit = 256;

quint64 FieldHash(const QString& text, quint64 seed)
{
    return text.isEmpty() ? 0 : TKeyHash(seed).Add(text).Value();
}


quint32 SoundexCode(QStringView folded)
{
    static const char codes[] = "01230120022455012623010202"; // a..z
    char out[4] = {0, '0', '0', '0'};
    int size = 0;
    char last = 0;
    for (const QChar c : folded) {
        const char16_t u = c.unicode();
        if (u < u'a' || u > u'z')
            continue;
        const char code = codes[u - u'a'];
        if (size == 0) {
            out[size++] = char(u - u'a' + 'A');
            last = code;
            continue;
        }
        if (code != '0' && code != last)
            out[size++] = code;
        // h and w do not separate two equal codes; vowels do.
        if (u != u'h' && u != u'w')
            last = code;
        if (size == 4)
            break;
    }
    if (size == 0)
        return 0;
    return quint32(quint8(out[0])) << 24 | quint32(quint8(out[1])) << 16 |
           quint32(quint8(out[2])) << 8 | quint32(quint8(out[3]));
}

bool FirstNamesClose(QStringView a, quint32 aSoundex, QStringView b, quint32 bSoundex)
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
    return aSoundex == bSoundex;
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
    const quint32 code = SoundexCode(folded);
    if (code == 0)
        return {};
    const char letters[4] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
    return QString::fromLatin1(letters, 4);
}

int TDuplicateIndex::EditDistance(QStringView a, QStringView b, int max)
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

TDuplicateIndex::TProbe TDuplicateIndex::Probe(const TPersonKeys& person, qint64 id)
{
    TProbe p;
    p.last = Fold(person.lastName).left(0xffff);
    p.first = Fold(person.firstName).left(0xffff);
    const QString email = person.email.trimmed().toLower();
    TEntry& e = p.e;
    e.id = id;
    e.lastSize = quint16(p.last.size());
    e.firstSize = quint16(p.first.size());
    e.email = FieldHash(email, kEmailField);
    e.phone = FieldHash(PhoneDigits(person.phone), kPhoneField);
    e.zip = FieldHash(ZipKey(person.zip), kZipField);
    e.city = FieldHash(Fold(person.city), kCityField);
    e.domain = FieldHash(EmailDomain(email), kDomainField);
    e.soundex = SoundexCode(p.last);
    e.firstSoundex = SoundexCode(p.first);
    return p;
}

int TDuplicateIndex::Append(const TProbe& p, std::vector<std::pair<quint64, quint32>>* sortedKeys)
{
    const int index = int(m_entries.size());
    TEntry e = p.e;
    e.nameAt = quint32(m_names.size());
    m_names.insert(m_names.end(), p.last.utf16(), p.last.utf16() + p.last.size());
    m_names.insert(m_names.end(), p.first.utf16(), p.first.utf16() + p.first.size());
    m_entries.push_back(e);
    m_marks.push_back(Mark(e));
    if (e.id != 0)
        ++m_live;
    thread_local std::vector<quint64> keys;
    Keys(e, p.last, p.first, keys);
    for (const quint64 key : keys)
        if (sortedKeys)
            sortedKeys->emplace_back(key, quint32(index));
        else
            AddKey(key, index);
    return index;
}

QStringView TDuplicateIndex::Last(const TEntry& e) const
{
    return QStringView(m_names.data() + e.nameAt, e.lastSize);
}

QStringView TDuplicateIndex::First(const TEntry& e) const
{
    return QStringView(m_names.data() + e.nameAt + e.lastSize, e.firstSize);
}

quint64 TDuplicateIndex::EmailKey(const TEntry& e)
{
    return TKeyHash(kEmailSeed).AddWord(e.email).Value();
}

quint64 TDuplicateIndex::NameKey(QStringView last, QStringView first)
{
    return TKeyHash(kNameSeed).Add(last).Add(u'|').Add(first).Value();
}

void TDuplicateIndex::SpellingKeys(QStringView last, char16_t initial, std::vector<quint64>& out)
{
    if (last.isEmpty())
        return;
    const size_t from = out.size();
    out.push_back(TKeyHash(kLastSeed).Add(initial).Add(last).Value());
    // Two names one edit apart share a name with one letter left out.
    if (last.size() > 2)
        for (qsizetype i = 0; i < last.size(); ++i)
            out.push_back(
                TKeyHash(kLastSeed).Add(initial).Add(last.first(i)).Add(last.sliced(i + 1)).Value());
    std::sort(out.begin() + qsizetype(from), out.end());
    out.erase(std::unique(out.begin() + qsizetype(from), out.end()), out.end());
}

void TDuplicateIndex::AllSpellingKeys(QStringView last, QStringView first,
                                      std::vector<quint64>& out)
{
    // Spellings are kept and looked for under the class of the first name's initial; a first
    // name is close to one that begins alike or to none, so a person without one is kept and
    // looked for under every class of a Latin initial.
    if (!first.isEmpty()) {
        SpellingKeys(last, Initial(first), out);
        return;
    }
    for (char16_t initial = u'0'; initial <= u'6'; ++initial)
        SpellingKeys(last, initial, out);
}

char16_t TDuplicateIndex::Initial(QStringView first)
{
    // Letters that sound alike at the start of a name share a class ("Cathy" and "Kathy",
    // "Jeff" and "Geoff"): their Soundex digit, "0" for vowels, h, w and y.
    if (first.isEmpty())
        return u'\0';
    const char16_t c = first.at(0).unicode();
    static const char codes[] = "01230120022455012623010202"; // a..z
    return c >= u'a' && c <= u'z' ? char16_t(codes[c - u'a']) : c;
}

void TDuplicateIndex::SoundAlikeKeys(const TEntry& e, QStringView first, std::vector<quint64>& out)
{
    // A sound-alike is a possible duplicate only with the ZIP, the city or the e-mail domain
    // shared; with the class of the first name's initial, as close first names begin alike.
    if (e.soundex == 0)
        return;
    const char16_t initial = Initial(first);
    for (const auto& [shared, tag] : {std::pair{e.zip, u'z'}, {e.city, u'c'}, {e.domain, u'd'}})
        if (shared != 0)
            out.push_back(TKeyHash(kSoundAlikeSeed)
                              .AddWord(e.soundex)
                              .Add(initial)
                              .Add(tag)
                              .AddWord(shared)
                              .Value());
}

quint64 TDuplicateIndex::SoundexKey(const TEntry& e)
{
    return TKeyHash(kSoundexSeed).AddWord(e.soundex).Value();
}

void TDuplicateIndex::Keys(const TEntry& e, QStringView last, QStringView first,
                           std::vector<quint64>& out)
{
    out.clear();
    if (e.email != 0)
        out.push_back(EmailKey(e));
    if (!last.isEmpty())
        out.push_back(NameKey(last, first));
    AllSpellingKeys(last, first, out);
    SoundAlikeKeys(e, first, out);
    if (e.soundex != 0)
        out.push_back(SoundexKey(e));
}

void TDuplicateIndex::BuildDirectory()
{
    // About four keys to a place: the directory stays small enough for the cache, and a
    // key's run is found within a line or two of the keys.
    int bits = 1;
    while (bits < 22 && (size_t(4) << bits) <= m_keys.size())
        ++bits;
    m_directoryShift = 32 - bits;
    m_directory.resize((size_t(1) << bits) + 1);
    size_t top = 0;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        const size_t keyTop = size_t(m_keys[i] >> m_directoryShift);
        while (top <= keyTop)
            m_directory[top++] = quint32(i);
    }
    while (top < m_directory.size())
        m_directory[top++] = quint32(m_keys.size());
}

void TDuplicateIndex::AddKey(quint64 key, int entry)
{
    if ((m_slotsUsed + 1) * 2 > m_slots.size()) {
        std::vector<TSlot> old(std::max<size_t>(1024, m_slots.size() * 2));
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const TSlot& slot : old)
            if (slot.key != 0) {
                size_t i = slot.key & mask;
                while (m_slots[i].key != 0)
                    i = (i + 1) & mask;
                m_slots[i] = slot;
            }
    }
    const size_t mask = m_slots.size() - 1;
    size_t i = key & mask;
    while (m_slots[i].key != 0 && m_slots[i].key != key)
        i = (i + 1) & mask;
    TSlot& slot = m_slots[i];
    const int link = int(m_links.size());
    m_links.push_back({entry, -1});
    if (slot.key == 0) {
        slot.key = key;
        slot.head = link;
        ++m_slotsUsed;
    } else {
        m_links[size_t(slot.tail)].next = link;
    }
    slot.tail = link;
}

quint32 TDuplicateIndex::Mark(const TEntry& e)
{
    quint32 mark = 0;
    for (const quint64 shared : {e.zip, e.city, e.domain})
        if (shared != 0)
            mark |= quint32(1) << (shared >> 59);
    return mark;
}

template <typename TVisit>
bool TDuplicateIndex::Visit(quint64 key, quint32 mask, bool keptPart, TVisit visit) const
{
    // A key that hundreds share (a common name at a large mail provider) says little; its
    // first people are checked, so one list cannot make the check quadratic. With a mask, only
    // people whose mark shares a bit with it are visited (and counted): a possible duplicate
    // shares the ZIP, the city or the e-mail domain.
    int taken = 0;
    auto take = [&](quint32 entry) {
        if (mask != 0 && (m_marks[entry] & mask) == 0)
            return false;
        ++taken;
        return bool(visit(entry));
    };
    if (keptPart && !m_keys.empty()) {
        const quint32 held = quint32(key >> 32);
        for (size_t i = m_directory[held >> m_directoryShift];
             i < m_keys.size() && m_keys[i] <= held && taken < kBucketLimit; ++i)
            if (m_keys[i] == held && take(m_keyEntries[i]))
                return true;
    }
    if (m_slots.empty())
        return false;
    const size_t slotMask = m_slots.size() - 1;
    size_t i = key & slotMask;
    while (m_slots[i].key != 0 && m_slots[i].key != key)
        i = (i + 1) & slotMask;
    for (int link = m_slots[i].key == key ? m_slots[i].head : -1; link >= 0 && taken < kBucketLimit;
         link = m_links[size_t(link)].next)
        if (take(quint32(m_links[size_t(link)].entry)))
            return true;
    return false;
}

void TDuplicateIndex::Prefetch(const std::vector<quint64>& keys) const
{
    // The keys of one person lie far apart in arrays larger than the cache: asking for all of
    // their places first lets the memory fetch them side by side rather than one by one.
    if (!m_keys.empty()) {
        for (const quint64 key : keys)
            __builtin_prefetch(&m_directory[quint32(key >> 32) >> m_directoryShift]);
        for (const quint64 key : keys) {
            const size_t at = m_directory[quint32(key >> 32) >> m_directoryShift];
            __builtin_prefetch(m_keys.data() + at);
            __builtin_prefetch(m_keyEntries.data() + at);
        }
    }
    if (!m_slots.empty())
        for (const quint64 key : keys)
            __builtin_prefetch(&m_slots[key & (m_slots.size() - 1)]);
}

quint32 TDuplicateIndex::NextLookup() const
{
    if (m_seen.size() < m_entries.size())
        m_seen.resize(m_entries.size(), 0);
    if (++m_lookups == 0) { // the numbers wrapped: old marks could match again
        std::fill(m_seen.begin(), m_seen.end(), 0);
        m_lookups = 1;
    }
    return m_lookups;
}

template <typename TKeepFn>
std::vector<int> TDuplicateIndex::Lookup(const std::vector<quint64>& keys, quint32 mask,
                                         TKeepFn keep) const
{
    const quint32 stamp = NextLookup();
    Prefetch(keys);
    std::vector<int> found;
    for (const quint64 key : keys)
        Visit(key, mask, true, [&](quint32 entry) {
            quint32& seen = m_seen[entry];
            if (seen != stamp) {
                seen = stamp;
                const TEntry& e = m_entries[entry];
                if (e.id != 0 && keep(e))
                    found.push_back(int(entry));
            }
            return false;
        });
    std::sort(found.begin(), found.end());
    return found;
}

bool TDuplicateIndex::IsSame(const TEntry& a, QStringView aLast, QStringView aFirst,
                             const TEntry& b) const
{
    if (a.email != 0 && a.email == b.email)
        return true;
    return !aLast.isEmpty() && aLast == Last(b) && aFirst == First(b) &&
           ((a.phone != 0 && a.phone == b.phone) || (a.zip != 0 && a.zip == b.zip));
}

bool TDuplicateIndex::IsPossible(const TEntry& a, QStringView aLast, QStringView aFirst,
                                 const TEntry& b) const
{
    const bool shared = (a.zip != 0 && a.zip == b.zip) || (a.city != 0 && a.city == b.city) ||
                        (a.domain != 0 && a.domain == b.domain);
    if (!shared || aLast.isEmpty() || b.lastSize == 0)
        return false;
    const bool lastClose = (a.soundex != 0 && a.soundex == b.soundex) ||
                           EditDistance(aLast, Last(b), 2) <= 2;
    return lastClose && FirstNamesClose(aFirst, a.firstSoundex, First(b), b.firstSoundex);
}

std::vector<int> TDuplicateIndex::SureCandidates(const TEntry& e, QStringView last,
                                                 QStringView first) const
{
    std::vector<quint64> keys;
    if (e.email != 0)
        keys.push_back(EmailKey(e));
    if (!last.isEmpty())
        keys.push_back(NameKey(last, first));
    return Lookup(keys, 0, [&](const TEntry& other) { return IsSame(e, last, first, other); });
}

void TDuplicateIndex::CloseKeys(const TEntry& e, QStringView last, QStringView first,
                                std::vector<quint64>& keys)
{
    keys.clear();
    SoundAlikeKeys(e, first, keys);
    AllSpellingKeys(last, first, keys);
}

std::vector<int> TDuplicateIndex::CloseCandidates(const TEntry& e, QStringView last,
                                                  QStringView first) const
{
    const quint32 mask = Mark(e);
    if (mask == 0)
        return {}; // nothing to share
    std::vector<quint64> keys;
    CloseKeys(e, last, first, keys);
    return Lookup(keys, mask,
                  [&](const TEntry& other) { return IsPossible(e, last, first, other); });
}

int TDuplicateIndex::FirstPossible(const TEntry& e, QStringView last, QStringView first) const
{
    const quint32 mask = Mark(e);
    if (mask == 0 || last.isEmpty())
        return -1;
    thread_local std::vector<quint64> keys;
    CloseKeys(e, last, first, keys);
    Prefetch(keys);
    // People of the database before the rows of a file; the first one found will do.
    for (const bool fileRows : {false, true}) {
        const quint32 stamp = NextLookup();
        int found = -1;
        for (const quint64 key : keys)
            if (Visit(key, mask, !fileRows, [&](quint32 entry) {
                    quint32& seen = m_seen[entry];
                    if (seen == stamp)
                        return false;
                    seen = stamp;
                    const TEntry& other = m_entries[entry];
                    if (other.id == 0 || (other.id < 0) != fileRows ||
                        !IsPossible(e, last, first, other))
                        return false;
                    found = int(entry);
                    return true;
                }))
                return found;
    }
    return -1;
}

void TDuplicateIndex::Add(const TPersonKeys& person, qint64 id)
{
    Append(Probe(person, id), nullptr);
}

TDuplicateIndex::TMatch TDuplicateIndex::Find(const TProbe& p) const
{
    const std::vector<int> sure = SureCandidates(p.e, p.last, p.first);
    if (!sure.empty())
        return {TKind::Same, m_entries[size_t(sure.front())].id};
    const int close = FirstPossible(p.e, p.last, p.first);
    if (close >= 0)
        return {TKind::Possible, m_entries[size_t(close)].id};
    return {};
}

TDuplicateIndex::TMatch TDuplicateIndex::Find(const TPersonKeys& person) const
{
    return Find(Probe(person, 0));
}

TDuplicateIndex::TMatch TDuplicateIndex::FindOrAdd(const TPersonKeys& person, qint64 id)
{
    const TProbe p = Probe(person, id);
    const TMatch match = Find(p);
    if (match.kind != TKind::Same)
        Append(p, nullptr);
    return match;
}

QList<qint64> TDuplicateIndex::Candidates(const TPersonKeys& person, int limit) const
{
    const TProbe p = Probe(person, 0);
    QList<qint64> ids;
    for (const std::vector<int>& group :
         {SureCandidates(p.e, p.last, p.first), CloseCandidates(p.e, p.last, p.first)})
        for (const int i : group)
            if (ids.size() < limit && !ids.contains(m_entries[size_t(i)].id))
                ids << m_entries[size_t(i)].id;
    return ids;
}

QList<qint64> TDuplicateIndex::WalkInCandidates(const TPersonKeys& person, int limit) const
{
    QList<qint64> ids = Candidates(person, limit);
    const TProbe p = Probe(person, 0);
    if (p.last.size() < 2 || p.first.isEmpty())
        return ids;
    std::vector<quint64> keys;
    SpellingKeys(p.last, Initial(p.first), keys);
    if (p.e.soundex != 0)
        keys.push_back(SoundexKey(p.e));
    for (const int i : Lookup(keys, 0, [](const TEntry&) { return true; })) {
        const TEntry& other = m_entries[size_t(i)];
        if (ids.size() >= limit)
            break;
        // The lookup's keys bring sound-alikes and names one or two letters apart.
        if (other.soundex != p.e.soundex && EditDistance(p.last, Last(other), 2) > 2)
            continue;
        const QStringView first = First(other);
        const bool firstClose = first.startsWith(p.first) ||
                                (p.first.size() > 2 && EditDistance(p.first, first, 1) <= 1);
        if (firstClose && !ids.contains(other.id))
            ids << other.id;
    }
    return ids;
}
