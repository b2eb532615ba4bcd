#include "tools/TSynthBuilder.h"

#include "tools/TConferenceGenerator.h"
#include "db/TConnection.h"
#include "db/TError.h"
#include "tools/TNewDatabase.h"
#include "tools/TPersonGenerator.h"
#include "tools/TRandom.h"
#include "tools/TReferenceLists.h"

#include <QCoreApplication>
#include <QDate>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSynthBuilder", text);
}

[[noreturn]] void ThrowEngineError(sqlite3* db, const QString& context)
{
    throw EDatabaseError(
        QStringLiteral("%1: %2").arg(context, QString::fromUtf8(sqlite3_errmsg(db))));
}

void Exec(sqlite3* db, const QString& sql)
{
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        ThrowEngineError(db, sql);
}

// The engine handle of the bulk load; closed on every way out.
class TEngine
{
public:
    explicit TEngine(const QString& path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
            sqlite3_close(m_db);
            throw EDatabaseError(QStringLiteral("%1: %2").arg(path, message));
        }
    }
    ~TEngine() { sqlite3_close(m_db); }
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;
    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

// One prepared insert, bound and stepped once per row.
class TInsert
{
public:
    TInsert(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            ThrowEngineError(db, QString::fromUtf8(sql));
    }
    ~TInsert() { sqlite3_finalize(m_statement); }
    TInsert(const TInsert&) = delete;
    TInsert& operator=(const TInsert&) = delete;

    void Text(int index, const QString& value)
    {
        if (value.isNull()) {
            sqlite3_bind_null(m_statement, index);
            return;
        }
        const QByteArray bytes = value.toUtf8();
        sqlite3_bind_text(m_statement, index, bytes.constData(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    }
    // Binds the texts to the parameters from first on.
    void Texts(int first, std::initializer_list<QString> values)
    {
        for (const QString& value : values)
            Text(first++, value);
    }
    void Text(int index, const char* value, int length)
    {
        sqlite3_bind_text(m_statement, index, value, length, SQLITE_TRANSIENT);
    }
    void Integer(int index, qint64 value) { sqlite3_bind_int64(m_statement, index, value); }
    // Ids of 0 stand for "none".
    void Id(int index, int value)
    {
        if (value > 0)
            sqlite3_bind_int(m_statement, index, value);
        else
            sqlite3_bind_null(m_statement, index);
    }
    void Real(int index, double value) { sqlite3_bind_double(m_statement, index, value); }
    void Run()
    {
        if (sqlite3_step(m_statement) != SQLITE_DONE)
            ThrowEngineError(m_db, QString::fromUtf8(sqlite3_sql(m_statement)));
        sqlite3_reset(m_statement);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

void InsertNames(sqlite3* db, const char* sql, const QStringList& names)
{
    TInsert insert(db, sql);
    for (const QString& name : names) {
        insert.Text(1, name);
        insert.Run();
    }
}

// Splits total into parts proportional to weights, none above limit, summing exactly to total
// (the caller makes sure total <= limit * parts).
std::vector<qint64> Apportion(const std::vector<double>& weights, qint64 total, qint64 limit)
{
    double sum = 0;
    for (double w : weights)
        sum += w;
    std::vector<qint64> parts(weights.size(), 0);
    double running = 0;
    qint64 given = 0;
    for (size_t i = 0; i < weights.size(); ++i) {
        running += weights[i];
        const qint64 upTo = std::llround(static_cast<double>(total) * running / sum);
        parts[i] = upTo - given;
        given = upTo;
    }
    if (!parts.empty())
        parts.back() += total - given;
    // What does not fit under the limit goes to the parts that still have room.
    qint64 excess = 0;
    for (qint64& part : parts) {
        if (part > limit) {
            excess += part - limit;
            part = limit;
        }
    }
    for (size_t i = 0; excess > 0 && i < parts.size(); ++i) {
        const qint64 taken = std::min(limit - parts[i], excess);
        parts[i] += taken;
        excess -= taken;
    }
    return parts;
}

} // namespace

TSynthBuilder::TSynthBuilder(const TOptions& options) : m_options(options)
{
    if (m_options.currentYear <= 0)
        m_options.currentYear = QDate::currentDate().year();
}

void TSynthBuilder::Report(const QString& line) const
{
    if (progress)
        progress(line);
}

void TSynthBuilder::Build(const QString& folder)
{
    const TOptions& o = m_options;
    if (o.participants < 0 || o.conferences < 0 || o.attendances < 0 || o.speakers < 0)
        throw EOperationError(Tr("The numbers of rows must not be negative"));
    if (o.attendances > static_cast<qint64>(o.participants) * o.conferences)
        throw EOperationError(Tr("%1 attendances cannot be made from %2 participants and %3 "
                                 "conferences without repeating a pair")
                                  .arg(o.attendances)
                                  .arg(o.participants)
                                  .arg(o.conferences));

    TNewDatabase target(folder);
    {
        TConnection conn;
        conn.OpenForCreate(target.Path());
        for (const QString& statement : TNewDatabase::TableStatements())
            conn.Execute(statement);
        conn.Close();
    }

    // The file is new and ours alone: a crash half-way only loses a file that the next run
    // would rebuild anyway, so the journal and the syncs are switched off.
    TEngine engine(target.Path());
    sqlite3* db = engine.Handle();
    Exec(db, QStringLiteral("PRAGMA synchronous=OFF"));
    Exec(db, QStringLiteral("PRAGMA journal_mode=OFF"));
    Exec(db, QStringLiteral("PRAGMA cache_size=-65536"));
    Exec(db, QStringLiteral("BEGIN"));

    TRandom random(o.seed);
    TPersonGenerator people(random, 1.6, 0.3);
    TConferenceGenerator generator(random);

    const QStringList titles = TReferenceLists::Titles();
    const QStringList specialities = TReferenceLists::Specialities();
    const int creditCount = static_cast<int>(TReferenceLists::Credits().size());
    const int extraCount = static_cast<int>(TReferenceLists::Extras().size());
    InsertNames(db, "insert into credits (c_name) values (?)", TReferenceLists::Credits());
    InsertNames(db, "insert into titles (t_name) values (?)", titles);
    InsertNames(db, "insert into specialities (s_name) values (?)", specialities);
    InsertNames(db, "insert into extras (e_name) values (?)", TReferenceLists::Extras());

    {
        TInsert insert(db, "insert into speakers (last_name, first_name, place, title_id) "
                           "values (?, ?, ?, ?)");
        for (int i = 0; i < o.speakers; ++i) {
            const TPersonGenerator::TPerson s = people.Speaker(titles);
            insert.Texts(1, {s.lastName, s.firstName, s.place});
            insert.Id(4, s.titleId);
            insert.Run();
        }
    }
    Report(QStringLiteral("speakers: %1").arg(o.speakers));

    // Conferences in date order over three whole years; kept for the sign-in times.
    struct TBegin {
        qint64 id;
        int year, month, day, secondOfDay;
    };
    std::vector<TBegin> begins;
    begins.reserve(static_cast<size_t>(o.conferences));
    {
        const QDate first(o.currentYear - 2, 1, 1);
        const int days = static_cast<int>(first.daysTo(QDate(o.currentYear, 12, 31))) + 1;
        std::vector<int> offsets(static_cast<size_t>(o.conferences));
        for (int& offset : offsets)
            offset = random.Between(0, days - 1);
        std::sort(offsets.begin(), offsets.end());

        TInsert conference(db, "insert into conferences (conf_name, begin_date, end_date, "
                               "series, units) values (?, ?, ?, ?, ?)");
        TInsert speaker(db, "insert into conf_speakers (conf_id, speak_id) values (?, ?)");
        TInsert credit(db, "insert into conf_credits (conf_id, credit_id) values (?, ?)");
        TInsert extra(db, "insert into conf_extras (conf_id, extra_id) values (?, ?)");
        // Links the conference to fewest..most distinct rows of 1..count.
        auto link = [&random](TInsert& insert, qint64 id, int fewest, int most, int count) {
            for (int other : random.DistinctBetween(random.Between(fewest, most), 1, count)) {
                insert.Integer(1, id);
                insert.Integer(2, other);
                insert.Run();
            }
        };
        for (int offset : offsets) {
            const TConferenceGenerator::TConference c = generator.Conference(first.addDays(offset));
            conference.Text(1, c.name);
            conference.Text(2, TConferenceGenerator::StorageText(c.begin));
            conference.Text(3, TConferenceGenerator::StorageText(c.end));
            conference.Text(4, c.series);
            conference.Real(5, c.units);
            conference.Run();
            const qint64 id = sqlite3_last_insert_rowid(db);
            const QDate day = c.begin.date();
            begins.push_back({id, day.year(), day.month(), day.day(),
                              c.begin.time().msecsSinceStartOfDay() / 1000});

            link(speaker, id, 1, 3, o.speakers);
            link(credit, id, 1, 3, creditCount);
            link(extra, id, 0, 2, extraCount);
        }
    }
    Report(QStringLiteral("conferences: %1").arg(o.conferences));

    {
        TInsert insert(db, "insert into participants (last_name, first_name, address, city, "
                           "state, zip, phone, email, title_id, spec_id, mail_type, fax) "
                           "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (int i = 0; i < o.participants; ++i) {
            const TPersonGenerator::TPerson p = people.Participant(
                static_cast<int>(titles.size()), static_cast<int>(specialities.size()));
            insert.Texts(1, {p.lastName, p.firstName, p.address, p.city, p.state, p.zip, p.phone,
                             p.email});
            insert.Id(9, p.titleId);
            insert.Id(10, p.specId);
            insert.Integer(11, p.mailType);
            insert.Text(12, p.fax);
            insert.Run();
        }
    }
    Report(QStringLiteral("participants: %1").arg(o.participants));

    // Each conference takes a share of the attendances; its participants are the front of a
    // permutation shuffled a little further for every conference, so no pair repeats.
    if (o.attendances > 0) {
        std::vector<double> weights(static_cast<size_t>(o.conferences));
        for (double& w : weights)
            w = 0.5 + random.Uniform();
        const std::vector<qint64> counts = Apportion(weights, o.attendances, o.participants);

        std::vector<int> permutation(static_cast<size_t>(o.participants));
        for (int i = 0; i < o.participants; ++i)
            permutation[static_cast<size_t>(i)] = i + 1;
        std::vector<int> chosen;
        TInsert insert(db, "insert into attendances (conf_id, user_id, sign_in_date) "
                           "values (?, ?, ?)");
        char signIn[32];
        for (size_t c = 0; c < counts.size(); ++c) {
            const int wanted = static_cast<int>(counts[c]);
            for (int k = 0; k < wanted; ++k)
                std::swap(permutation[static_cast<size_t>(k)],
                          permutation[static_cast<size_t>(random.Between(k, o.participants - 1))]);
            chosen.assign(permutation.begin(), permutation.begin() + wanted);
            std::sort(chosen.begin(), chosen.end());
            const TBegin& b = begins[c];
            for (int user : chosen) {
                // Between 45 minutes before and 20 minutes after the beginning, which is never
                // earlier than 08:00, so the day does not change.
                const int second = b.secondOfDay + random.Between(-45 * 60, 20 * 60);
                const int length =
                    std::snprintf(signIn, sizeof signIn, "%04d-%02d-%02d %02d:%02d:%02d", b.year,
                                  b.month, b.day, second / 3600, second / 60 % 60, second % 60);
                insert.Integer(1, b.id);
                insert.Integer(2, user);
                insert.Text(3, signIn, length);
                insert.Run();
            }
        }
    }
    Report(QStringLiteral("attendances: %1").arg(o.attendances));

    Exec(db, QStringLiteral("COMMIT"));
    for (const QString& statement : TNewDatabase::IndexStatements())
        Exec(db, statement);
    // Built without a journal; the finished file uses write-ahead logging like every new one.
    Exec(db, QStringLiteral("PRAGMA journal_mode=WAL"));
    Report(QStringLiteral("indexes created"));
    target.Keep();
}
