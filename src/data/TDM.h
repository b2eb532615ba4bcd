#pragma once

#include "data/TBadgeCodes.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <initializer_list>
#include <memory>

class TConfFilter;
class TConfig;
class TConnection;
class TDataSet;
class TIdList;
class TRegistrations;
class TTimeFilter;
class TTransaction;
struct TConferenceDetails;

// The data module: owns the connection, the settings object and the twenty-three data sets of
// the catalogue. Start-up makes one for the run and hands it to every window it creates.
class TDM : public QObject
{
    Q_OBJECT
public:
    // Runs DataModuleCreate on the given working directory (the process's current one by
    // default). Never throws: a failure is shown in the plain message box and sets OpenFailed.
    explicit TDM(const QString& workingDirectory = QString(), QObject* parent = nullptr);
    // DataModuleDestroy: closes the connection, then frees (and so flushes) Config.
    ~TDM() override;

    bool OpenFailed = false;
    // True when cme.mdb could only be opened read-only: the pages then offer no change.
    bool ReadOnly() const;
    // "cme.mdb is read-only: changes cannot be saved."
    QString ReadOnlyReason() const;
    TConnection* Conn = nullptr;
    // Null when start-up failed before the settings were read.
    TConfig* Config = nullptr;

    // The catalogue. All exist from construction on; the first sixteen are open after a
    // successful start-up.
    TDataSet* Participants = nullptr;
    TDataSet* PartConfs = nullptr;
    TDataSet* Conferences = nullptr;
    TDataSet* ConfParts = nullptr;
    TDataSet* Speakers = nullptr;
    TDataSet* ConfSpeakers = nullptr;
    TDataSet* ConfCredits = nullptr;
    TDataSet* Credits = nullptr;
    TDataSet* Titles = nullptr;
    TDataSet* Specialities = nullptr;
    TDataSet* ConfExtras = nullptr;
    TDataSet* Extras = nullptr;
    TDataSet* Attendances = nullptr;
    TDataSet* Transcripts = nullptr;
    TDataSet* CalendarConfs = nullptr;
    TDataSet* SignInConfs = nullptr;
    TDataSet* SignInParts = nullptr;
    TDataSet* TransParticipants = nullptr;
    TDataSet* TransConferences = nullptr;
    TDataSet* TransStatistics = nullptr;
    TDataSet* TransConfCredits = nullptr;
    TDataSet* TransConfExtras = nullptr;
    TDataSet* TransEmail = nullptr;
    // Conference registrations and their list ConfRegs (not part of the catalogue).
    TRegistrations* Registrations = nullptr;

    const QString& WorkingDirectory() const { return m_workingDirectory; }
    // Every data set of the catalogue, in catalogue order.
    QList<TDataSet*> AllDataSets() const;
    // Links the detail data sets to their masters (the main window does this at creation).
    void LinkDetails();

    // --- Filters and query building (TDMFilters.cpp) ------------------------------------
    // Texts typed by the user go between single quotes with their own quotes doubled, so they
    // are matched literally; a text without a quote gives the plain format.

    // The condition text of every filtered list: "" when both filters are empty, otherwise
    // " <keyword> " followed by the fragments joined by "and" and one blank at the end.
    static QString ConferenceConditions(const QString& keyword, const QString& prefix,
                                        const TConfFilter& confFilter,
                                        const TTimeFilter& timeFilter);
    // The fragments; each ends in " and ". The prefix is empty or an alias with its dot ("c.").
    static QString DateRangeCondition(const QString& prefix, const QDate& beginDate,
                                      const QDate& endDate);
    // With no year at all the fragment matches no conference.
    static QString YearsCondition(const QString& prefix, const QStringList& years);
    static QString ConfNameCondition(const QString& prefix, const QString& name);
    static QString SeriesCondition(const QString& prefix, const QString& serie);
    static QString ExtraCondition(const QString& prefix, const QString& extra);
    static QString SpeakerCondition(const QString& prefix, const QString& speaker);
    static QString CreditsCondition(const QString& prefix, const QString& creditsAndOr,
                                    const TIdList& credits);

    // Reopen a list with the filtered query; its client-side sort stays. On an engine error the
    // data set stays closed, its notifications come back on and the error propagates.
    // dataSet is Conferences, SignInConfs or CalendarConfs.
    void ApplyConferenceFilter(TDataSet* dataSet, const TConfFilter& confFilter,
                               const TTimeFilter& timeFilter);
    void ApplyTranscriptFilter(const TConfFilter& confFilter, const TTimeFilter& timeFilter);
    void ApplyPartConfsFilter(const TConfFilter& confFilter, const TTimeFilter& timeFilter);
    // The SQL text selecting the participants who receive transcripts: those of the ids when
    // the list holds any (participant ids as decimal text), else the filtered attendees.
    static QString SelectTranscriptParticipants(const TConfFilter& confFilter,
                                                const TTimeFilter& timeFilter,
                                                const QStringList& ids = {});
    // Reopens ConfParts narrowed to last names beginning with the text (all for a blank text).
    void SearchConferenceParticipants(const QString& text);
    // ", " and the text when it holds a non-blank character, else "".
    static QString CommaPrefixed(const QString& text);

    // --- Conference records (TDMConferences.cpp) ----------------------------------------
    // Each fill clears the list first and walks its data set with notifications off.
    void FillCredits(TIdList& list);           // every credit type; Credits left on its first row
    void FillConferenceCredits(TIdList& list); // the current conference's credit types
    void FillConferenceSpeakers(TIdList& list); // "first last" of its speakers
    void FillConferenceExtras(TIdList& list);  // its additional-info items
    // Add the current row of Speakers / Extras unless a line has that text (any letter case).
    void AddPickedSpeaker(TIdList& list);
    void AddPickedExtra(TIdList& list);
    // Shows the current conference: fills the details from the current row of Conferences
    // (details.Credits must hold every credit type; only its check marks change). Returns
    // false and changes nothing while Conferences is being edited or inserted.
    bool ShowCurrentConference(TConferenceDetails& details);
    // Stores the conference being edited or inserted and rewrites its speakers, additional
    // info and credit types, all in one transaction. On failure the database is unchanged,
    // Conferences is back in its edit or insert state with the values typed, and the error
    // propagates.
    void SaveConference(const TIdList& checkedCredits, const TIdList& speakers,
                        const TIdList& extras, double units, const QDate& beginDate,
                        const QTime& beginTime, const QDate& endDate, const QTime& endTime);
    // The same from the page's values (the checked lines of details.Credits).
    void SaveConference(const TConferenceDetails& details);
    // After a conference is saved or removed: Attendances, PartConfs, ConfParts,
    // CalendarConfs, SignInConfs, Transcripts.
    void RequeryAfterConferenceChange();

    // --- Participants and attendances (TDMParticipants.cpp, TDMAttendances.cpp) ---------
    // What one sign-in came to.
    enum class TSignIn { Added, AlreadySignedIn, NotInDatabase };
    // The sign-in of every window: records that the participant attended the conference
    // unless that pair exists (also when another program wrote it since Attendances was read).
    // The checks and the row share one transaction; the row goes through Attendances, so a
    // later "Remove" finds it. NotInDatabase, writing nothing, when a key is null (a row being
    // added) or no longer stored. Refreshes nothing; a refused write propagates.
    TSignIn AddAttendance(const QVariant& confId, const QVariant& userId);
    // The same for the current participant at the current conference; does nothing while
    // either list has no stored current row.
    void AddAttendance();
    // What a badge scan came to: whose code it is (current, replaced or unknown), and for a
    // current code what the sign-in came to, the holder's name when the database gave it, and
    // the time of an earlier sign-in.
    struct TBadgeSignIn {
        TBadgeCodes::TKind code = TBadgeCodes::TKind::Unknown;
        TSignIn result = TSignIn::NotInDatabase;
        int userId = 0;
        QString name;
        QDateTime signedInAt;
    };
    // The sign-in of a badge's holder (the text as scanned) under the same rules as
    // AddAttendance. A replaced or unknown code signs nobody in. On a server the lookup, the
    // checks and the row are one statement, sent with its transaction in one round trip; the
    // row does not pass through Attendances. codes remembers whether the database has badges.
    TBadgeSignIn AddAttendanceByBadge(const QVariant& confId, const QString& text,
                                      TBadgeCodes& codes);
    // The keys of the current rows of Conferences and Participants; null without a row.
    QVariant CurrentConferenceId() const;
    QVariant CurrentParticipantId() const;
    // Deletes the pair if Attendances holds it, then requeries ConfParts, PartConfs and
    // Transcripts; a pair it does not hold changes and refreshes nothing. Attendances is read
    // again first when this program's badge scans stored pairs it was not told of.
    void RemoveAttendance(int confId, int userId);
    // Clears the blank optional texts of the current participant to null and posts it. A
    // refused post keeps the edit or insert state and propagates. An e-mail address given a
    // line break or another control character is refused with TError naming the field; one
    // stored so before may stay while the rest of the row changes.
    void SaveParticipant();
    // Sets the field of the current row to null when its text is blank (spaces and control
    // characters only). The data set must be in edit or insert state.
    void ClearIfBlank(TDataSet* dataSet, const QString& fieldName);
    // Narrows Participants to last names beginning with the text (any letter case), or shows
    // every row for a blank text.
    void SearchParticipants(const QString& text);
    // Asks "Remove participant?" when there is one, deletes it on Yes (not its attendances),
    // then always requeries the lists. Returns true when the row was deleted.
    bool DeleteParticipant();
    // The refresh sets of the attendance and participant changes.
    void RequeryAfterPickedAttendance();   // PartConfs, ConfParts, Transcripts
    // SignInParts's row of userId (then selected again), PartConfs, ConfParts.
    void RequeryAfterSignInAttendance(int userId);
    // Reads SignInParts's row of userId again (a walk-in's new row: the whole list) and
    // selects it, or the first row when the list's filter hides it.
    void RefreshSignInRow(int userId);
    // Other stations signed these (conf_id, user_id) pairs in or out (an empty list: too many
    // to name). The sign-in list reads again only the rows of its own conference; the current
    // row stays.
    void RefreshSignInsElsewhere(const QList<std::pair<qint64, qint64>>& pairs);
    void RequeryAfterParticipantChange();  // PartConfs, ConfParts, SignInConfs, Transcripts
    void RequeryAfterSignInClosed();       // ConfParts, PartConfs

    // --- Reference lists (TDMReferenceLists.cpp) ----------------------------------------
    // Each removes the current row of its list and what refers to it, in one transaction:
    // when a step fails the database is unchanged and the error propagates.
    void DeleteCredit();
    void DeleteSpeciality();
    void DeleteTitle();
    void DeleteSpeaker();
    void DeleteExtra();
    // The name of a key, without moving the list; "" for an unknown, null or zero key.
    QString TitleName(int titleId) const;
    QString SpecialityName(int specId) const;

    // --- Transcripts (TDMTranscripts.cpp) -----------------------------------------------
    // Sets the statement of a data set: closes it, sets the lines joined by CR LF, opens it.
    static void SetQuery(TDataSet* dataSet, const QStringList& lines);
    // TransConferencesCalcFields: c_credits and c_extras of a TransConferences row. The
    // credit type (additional-info) names of the conference as TransConfCredits
    // (TransConfExtras) holds them, in its order, each followed by "; ", cut at 200
    // characters; "" while that data set is closed.
    QString ConferenceCreditsText(int confId) const;
    QString ConferenceExtrasText(int confId) const;

private:
    struct TNameTexts;
    QString NameText(TNameTexts& texts, TDataSet* source, const char* nameField, int confId) const;
    void CreateCatalogue();
    void DataModuleCreate();
    // Opens the database that quorvel.ini names: the file, or a server.
    void OpenDatabase(const QString& databasePath);
    void DataModuleDestroy();

    void ApplyFilteredQuery(TDataSet* dataSet, const QString& sql);
    void RequeryInOrder(std::initializer_list<TDataSet*> dataSets);
    void RemoveReferenceRow(TDataSet* list, const QString& keyField,
                            const QStringList& statements,
                            std::initializer_list<TDataSet*> requeries);
    // Gives the transaction of a conference save the steps that put the lists back when it
    // fails; posted and confId are read at that moment.
    void UndoFailedConferenceSave(TTransaction& transaction, const bool& posted, bool wasInsert,
                                  const QList<QPair<QString, QVariant>>& typed,
                                  const int& confId);

    QString m_workingDirectory;
    std::unique_ptr<TConfig> m_config;
    // The texts of c_credits and c_extras by conference, read again when their data set was.
    mutable std::shared_ptr<TNameTexts> m_creditTexts;
    mutable std::shared_ptr<TNameTexts> m_extraTexts;
    // Badge scans on a server stored pairs that Attendances, already read, does not hold.
    bool m_attendancesBehind = false;
};
