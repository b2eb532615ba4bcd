#include "import/TImportRun.h"

#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "import/TDuplicateGuard.h"
#include "db/TError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <future>

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("TImportRun", text);
}

int ColumnSize(const QString& column)
{
    // Asked for every cell of a list: a short scan beats hashing the name.
    static constexpr struct
    {
        QStringView name;
        int size;
    } sizes[]{{u"last_name", 30}, {u"first_name", 30}, {u"address", 100},
              {u"city", 50},      {u"state", 2},       {u"zip", 10},
              {u"phone", 12},     {u"email", 50},      {u"fax", 12}};
    for (const auto& entry : sizes)
        if (entry.name == column)
            return entry.size;
    return 0;
}

// The names of a reference list, folded, with their keys.
QHash<QString, int> ListKeys(TConnection& conn, const QString& sql)
{
    QHash<QString, int> keys;
    TDataSet rows(conn, QStringLiteral("ImportList"));
    rows.SetSQL(sql);
    rows.Open();
    for (int row = 0; row < rows.RecordCount(); ++row)
        keys.insert(TDuplicateIndex::Fold(rows.RowValue(row, 1).toString()),
                    rows.RowValue(row, 0).toInt());
    return keys;
}

TPersonKeys Keys(const QMap<QString, QString>& values)
{
    return {values.value(QStringLiteral("last_name")), values.value(QStringLiteral("first_name")),
            values.value(QStringLiteral("email")),     values.value(QStringLiteral("phone")),
            values.value(QStringLiteral("zip")),       values.value(QStringLiteral("city"))};
}

// How the people of the ids are named to the user ("Anna Adams, anna@example.org"), read a few
// hundred at a time; an id without a row, or a person without a first name, reads as "".
QHash<qint64, QString> Describe(TConnection& conn, const QList<qint64>& ids)
{
    constexpr qsizetype kChunk = 500;
    QHash<qint64, QString> names;
    for (qsizetype from = 0; from < ids.size(); from += kChunk) {
        QStringList list;
        for (qsizetype i = from; i < ids.size() && i < from + kChunk; ++i)
            list << QString::number(ids.at(i));
        TDataSet rows(conn, QStringLiteral("ImportDescribe"));
        rows.SetSQL(QStringLiteral("select user_id, first_name || ' ' || last_name || "
                                   "coalesce(', ' || email, '') from participants where user_id "
                                   "in (%1)")
                        .arg(list.join(u',')));
        rows.Open();
        for (int row = 0; row < rows.RecordCount(); ++row)
            names.insert(rows.RowValue(row, 0).toLongLong(),
                         rows.RowValue(row, 1).toString().trimmed());
    }
    return names;
}

} // namespace

int TImportPlan::Count(TImportOutcome outcome) const
{
    return int(std::count_if(rows.cbegin(), rows.cend(),
                             [outcome](const TImportRow& r) { return r.outcome == outcome; }));
}

TImportRun::TImportRun(TConnection& conn) : m_conn(conn)
{
}

bool TImportRun::CheckValue(const QString& column, QString& value, QString& reason)
{
    // Most values are clean already: single blanks between words and none at the ends.
    bool clean = value.isEmpty() || (!value.front().isSpace() && !value.back().isSpace());
    for (qsizetype i = 0; clean && i < value.size(); ++i) {
        const QChar c = value.at(i);
        clean = c.unicode() >= 0x80 ? c.category() != QChar::Other_Control && !c.isSpace()
                                    : (c.unicode() >= 0x20 && c.unicode() != 0x7f &&
                                       (c != u' ' || value.at(i + 1) != u' '));
    }
    if (!clean && column != u"email") {
        // A quoted line break or tab in a one-line field becomes a blank.
        for (QChar& c : value)
            if (c.category() == QChar::Other_Control)
                c = u' ';
        value = value.simplified();
    }
    if (!clean)
        value = value.trimmed();
    if (column == u"phone" || column == u"fax") {
        QString digits;
        for (const QChar c : value)
            if (c.isDigit())
                digits += QChar(u'0' + c.digitValue());
        if (digits.size() > 11) {
            reason = Tr("%1 has more than 11 digits").arg(column);
            return false;
        }
        value = digits;
        return true;
    }
    if (column == u"email" && !value.isEmpty()) {
        for (const QChar c : value)
            if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                c == QChar::ParagraphSeparator) {
                reason = Tr("the e-mail address holds a control character");
                return false;
            }
        if (!value.contains(u'@')) {
            reason = Tr("the e-mail address has no \"@\"");
            return false;
        }
    }
    if (column == u"last_name" && value.isEmpty()) {
        reason = Tr("no last name");
        return false;
    }
    const int size = ColumnSize(column);
    if (size > 0 && value.size() > size) {
        reason = Tr("%1 is longer than %2 characters").arg(column).arg(size);
        return false;
    }
    return true;
}

TImportPlan TImportRun::Analyse(const TImportTable& table, const QList<TImportField>& mapping) const
{
    TImportPlan plan;
    plan.table = table;
    plan.mapping = mapping;
    const QHash<QString, int> titles =
        ListKeys(m_conn, QStringLiteral("select title_id, t_name from titles"));
    const QHash<QString, int> specialities =
        ListKeys(m_conn, QStringLiteral("select spec_id, s_name from specialities"));
    // The index kept in a file is read beside the value checks, which do not touch the
    // database; building one (which writes and may ask) waits for them.
    TDuplicateIndex index;
    std::future<bool> kept;
    if (!m_conn.IsServer())
        kept = std::async(std::launch::async, [this, &index] { return index.TryLoadKept(m_conn); });
    QSet<QString> unknownTitles, unknownSpecialities;
    QList<qsizetype> described; // possible duplicates of stored people

    plan.rows.reserve(table.rows.size());
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        const QStringList& cells = table.rows.at(r);
        TImportRow row;
        row.line = table.lines.value(r);
        QStringList reasons;
        for (qsizetype c = 0; c < mapping.size() && c < cells.size(); ++c) {
            const TImportField field = mapping.at(c);
            if (field == TImportField::Title) {
                row.title = cells.at(c).trimmed();
                continue;
            }
            if (field == TImportField::Speciality) {
                row.speciality = cells.at(c).trimmed();
                continue;
            }
            const QString column = TImportMapping::Column(field);
            if (column.isEmpty())
                continue;
            QString value = cells.at(c);
            QString reason;
            if (!CheckValue(column, value, reason))
                reasons << reason;
            if (!value.isEmpty())
                row.values.insert(column, value);
        }
        if (!mapping.contains(TImportField::LastName))
            reasons << Tr("no last name");
        if (!row.title.isEmpty() && row.title.size() > 15)
            reasons << Tr("t_name is longer than 15 characters");
        if (!row.speciality.isEmpty() && row.speciality.size() > 40)
            reasons << Tr("s_name is longer than 40 characters");
        if (!reasons.isEmpty()) {
            reasons.removeDuplicates();
            row.outcome = TImportOutcome::Refused;
            row.reason = reasons.join(QStringLiteral("; "));
            plan.rows << row;
            continue;
        }
        const QString titleKey = TDuplicateIndex::Fold(row.title);
        if (!titleKey.isEmpty() && !titles.contains(titleKey) && !unknownTitles.contains(titleKey)) {
            unknownTitles.insert(titleKey);
            plan.unknownTitles << row.title;
        }
        const QString specKey = TDuplicateIndex::Fold(row.speciality);
        if (!specKey.isEmpty() && !specialities.contains(specKey) &&
            !unknownSpecialities.contains(specKey)) {
            unknownSpecialities.insert(specKey);
            plan.unknownSpecialities << row.speciality;
        }

        plan.rows << row;
    }

    if (!kept.valid()) {
        index.LoadParticipants(m_conn);
    } else {
        bool loaded = false;
        bool tried = false;
        try {
            loaded = kept.get();
            tried = true;
        } catch (const EDatabaseError&) {
            // Read again below, where an error reaches the user.
        }
        if (!loaded)
            tried ? index.BuildParticipants(m_conn) : index.LoadParticipants(m_conn);
    }
    for (qsizetype r = 0; r < plan.rows.size(); ++r) {
        TImportRow& row = plan.rows[r];
        if (row.outcome == TImportOutcome::Refused)
            continue;
        const TPersonKeys keys = Keys(row.values);
        // A row that is not a match joins the index, so later rows are checked against it.
        const TDuplicateIndex::TMatch match =
            index.FindOrAdd(keys, -qint64(r) - 1);
        if (match.kind == TDuplicateIndex::TKind::Same) {
            row.outcome = TImportOutcome::Matched;
            if (match.id < 0) {
                // The same person as an earlier row: that row gains the empty fields.
                row.matchRow = int(-match.id - 1);
                TImportRow& first = plan.rows[row.matchRow];
                for (auto it = row.values.cbegin(); it != row.values.cend(); ++it)
                    if (!first.values.contains(it.key()))
                        first.values.insert(it.key(), it.value());
                if (first.title.isEmpty())
                    first.title = row.title;
                if (first.speciality.isEmpty())
                    first.speciality = row.speciality;
                row.matchId = first.matchId;
            } else {
                row.matchId = match.id;
            }
        } else if (match.kind == TDuplicateIndex::TKind::Possible) {
            row.outcome = TImportOutcome::Possible;
            if (match.id < 0) {
                row.matchRow = int(-match.id - 1);
                row.reason = Tr("possible duplicate of row %1 of the file")
                                 .arg(plan.rows.at(row.matchRow).line);
            } else {
                row.matchId = match.id; // the reason names the person after the loop
                described << r;
            }
        }
    }

    QSet<qint64> ids;
    for (const qsizetype r : std::as_const(described))
        ids.insert(plan.rows.at(r).matchId);
    const QHash<qint64, QString> names = Describe(m_conn, ids.values());
    for (const qsizetype r : std::as_const(described)) {
        TImportRow& row = plan.rows[r];
        row.reason = Tr("possible duplicate of %1 (number %2)")
                         .arg(names.value(row.matchId), QString::number(row.matchId));
    }
    return plan;
}

bool TImportRun::Commit(const TImportPlan& plan, const TImportOptions& options,
                        TImportResult& result, const TProgress& progress)
{
    result = {};
    TTransaction transaction(m_conn);
    // Names the lists lack: the user's choice, else a new entry.
    auto resolve = [this](const QString& table, const QString& keyColumn, const QString& nameColumn,
                          const QHash<QString, int>& choices) {
        QHash<QString, int> keys = ListKeys(
            m_conn, QStringLiteral("select %1, %2 from %3").arg(keyColumn, nameColumn, table));
        for (auto it = choices.cbegin(); it != choices.cend(); ++it)
            if (it.value() > 0)
                keys.insert(it.key(), it.value());
        return keys;
    };
    QHash<QString, int> titles = resolve(QStringLiteral("titles"), QStringLiteral("title_id"),
                                         QStringLiteral("t_name"), options.titleChoices);
    QHash<QString, int> specialities =
        resolve(QStringLiteral("specialities"), QStringLiteral("spec_id"), QStringLiteral("s_name"),
                options.specialityChoices);
    auto keyOf = [this](QHash<QString, int>& keys, const QString& name, const QString& table,
                        const QString& nameColumn) -> QVariant {
        const QString folded = TDuplicateIndex::Fold(name);
        if (folded.isEmpty())
            return {};
        auto it = keys.find(folded);
        if (it == keys.end()) {
            m_conn.Execute(QStringLiteral("insert into %1 (%2) values (?)").arg(table, nameColumn),
                           {name.trimmed()});
            it = keys.insert(folded, int(m_conn.LastInsertRowId()));
        }
        return it.value();
    };

    // The statements take every value as a parameter, so rows that fill the same fields share
    // one text, built once and compiled once.
    struct TFields
    {
        quint32 mask = 0; // one bit per column, in the order met
        QVariantList values;
        QVariant title, speciality;
    };
    QHash<QString, int> bits;
    QStringList columnOfBit;
    QHash<quint32, QString> insertTexts, mergeTexts;
    auto fieldsOf = [&](const TImportRow& row) {
        TFields fields;
        fields.values.reserve(row.values.size() + 3);
        for (auto it = row.values.cbegin(); it != row.values.cend(); ++it) {
            auto bit = bits.constFind(it.key());
            if (bit == bits.cend()) {
                bit = bits.insert(it.key(), int(columnOfBit.size()));
                columnOfBit << it.key();
            }
            fields.mask |= 1u << *bit;
            fields.values << it.value();
        }
        fields.title = keyOf(titles, row.title, QStringLiteral("titles"), QStringLiteral("t_name"));
        fields.speciality = keyOf(specialities, row.speciality, QStringLiteral("specialities"),
                                  QStringLiteral("s_name"));
        if (fields.title.isValid())
            fields.values << fields.title;
        if (fields.speciality.isValid())
            fields.values << fields.speciality;
        // The bits above the columns tell whether a title and a speciality are set.
        fields.mask |= (fields.title.isValid() ? 1u << 30 : 0) |
                       (fields.speciality.isValid() ? 1u << 31 : 0);
        return fields;
    };
    // The columns of a mask in the order of a row's values (by name).
    auto columnsOf = [&](quint32 mask) {
        QStringList columns;
        for (qsizetype bit = 0; bit < columnOfBit.size(); ++bit)
            if (mask & (1u << bit))
                columns << columnOfBit.at(bit);
        std::sort(columns.begin(), columns.end());
        return columns;
    };

    // Fills the person's empty fields only; a stored value is never overwritten.
    auto merge = [&](qint64 userId, const TImportRow& row) {
        TFields fields = fieldsOf(row);
        if (fields.values.isEmpty()) {
            ++result.merged;
            return;
        }
        auto text = mergeTexts.constFind(fields.mask);
        if (text == mergeTexts.cend()) {
            QStringList sets;
            for (const QString& column : columnsOf(fields.mask))
                sets << QStringLiteral("%1 = case when %1 is null or trim(%1) = '' then ? "
                                       "else %1 end")
                            .arg(column);
            if (fields.title.isValid())
                sets << QStringLiteral("title_id = coalesce(title_id, ?)");
            if (fields.speciality.isValid())
                sets << QStringLiteral("spec_id = coalesce(spec_id, ?)");
            text = mergeTexts.insert(
                fields.mask, QStringLiteral("update participants set %1 where user_id = ?")
                                 .arg(sets.join(QStringLiteral(", "))));
        }
        fields.values << userId;
        m_conn.Execute(*text, fields.values);
        ++result.merged;
    };
    auto insert = [&](const TImportRow& row) {
        const TFields fields = fieldsOf(row);
        auto text = insertTexts.constFind(fields.mask);
        if (text == insertTexts.cend()) {
            QStringList columns = columnsOf(fields.mask);
            if (fields.title.isValid())
                columns << QStringLiteral("title_id");
            if (fields.speciality.isValid())
                columns << QStringLiteral("spec_id");
            QStringList marks(columns.size(), QStringLiteral("?"));
            text = insertTexts.insert(fields.mask,
                                      QStringLiteral("insert into participants (%1) values (%2)")
                                          .arg(columns.join(QStringLiteral(", ")),
                                               marks.join(QStringLiteral(", "))));
        }
        m_conn.Execute(*text, fields.values);
        return m_conn.LastInsertRowId();
    };
    // The people to register, each once, in the order met; written after the rows.
    QList<qint64> registrants;
    QSet<qint64> registering;
    auto registerPerson = [&](qint64 userId) {
        if (options.conferenceId > 0 && userId > 0 && !registering.contains(userId)) {
            registering.insert(userId);
            registrants << userId;
        }
    };

    QList<qint64> storedIds(plan.rows.size(), 0);
    const int total = int(plan.rows.size());
    // The new people go in first, in the order of the file. On a file a hundred rows go in
    // one statement and take the keys that follow one another up to the last one given.
    QList<qint64> newIds(plan.rows.size(), 0);
    QList<int> newRows;
    for (int i = 0; i < total; ++i) {
        const TImportRow& row = plan.rows.at(i);
        if (row.outcome == TImportOutcome::New ||
            (row.outcome == TImportOutcome::Possible &&
             Decision(options, i) == TDuplicateDecision::AddNew))
            newRows << i;
    }
    if (m_conn.IsServer()) {
        for (const int i : std::as_const(newRows))
            newIds[i] = insert(plan.rows.at(i));
    } else {
        QList<TFields> fields;
        fields.reserve(newRows.size());
        quint32 all = 0;
        for (const int i : std::as_const(newRows)) {
            fields << fieldsOf(plan.rows.at(i));
            all |= fields.last().mask;
        }
        QStringList columns = columnsOf(all);
        const qsizetype plain = columns.size();
        if (all & (1u << 30))
            columns << QStringLiteral("title_id");
        if (all & (1u << 31))
            columns << QStringLiteral("spec_id");
        const QString one =
            u'(' + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) + u')';
        constexpr qsizetype kRowsPerStatement = 100;
        QString text;
        QVariantList values;
        QHash<quint32, QStringList> ownColumns;
        for (qsizetype from = 0; from < newRows.size(); from += kRowsPerStatement) {
            // The new people are the first half of the way, the other rows the second.
            if (progress && !progress(int(from / 2), total))
                return false; // the transaction rolls back
            const qsizetype count = std::min(kRowsPerStatement, newRows.size() - from);
            if (count != kRowsPerStatement || text.isEmpty())
                text = QStringLiteral("insert into participants (%1) values %2")
                           .arg(columns.join(QStringLiteral(", ")),
                                QStringList(count, one).join(QStringLiteral(", ")));
            values.clear();
            values.reserve(count * columns.size());
            for (qsizetype k = from; k < from + count; ++k) {
                // A row's values follow its columns in the order of columnsOf; the others
                // are null, as an insert that leaves them out stores them.
                const TFields& f = fields.at(k);
                const quint32 mask = f.mask & ~(3u << 30);
                auto own = ownColumns.constFind(mask);
                if (own == ownColumns.cend())
                    own = ownColumns.insert(mask, columnsOf(mask));
                qsizetype at = 0;
                for (qsizetype c = 0; c < plain; ++c)
                    values << (at < own->size() && own->at(at) == columns.at(c) ? f.values.at(at++)
                                                                                : QVariant());
                if (all & (1u << 30))
                    values << f.title;
                if (all & (1u << 31))
                    values << f.speciality;
            }
            m_conn.Execute(text, values);
            const qint64 last = m_conn.LastInsertRowId();
            for (qsizetype k = 0; k < count; ++k)
                newIds[newRows.at(from + k)] = last - count + 1 + k;
        }
    }

    for (int i = 0; i < total; ++i) {
        if (progress && i % 500 == 0 && !progress(total / 2 + i / 2, total))
            return false; // the transaction rolls back
        const TImportRow& row = plan.rows.at(i);
        qint64 userId = 0;
        switch (row.outcome) {
        case TImportOutcome::Refused:
            ++result.refused;
            continue;
        case TImportOutcome::Possible:
            switch (Decision(options, i)) {
            case TDuplicateDecision::LeaveOut:
                ++result.leftOut;
                continue;
            case TDuplicateDecision::Merge:
                userId = row.matchRow >= 0 ? storedIds.at(row.matchRow) : row.matchId;
                if (userId == 0) {
                    ++result.leftOut; // the earlier row was left out
                    continue;
                }
                if (row.matchRow < 0)
                    merge(userId, row);
                storedIds[i] = userId;
                registerPerson(userId);
                continue;
            case TDuplicateDecision::AddNew:
                break;
            }
            [[fallthrough]];
        case TImportOutcome::New:
            userId = newIds.at(i);
            ++result.added;
            break;
        case TImportOutcome::Matched:
            if (row.matchRow >= 0) {
                userId = storedIds.at(row.matchRow);
                if (userId == 0)
                    continue; // the earlier row was left out
                break;
            }
            userId = row.matchId;
            merge(userId, row);
            break;
        }
        storedIds[i] = userId;
        registerPerson(userId);
    }

    // A pair registered before stays as it was. A few hundred pairs go in one statement.
    constexpr qsizetype kPairsPerStatement = 250;
    QString registration;
    for (qsizetype from = 0; from < registrants.size(); from += kPairsPerStatement) {
        const qsizetype count = std::min(kPairsPerStatement, registrants.size() - from);
        if (count != kPairsPerStatement || registration.isEmpty()) {
            QStringList rows(count, QStringLiteral("(?, ?, ?)"));
            registration = QStringLiteral("insert into registrations (conf_id, user_id, source) "
                                          "values %1 on conflict do nothing")
                               .arg(rows.join(QStringLiteral(", ")));
        }
        QVariantList values;
        values.reserve(count * 3);
        for (qsizetype i = from; i < from + count; ++i)
            values << options.conferenceId << registrants.at(i) << options.source;
        result.registered += m_conn.Execute(registration, values);
    }
    if (progress && !progress(total, total))
        return false;
    transaction.Commit();
    return true;
}

QString TImportRun::WriteRefused(const TImportPlan& plan, const TImportOptions& options,
                                 const QString& sourcePath)
{
    const QFileInfo info(sourcePath);
    const QString path = info.dir().filePath(info.completeBaseName() + QStringLiteral("-refused.csv"));
    QList<QStringList> out;
    QStringList head = plan.table.captions;
    head << QStringLiteral("reason");
    out << head;
    for (qsizetype i = 0; i < plan.rows.size(); ++i) {
        const TImportRow& row = plan.rows.at(i);
        const bool leftOut = row.outcome == TImportOutcome::Refused ||
                             (row.outcome == TImportOutcome::Possible &&
                              Decision(options, int(i)) == TDuplicateDecision::LeaveOut);
        if (!leftOut)
            continue;
        QStringList cells = plan.table.rows.at(i);
        cells << row.reason;
        out << cells;
    }
    if (out.size() == 1) {
        QFile::remove(path);
        return {};
    }
    TImportFile::WriteCsv(path, out);
    return path;
}

TDuplicateDecision TImportRun::Decision(const TImportOptions& options, int index)
{
    return options.decisions.value(index, options.addPossibleDuplicates
                                              ? TDuplicateDecision::AddNew
                                              : TDuplicateDecision::LeaveOut);
}

QStringList TImportRun::Conflicts(const TImportRow& row) const
{
    QStringList conflicts;
    if (row.matchId <= 0 || row.values.isEmpty())
        return conflicts;
    TDataSet stored(m_conn, QStringLiteral("Stored"));
    stored.SetSQL(QStringLiteral("select %1 from participants where user_id = %2")
                      .arg(row.values.keys().join(QStringLiteral(", ")))
                      .arg(row.matchId));
    stored.Open();
    if (stored.RecordCount() == 0)
        return conflicts;
    int field = 0;
    for (auto it = row.values.cbegin(); it != row.values.cend(); ++it, ++field) {
        const QString kept = stored.RowValue(0, field).toString().trimmed();
        if (!kept.isEmpty() && kept.compare(it.value().trimmed(), Qt::CaseInsensitive) != 0)
            conflicts << Tr("%1: %2 stays (not %3)").arg(it.key(), kept, it.value());
    }
    return conflicts;
}
