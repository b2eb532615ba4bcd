#pragma once

#include <QList>
#include <QString>

#include <functional>
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
class TDuplicateIndex
{
public:
    enum class TKind { None, Same, Possible };
    struct TMatch
    {
        TKind kind = TKind::None;
        qint64 id = 0;
    };

    // Every participant of the database, by user_id.
    void LoadParticipants(TConnection& conn);
    // Adds a person under an id of the caller's choice (an import uses negative ids for the
    // rows of its file).
    void Add(const TPersonKeys& person, qint64 id);
    // The same person if there is one, else the first possible duplicate.
    TMatch Find(const TPersonKeys& person) const;
    // Possible duplicates and sure matches, sure ones first, at most limit ids.
    QList<qint64> Candidates(const TPersonKeys& person, int limit) const;
    // What the walk-in guard offers while a new person is typed: the candidates above and the
    // people whose last name is close to the typed one and whose first name begins like the
    // typed one (a first name is needed unless an e-mail is typed). At most limit ids.
    QList<qint64> WalkInCandidates(const TPersonKeys& person, int limit) const;
    int Size() const { return int(m_entries.size()); }

    // Lower case without accents and with single blanks ("Müller " -> "muller").
    static QString Fold(const QString& text);
    // The American Soundex code of a folded name ("" for no letter).
    static QString Soundex(const QString& folded);
    // The edit distance of two texts, or max + 1 when it is larger than max.
    static int EditDistance(const QString& a, const QString& b, int max);
    // The digits of a phone number, the last ten of them.
    static QString PhoneDigits(const QString& phone);
    static QString ZipKey(const QString& zip);
    static QString EmailDomain(const QString& email);

private:
    struct TEntry
    {
        qint64 id;
        QString last, first, email, phone, zip, city, domain, soundex;
        // Hashes of zip, city and domain (0 when empty), so that a candidate sharing none of
        // them is passed over without reading its texts.
        size_t zipHash = 0, cityHash = 0, domainHash = 0;
    };
    static TEntry Entry(const TPersonKeys& person, qint64 id);
    // The folded last name and its one-letter deletions.
    static std::vector<size_t> SpellingKeys(const QString& foldedLast);
    // The Soundex code of the last name together with the ZIP, the city and the e-mail domain:
    // a sound-alike is a possible duplicate only with one of them shared.
    static std::vector<size_t> SoundAlikeKeys(const TEntry& e);
    // The entries under any of the keys that pass keep, each once, in entry order.
    std::vector<int> Lookup(const std::vector<size_t>& keys,
                            const std::function<bool(const TEntry&)>& keep = {}) const;
    bool IsSame(const TEntry& a, const TEntry& b) const;
    bool IsPossible(const TEntry& a, const TEntry& b) const;
    std::vector<int> SureCandidates(const TEntry& e) const;
    std::vector<int> CloseCandidates(const TEntry& e) const;

    std::vector<TEntry> m_entries;
    // Every key (e-mail, folded name, spelling, sound-alike, bare Soundex; each kind hashed
    // with its own seed) with the entry it leads to. The participants read at once are kept as
    // one sorted vector; people added later (the rows of a file) in a hash map.
    void Insert(size_t key, int entry);
    void Lookup(size_t key, std::vector<int>& found) const;
    std::vector<std::pair<size_t, int>> m_sorted;
    std::unordered_map<size_t, std::vector<int>> m_added;
    bool m_loading = false;
    // Marks of the entries already seen by a lookup, by the lookup's number: a candidate found
    // under several keys is checked once, without sorting every candidate.
    mutable std::vector<quint32> m_seen;
    mutable quint32 m_lookups = 0;
};
