#pragma once

#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QMap>
#include <QStringList>

#include <functional>
#include <memory>

class TConfFilter;
class TDM;
class TDeliveryLog;
class TProgress;
class TDataSet;
class TPrompts;
class TReportProject;
class TReportWindows;
class TReportContent;
class TTimeFilter;
class TTranscriptSeal;
struct TReportSeries;

// The document runs over the data module: transcripts (printed, previewed and e-mailed), the
// attendance sheet, the two CSV lists and the conference calendar. One exists beside the data
// module for the life of the main window; it keeps the report project loaded between runs.
// Errors travel as TError to the caller; nothing here catches them.
class TDocuments
{
public:
    // Every status window, preview and delivery report goes through windows.
    TDocuments(TDM& dm, TPrompts& prompts, TReportWindows& windows);
    ~TDocuments();
    TDocuments(const TDocuments&) = delete;
    TDocuments& operator=(const TDocuments&) = delete;

    TDM& DataModule() const { return m_dm; }
    TPrompts& Prompts() const { return m_prompts; }
    TReportWindows& Windows() const { return m_windows; }
    // Shown by runs over TProgress::Threshold rows; none (no window, no cancel) when null.
    // The caller keeps ownership.
    void SetProgress(TProgress* progress) { m_progress = progress; }

    // --- Transcripts and the attendance sheet (TDocumentsReports.cpp) --------------------
    // Prints the postal and fax transcripts in one job, then runs EmailTranscripts. ids holds
    // participant ids as decimal text; an empty list means every participant the filters select.
    void GenerateTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                             const QStringList& ids = {});
    // What GenerateTranscripts would do with the same arguments: the transcripts it prints
    // (by post and by fax), the messages it sends and the e-mail participants it cannot mail.
    struct TRunCounts {
        int post = 0;
        int fax = 0;
        int email = 0;
        int noAddress = 0;
    };
    TRunCounts CountTranscriptRun(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                  const QStringList& ids = {});
    // Prints the transcripts of these participants, whatever their mailing option, in one job.
    void PrintTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                          const QStringList& ids);
    // Shows every chosen participant's transcript in the modal preview (printing refused).
    void PreviewTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                            const QStringList& ids = {});
    // Shows the attendance sheet of the current conference in the modal preview.
    void PrintConferenceParticipants();

    // The report set-up of a transcript run: loads cme.rav when first needed (and keeps it),
    // checks that it holds "TranscriptReport", reads the header and footer parameters from the
    // settings, sets the period of timeFilter ("pPeriod") and today's date ("pIssueDate") and
    // reopens TransConfCredits and TransConfExtras. Throws TError on failure.
    void SetUpTranscriptReport(const TTimeFilter& timeFilter);
    // The same for no time criterion: the period reads "all dates".
    void SetUpTranscriptReport();
    // The period a time filter covers, in the words of the locale: "1 January – 31 December
    // 2026" for a year or for years one after the other, the years listed when they are not
    // ("2022, 2024"), the two dates of a range, "all dates" without a criterion.
    static QString PeriodText(const TTimeFilter& timeFilter, const QLocale& locale = QLocale());
    // A date in full without the day of the week: "10 December 2026", "December 10, 2026".
    static QString IssueDateText(const QDate& date, const QLocale& locale = QLocale());
    // Writes "TranscriptReport" over TransParticipants as it stands (its visible rows, each on
    // pages of its own; the e-mail run filters it to one participant) with TransConferences
    // and TransStatistics as they stand, to a PDF file at path (replaced when it exists). The
    // status window waits for Ok; with a series it also offers "Ok to all", after which the
    // series' later runs do not wait. Uses the last SetUpTranscriptReport (runs it when none
    // ran yet). Cancel throws EReportCancelled and leaves no new file; errors are TError.
    void WriteTranscriptPdf(const QString& path, TReportSeries* series = nullptr);

    // The HTML of each section of a report (each starts a page) over the data sets as they
    // stand, with the current parameters; for checks and measurements.
    QStringList ReportHtml(const QString& reportName);

    // The parameters of the last report set-up ("pHeaderBmp", "pHeaderText", ...).
    const QMap<QString, QString>& ReportParameters() const { return m_parameters; }
    // Whether the preview window offers printing (PrintConferenceParticipants allows it,
    // PreviewTranscripts refuses it).
    bool PreviewPrintAllowed() const { return m_previewPrint; }
    // The report project, loaded from the working directory on first use; throws TError.
    TReportProject& Project();

    // --- Signed transcripts (TDocumentsSeal.cpp) -------------------------------------------
    // Part of the report set-up: reads [Transcript] Sign and the office's key beside the
    // database (made on first use). A missing, unreadable or open key throws TError before
    // anything is printed or sent. period is the text the transcripts show for it.
    void PrepareTranscriptSeal(const QString& period);
    // The signing of the last set-up; null when signing is off.
    const TTranscriptSeal* TranscriptSeal() const { return m_seal.get(); }

    // --- The e-mail half of GenerateTranscripts (TDocumentsEmail.cpp) --------------------
    // Writes one PDF per e-mail participant into the folder "PDF" and sends them through the
    // mail handler the settings choose. TransConferences and TransStatistics are as
    // GenerateTranscripts left them.
    void EmailTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                          const QStringList& ids);
    // Opens the mail handler the settings choose and logs in, then lets it go: a wrong host,
    // port or password stops a run before anything is printed or written. Throws TError with
    // the handler's message.
    void CheckMailSettings();
    // The "Delivery report" of the latest e-mail run, from the delivery log, so that a run cut
    // short is finished with "Send again"; "Print theirs" prints with the filters given. Says
    // so when no run was logged yet.
    void ShowDeliveryReport(const TConfFilter& confFilter, const TTimeFilter& timeFilter);

    // --- CSV lists and the calendar (TDocumentsExport.cpp) -------------------------------
    // Each saves the rows of its list as they stand (filter, search, order) to a CSV file the
    // user chooses; the list's cursor ends on its last row. A cancelled dialog or progress
    // writes nothing. Returns true when a file was written; the status line then says where.
    // The save dialog offers a name after the conference ("participants – Heart Day.csv") or
    // after the period of the list ("transcripts 2026.csv").
    bool ExportConferenceParticipants();
    bool ExportTranscripts(const TTimeFilter& timeFilter);
    bool ExportTranscripts();
    static QString ConferenceParticipantsFileName(const QString& conferenceName);
    static QString TranscriptsFileName(const TTimeFilter& timeFilter);
    // Where the status line's texts go ("Saved the list as …"); none when not set.
    void SetStatusLine(std::function<void(const QString&)> show) { m_statusLine = std::move(show); }
    // Writes calendar.rtf into the data module's working directory from CalendarConfs as it
    // stands; ConfSpeakers must follow CalendarConfs meanwhile (the caller links it). Returns
    // false when the user cancelled the progress; the old file then stays as it was.
    bool GenerateCalendar();
    static QString CalendarFileName() { return QStringLiteral("calendar.rtf"); }

private:
    // A report of the project over its connections with the current parameters; its sections
    // render from the data sets as they stand while the run lasts.
    std::shared_ptr<TReportContent> BuildContent(const QString& reportName);
    // Sets the three transcript data sets for the filters (the participants' query with the
    // condition added when it is not empty) and prints them in one job, when there is one.
    void PrintTranscriptsWhere(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                               const QStringList& ids, const QString& mailTypeCondition);
    QImage LoadImage(const QString& path);
    struct TRowIndex;
    // The summed units of a participant's rows of TransConferences, shown like one row's units.
    static QString TotalUnits(TRowIndex& rowIndex, const TDataSet& conferences, qint64 userId);

    TDM& m_dm;
    TPrompts& m_prompts;
    TReportWindows& m_windows;
    TProgress* m_progress = nullptr;
    std::function<void(const QString&)> m_statusLine;
    // Tells the status line where an export wrote its file.
    void ReportSaved(const QString& path);
    std::unique_ptr<TReportProject> m_project;
    QMap<QString, QString> m_parameters;
    // The last e-mail run's log, for a file whose table cannot be written.
    std::shared_ptr<TDeliveryLog> m_lastLog;
    bool m_previewPrint = false;
    bool m_setUpDone = false;
    struct TCachedImage {
        QDateTime modified;
        qint64 size = -1;
        QImage image;
    };
    QMap<QString, TCachedImage> m_images;
    std::shared_ptr<TRowIndex> m_rowIndex;
    std::shared_ptr<const TTranscriptSeal> m_seal;
};
