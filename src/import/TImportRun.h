#pragma once

#include "import/TImportFile.h"
#include "import/TImportMapping.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

class TConnection;

// How one row of an imported list is taken.
enum class TImportOutcome {
    New,      // a new participant
    Matched,  // the same person as one in the database or in an earlier row of the file
    Possible, // a possible duplicate: left out unless the user adds them
    Refused   // a value the database would not hold; reason says which
};

struct TImportRow
{
    int line = 0;               // row number in the file
    TImportOutcome outcome = TImportOutcome::New;
    QString reason;             // of a refused row or a possible duplicate
    QMap<QString, QString> values; // participant column -> value as it will be stored
    QString title;              // as the file names it
    QString speciality;
    qint64 matchId = 0;         // the user_id of a match or possible duplicate; 0 for none
    int matchRow = -1;          // a match with an earlier row of the file: its index
};

// What becomes of one possible duplicate.
enum class TDuplicateDecision {
    LeaveOut, // not stored; written to the refused rows
    AddNew,   // stored as a new participant
    Merge     // taken as the person it resembles, whose empty fields it fills
};

// The user's choices for the names of titles and specialities that the lists lack: the key
// of an existing entry, or 0 (absent) to add the name as a new entry.
struct TImportOptions
{
    int conferenceId = 0;       // register every imported or matched person here; 0 for none
    bool addPossibleDuplicates = false;
    // Per possible duplicate, by its index in TImportPlan::rows; a row without a decision is
    // added when addPossibleDuplicates is set, else left out.
    QHash<int, TDuplicateDecision> decisions;
    QHash<QString, int> titleChoices;      // folded name -> title_id
    QHash<QString, int> specialityChoices; // folded name -> spec_id
    QString source = QStringLiteral("import");
};

// A file read, mapped and checked, before anything is stored.
struct TImportPlan
{
    TImportTable table;
    QList<TImportField> mapping;
    QList<TImportRow> rows;
    QStringList unknownTitles;       // names the titles list lacks, as first written
    QStringList unknownSpecialities;
    int Count(TImportOutcome outcome) const;
};

struct TImportResult
{
    int added = 0;      // new participants
    int merged = 0;     // matches whose empty fields were filled or left as they were
    int registered = 0; // registrations written
    int refused = 0;    // rows refused, possible duplicates left out included
    int leftOut = 0;    // possible duplicates left out
};

// Checks a list against the value rules and the participants, and stores it in one
// transaction: nothing of it is stored when the run fails or is cancelled.
class TImportRun
{
public:
    explicit TImportRun(TConnection& conn);

    TImportPlan Analyse(const TImportTable& table, const QList<TImportField>& mapping) const;
    // progress(done, total) is called every few hundred rows; returning false cancels the run, which
    // then stores nothing and returns false.
    using TProgress = std::function<bool(int done, int total)>;
    bool Commit(const TImportPlan& plan, const TImportOptions& options, TImportResult& result,
                const TProgress& progress = {});
    // The refused rows and left-out possible duplicates (unless they were added) with the
    // file's captions and a last column "reason", written beside the file as
    // "<name>-refused.csv". Returns the path, or "" when there was none (an old one goes).
    static QString WriteRefused(const TImportPlan& plan, const TImportOptions& options,
                                const QString& sourcePath);

    // The value rules, also used on their own: a text as the column stores it, or a reason.
    // Phone and fax keep their digits (at most eleven); an e-mail needs an "@" and no control
    // character; a text longer than its column is refused.
    static bool CheckValue(const QString& column, QString& value, QString& reason);
    // What becomes of the possible duplicate at index of plan.rows under options.
    static TDuplicateDecision Decision(const TImportOptions& options, int index);
    // The fields of a row that differ from the non-empty ones stored for the person it matches
    // or resembles ("phone: 555-1234 stays"); a merge keeps the stored values.
    QStringList Conflicts(const TImportRow& row) const;

private:
    TConnection& m_conn;
};
