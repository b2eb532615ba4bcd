#include "import/TDuplicateGuard.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "db/TSchema.h"
#include "db/TTransaction.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

// Reading the participants into the index, and keeping the index in a database file.

namespace {

// The kept index: this header, then the entries, the names, the sorted keys and the entry of
// each key, as the arrays stand in memory. A change of the entry, the keys or the hashes needs
// a new version, so that files keep no index of an older build.
struct TKeptHeader
{
    char magic[8];
    quint32 version;
    quint32 byteOrder;
    quint32 entrySize;
    quint32 reserved;
    quint64 entries;
    quint64 names;
    quint64 keys;
    qint64 through; // the last dupe_changes row the index holds
};
constexpr char kMagic[8] = {'Q', 'V', 'D', 'U', 'P', 'I', 'D', 'X'};
constexpr quint32 kVersion = 3;
constexpr quint32 kByteOrder = 0x01020304;

} // namespace

void TDuplicateIndex::AddRows(TConnection& conn, const QString& sql)
{
    TDataSet rows(conn, QStringLiteral("DuplicateIndex"));
    rows.SetSQL(sql);
    rows.Open();
    for (int row = 0; row < rows.RecordCount(); ++row)
        if (rows.RowValue(row, 0).toLongLong() > 0) // ids below 1 stand for rows of a file
            Add({rows.RowValue(row, 1).toString(), rows.RowValue(row, 2).toString(),
                 rows.RowValue(row, 3).toString(), rows.RowValue(row, 4).toString(),
                 rows.RowValue(row, 5).toString(), rows.RowValue(row, 6).toString()},
                rows.RowValue(row, 0).toLongLong());
}

void TDuplicateIndex::Build(TConnection& conn)
{
    TDataSet rows(conn, QStringLiteral("DuplicateIndex"));
    rows.SetSQL(QStringLiteral("select user_id, last_name, first_name, email, phone, zip, city "
                               "from participants order by user_id"));
    rows.Open();
    const int count = rows.RecordCount();
    m_entries.reserve(size_t(count));
    m_names.reserve(size_t(count) * 14);
    std::vector<std::pair<quint64, quint32>> keys;
    keys.reserve(size_t(count) * 14);
    for (int row = 0; row < count; ++row) {
        const TPersonKeys person{rows.RowValue(row, 1).toString(), rows.RowValue(row, 2).toString(),
                                 rows.RowValue(row, 3).toString(), rows.RowValue(row, 4).toString(),
                                 rows.RowValue(row, 5).toString(), rows.RowValue(row, 6).toString()};
        const qint64 id = rows.RowValue(row, 0).toLongLong();
        if (id > 0) // ids below 1 stand for rows of a file
            Append(Probe(person, id), &keys);
    }
    std::sort(keys.begin(), keys.end());
    m_ownKeys.resize(keys.size());
    m_ownKeyEntries.resize(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        m_ownKeys[i] = quint32(keys[i].first >> 32);
        m_ownKeyEntries[i] = keys[i].second;
    }
    m_keys = m_ownKeys;
    m_keyEntries = m_ownKeyEntries;
    BuildDirectory();
}

QByteArray TDuplicateIndex::Serialize(qint64 through) const
{
    static_assert(std::is_trivially_copyable_v<TEntry> && std::is_trivially_copyable_v<TKeptHeader>);
    static_assert(sizeof(TEntry) == 64 && sizeof(TKeptHeader) == 56);
    TKeptHeader header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.version = kVersion;
    header.byteOrder = kByteOrder;
    header.entrySize = sizeof(TEntry);
    header.entries = m_entries.size();
    // The names are padded to a multiple of four, so that the keys after them stay aligned.
    const size_t padding = (4 - m_names.size() % 4) % 4;
    header.names = m_names.size() + padding;
    header.keys = m_keys.size();
    header.through = through;
    QByteArray bytes;
    bytes.reserve(qsizetype(sizeof header + m_entries.size() * sizeof(TEntry) +
                            m_names.size() * sizeof(char16_t) +
                            m_keys.size() * 2 * sizeof(quint32)));
    auto put = [&bytes](const void* data, size_t size) {
        bytes.append(static_cast<const char*>(data), qsizetype(size));
    };
    put(&header, sizeof header);
    put(m_entries.data(), m_entries.size() * sizeof(TEntry));
    put(m_names.data(), m_names.size() * sizeof(char16_t));
    const char16_t zeros[4] = {};
    put(zeros, padding * sizeof(char16_t));
    put(m_keys.data(), m_keys.size() * sizeof(quint32));
    put(m_keyEntries.data(), m_keyEntries.size() * sizeof(quint32));
    return bytes;
}

bool TDuplicateIndex::Deserialize(const QByteArray& bytes, qint64& through)
{
    TKeptHeader header;
    if (size_t(bytes.size()) < sizeof header)
        return false;
    std::memcpy(&header, bytes.constData(), sizeof header);
    if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.version != kVersion ||
        header.byteOrder != kByteOrder || header.entrySize != sizeof(TEntry) ||
        header.entries > 0x7fffffff || header.names > 0xffffffff || header.keys > 0xffffffff)
        return false;
    const size_t size = sizeof header + header.entries * sizeof(TEntry) +
                        header.names * sizeof(char16_t) +
                        header.keys * 2 * sizeof(quint32);
    if (size != size_t(bytes.size()))
        return false;
    const char* at = bytes.constData() + sizeof header;
    auto take = [&at](auto& into, size_t count) {
        using T = std::decay_t<decltype(into[0])>;
        const size_t size = count * sizeof(T);
        if (reinterpret_cast<quintptr>(at) % alignof(T) == 0) {
            const T* from = reinterpret_cast<const T*>(at);
            into.assign(from, from + count);
        } else {
            into.resize(count);
            if (size > 0)
                std::memcpy(into.data(), at, size);
        }
        at += size;
    };
    take(m_entries, size_t(header.entries));
    m_marks.resize(m_entries.size());
    std::transform(m_entries.begin(), m_entries.end(), m_marks.begin(), Mark);
    take(m_names, size_t(header.names));
    // The keys are read where they lie when the bytes are aligned for them.
    if (reinterpret_cast<quintptr>(at) % alignof(quint32) == 0) {
        m_kept = bytes;
        m_keys = {reinterpret_cast<const quint32*>(at), size_t(header.keys)};
        m_keyEntries = {reinterpret_cast<const quint32*>(at + header.keys * sizeof(quint32)),
                        size_t(header.keys)};
    } else {
        take(m_ownKeys, size_t(header.keys));
        take(m_ownKeyEntries, size_t(header.keys));
        m_keys = m_ownKeys;
        m_keyEntries = m_ownKeyEntries;
    }
    // A damaged index is built anew rather than trusted: every name and key must point
    // inside the arrays, and the keys and the ids must be in order.
    qint64 previousId = 0;
    m_live = 0;
    for (const TEntry& e : m_entries) {
        if (quint64(e.nameAt) + e.lastSize + e.firstSize > m_names.size() || e.id <= previousId)
            return false;
        previousId = e.id;
        ++m_live;
    }
    for (size_t i = 0; i < m_keys.size(); ++i)
        if (m_keyEntries[i] >= m_entries.size() || (i > 0 && m_keys[i] < m_keys[i - 1]))
            return false;
    through = header.through;
    BuildDirectory();
    return true;
}

bool TDuplicateIndex::TryLoadKept(TConnection& conn)
{
    *this = TDuplicateIndex();
    if (conn.IsServer())
        return false;
    const int parts =
        conn.ScalarQuery(QStringLiteral("select count(*) from sqlite_master where name in "
                                        "('dupe_index', 'dupe_changes', 'participants_dupe_insert', "
                                        "'participants_dupe_update', 'participants_dupe_delete')"))
            .toInt();
    if (parts != 5)
        return false;
    // The log is read before the index: a program that keeps a newer index in between has
    // cleared only changes that index holds, so none is lost between the two reads.
    const qint64 logged =
        conn.ScalarQuery(QStringLiteral("select count(*) from dupe_changes")).toLongLong();
    if (logged > 200000)
        return false;
    TDataSet log(conn, QStringLiteral("DuplicateChanges"));
    log.SetSQL(QStringLiteral("select seq, user_id from dupe_changes"));
    log.Open();
    qint64 through = 0;
    if (!Deserialize(conn.ScalarQuery(QStringLiteral("select data from dupe_index where part = 1"))
                         .toByteArray(),
                     through))
        return false;
    std::vector<qint64> changed;
    for (int row = 0; row < log.RecordCount(); ++row)
        if (log.RowValue(row, 0).toLongLong() > through)
            changed.push_back(log.RowValue(row, 1).toLongLong());
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    // Far behind: reading every participant again costs less than reading the changed ones.
    if (changed.size() > std::max<size_t>(2000, m_entries.size() / 4))
        return false;
    if (changed.empty())
        return true;
    // A changed or removed person's entry goes; the person as now stored comes in again.
    std::vector<size_t> gone;
    QStringList ids;
    for (const qint64 id : changed) {
        ids << QString::number(id);
        const auto it = std::lower_bound(
            m_entries.begin(), m_entries.end(), id,
            [](const TEntry& e, qint64 value) { return e.id < value; });
        if (it != m_entries.end() && it->id == id)
            gone.push_back(size_t(it - m_entries.begin()));
    }
    for (const size_t entry : gone) {
        m_entries[entry].id = 0;
        --m_live;
    }
    for (qsizetype from = 0; from < ids.size(); from += 500)
        AddRows(conn, QStringLiteral("select user_id, last_name, first_name, email, phone, zip, "
                                     "city from participants where user_id in (%1)")
                          .arg(ids.mid(from, 500).join(u',')));
    return true;
}

void TDuplicateIndex::Keep(TConnection& conn, qint64 through) const
{
    try {
        const QByteArray bytes = Serialize(through);
        TTransaction transaction(conn);
        conn.Execute(QStringLiteral("delete from dupe_changes where seq <= ?"), {through});
        conn.Execute(QStringLiteral("insert or replace into dupe_index (part, data) values (1, ?)"),
                     {bytes});
        transaction.Commit();
    } catch (const EDatabaseError&) {
        // The index serves from memory; the next load builds it again.
    }
}

TDuplicateIndex::TLoad TDuplicateIndex::LoadParticipants(TConnection& conn)
{
    return TryLoadKept(conn) ? TLoad::Kept : BuildParticipants(conn);
}

TDuplicateIndex::TLoad TDuplicateIndex::BuildParticipants(TConnection& conn)
{
    *this = TDuplicateIndex();
    // The log starts before the participants are read: a change made meanwhile is read again
    // by the next load, which does no harm.
    qint64 through = -1;
    if (!conn.IsServer() && !conn.ReadOnly()) {
        try {
            TTransaction transaction(conn);
            for (const QString& statement : TSchema::DuplicateIndexStatements())
                conn.Execute(statement);
            transaction.Commit();
            through = conn.ScalarQuery(QStringLiteral("select coalesce(max(seq), 0) from "
                                                      "dupe_changes"))
                          .toLongLong();
        } catch (const EDatabaseError&) {
            through = -1; // the index is not kept; it works from memory
        }
    }
    Build(conn);
    if (through >= 0)
        Keep(conn, through);
    return TLoad::Built;
}
