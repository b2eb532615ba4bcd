#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <span>
#include <unordered_map>
#include <vector>

class TConnection;

// The fields of a person that the duplicate rules compare.
struct TPersonKeys
{
    QString lastName;
    QString firstName;
    QString email;
    QString phone;
    QString zip;
    QString city;
};

// Finds people already on the list. The same person: the same e-mail (letter case aside), or
// the same last and first name (letter case and accents aside) with the same phone or ZIP.
// A possible duplicate: a last name one edit apart or sounding alike, a first name close to
// it, and the same ZIP, city or e-mail domain.
//
// On a database file the index of the participants is kept in the file itself (the table
// dupe_index), with a log of the participants changed since it was written (dupe_changes,
// filled by triggers on participants, so that changes made by any program are seen). Loading
// reads the kept index and the changed people only; it builds and keeps the index anew when
// there is none, when it is of another build, or when too many people changed since. A server
// database builds the index in memory each time.
class TDuplicateIndex
{
public:
    enum class TKind { None, Same, Possible };
    struct TMatch
    {
        TKind kind = TKind::None;
        qint64 id = 0;
    };
    // How LoadParticipants found the index.
    enum class TLoad {
        Built, // read every participant (and kept the index when the file may be written)
        Kept   // read the kept index and the people changed since
    };

    TDuplicateIndex() = default;
    // The keys are views of the index's own arrays: an index moves but is not copied.
    TDuplicateIndex(TDuplicateIndex&&) = default;
    TDuplicateIndex& operator=(TDuplicateIndex&&) = default;
    TDuplicateIndex(const TDuplicateIndex&) = delete;
    TDuplicateIndex& operator=(const TDuplicateIndex&) = delete;

    // Every participant of the database, by user_id.
    TLoad LoadParticipants(TConnection& conn);
    // Reads the index kept in a file and the people changed since, writing nothing and asking
    // nothing, so that it may run beside other work; false when there is no current one and
    // BuildParticipants must build it.
    bool TryLoadKept(TConnection& conn);
    // Reads every participant, and keeps the index in a file that may be written.
    TLoad BuildParticipants(TConnection& conn);
    // Adds a person under an id of the caller's choice (an import uses negative ids for the
    // rows of its file).
    void Add(const TPersonKeys& person, qint64 id);
    // The same person if there is one, else a possible duplicate (people of the database
    // before people added), else none.
    TMatch Find(const TPersonKeys& person) const;
    // Find, and unless the same person was found, adds the person under id.
    TMatch FindOrAdd(const TPersonKeys& person, qint64 id);
    // Possible duplicates and sure matches, sure ones first, at most limit ids.
    QList<qint64> Candidates(const TPersonKeys& person, int limit) const;
    // What the walk-in guard offers while a new person is typed: the candidates above and the
    // people whose last name is close to the typed one and whose first name begins like the
    // typed one (a first name is needed unless an e-mail is typed). At most limit ids.
    QList<qint64> WalkInCandidates(const TPersonKeys& person, int limit) const;
    // The people in the index (changed and removed ones not counted twice).
    int Size() const { return m_live; }

    // Lower case without accents and with single blanks ("Müller " -> "muller").
    static QString Fold(const QString& text);
    // The American Soundex code of a folded name ("" for no letter).
    static QString Soundex(const QString& folded);
    // The edit distance of two texts, or max + 1 when it is larger than max.
    static int EditDistance(QStringView a, QStringView b, int max);
    // The digits of a phone number, the last ten of them.
    static QString PhoneDigits(const QString& phone);
    static QString ZipKey(const QString& zip);
    static QString EmailDomain(const QString& email);

private:
    // One person as the rules compare them. Plain data: the kept index is these bytes as they
    // stand. Texts other than the names are compared by a 64-bit hash (0 when empty); 32 bits
    // would not do: among 60,000 e-mail domains two share a 32-bit hash more often than not.
    struct TEntry
    {
        qint64 id;         // 0 once the person changed or went (a newer entry follows)
        quint64 email;
        quint32 nameAt;    // into m_names: the folded last name, then the folded first name
        quint16 lastSize;
        quint16 firstSize;
        quint64 phone, zip, city, domain;
        quint32 soundex;      // of the last name, its four letters packed; 0 for none
        quint32 firstSoundex; // of the first name
    };
    // A person's entry with the folded names beside it, before it joins the index.
    struct TProbe
    {
        TEntry e{};
        QString last;
        QString first;
    };
    static TProbe Probe(const TPersonKeys& person, qint64 id);
    // Adds an entry and its names; keys go to the hash map unless sortedKeys is given.
    int Append(const TProbe& p, std::vector<std::pair<quint64, quint32>>* sortedKeys);
    QStringView Last(const TEntry& e) const;
    QStringView First(const TEntry& e) const;
    // The keys under which an entry is found: e-mail, folded name, spellings (the last name and
    // its one-letter deletions, with the class of the first name's initial), sound-alikes
    // (Soundex and that class with the ZIP, the city or the domain) and the bare Soundex.
    static void Keys(const TEntry& e, QStringView last, QStringView first,
                     std::vector<quint64>& out);
    static quint64 EmailKey(const TEntry& e);
    static quint64 NameKey(QStringView last, QStringView first);
    static void SpellingKeys(QStringView last, char16_t initial, std::vector<quint64>& out);
    static void AllSpellingKeys(QStringView last, QStringView first, std::vector<quint64>& out);
    // The class of a first name's initial (see the .cpp); '\0' for no first name.
    static char16_t Initial(QStringView first);
    static void SoundAlikeKeys(const TEntry& e, QStringView first, std::vector<quint64>& out);
    static quint64 SoundexKey(const TEntry& e);

    // The live entries under any of the keys (with a mask: whose mark shares a bit with it)
    // that pass keep, each once, in entry order.
    template <typename TKeepFn>
    std::vector<int> Lookup(const std::vector<quint64>& keys, quint32 mask, TKeepFn keep) const;
    // Calls visit(entry) for the first entries under key (with a mask: whose mark shares a bit
    // with it), of the kept part too when keptPart is set; stops when visit returns true and
    // returns true then.
    template <typename TVisit>
    bool Visit(quint64 key, quint32 mask, bool keptPart, TVisit visit) const;
    void Prefetch(const std::vector<quint64>& keys) const;
    // A new mark number for m_seen.
    quint32 NextLookup() const;
    // One bit for each of the ZIP, the city and the e-mail domain: entries that share one of
    // them share a bit of their marks.
    static quint32 Mark(const TEntry& e);
    bool IsSame(const TEntry& a, QStringView aLast, QStringView aFirst, const TEntry& b) const;
    bool IsPossible(const TEntry& a, QStringView aLast, QStringView aFirst, const TEntry& b) const;
    std::vector<int> SureCandidates(const TEntry& e, QStringView last, QStringView first) const;
    std::vector<int> CloseCandidates(const TEntry& e, QStringView last, QStringView first) const;
    static void CloseKeys(const TEntry& e, QStringView last, QStringView first,
                          std::vector<quint64>& keys);
    // The first possible duplicate found, or -1.
    int FirstPossible(const TEntry& e, QStringView last, QStringView first) const;
    TMatch Find(const TProbe& p) const;

    // Reading and keeping the index in a database file.
    void Build(TConnection& conn);
    void Keep(TConnection& conn, qint64 through) const;
    QByteArray Serialize(qint64 through) const;
    bool Deserialize(const QByteArray& bytes, qint64& through);
    void AddRows(TConnection& conn, const QString& sql);

    std::vector<TEntry> m_entries;
    std::vector<quint32> m_marks; // of each entry, small enough to stay in the cache
    std::vector<char16_t> m_names;
    int m_live = 0;
    // The keys of the entries read at once (built or kept), sorted, with the entry each leads
    // to, and where the keys of each value of their top bits begin (the keys are hashes, so
    // a lookup scans one or two). Entries added later (the rows of a file, people changed
    // since) are found through an open hash table of keys, each with a chain of its entries.
    void BuildDirectory();
    void AddKey(quint64 key, int entry);
    // Views of m_ownKeys and m_ownKeyEntries (built) or of the bytes read from the file (kept).
    // Only the top 32 bits of each key are held: two keys that share them lead to a few more
    // people to check, never to a wrong answer, as every candidate is checked by the rules.
    std::span<const quint32> m_keys;
    std::span<const quint32> m_keyEntries;
    std::vector<quint32> m_ownKeys;
    std::vector<quint32> m_ownKeyEntries;
    QByteArray m_kept;
    std::vector<quint32> m_directory;
    int m_directoryShift = 31;
    struct TSlot
    {
        quint64 key = 0; // 0 for a free slot
        int head = -1;
        int tail = -1;
    };
    struct TLink
    {
        int entry;
        int next;
    };
    std::vector<TSlot> m_slots;
    std::vector<TLink> m_links;
    size_t m_slotsUsed = 0;
    // Marks of the entries already seen by a lookup, by the lookup's number: a candidate found
    // under several keys is checked once, without sorting every candidate.
    mutable std::vector<quint32> m_seen;
    mutable quint32 m_lookups = 0;
};
