#pragma once

#include "documents/TDeliveryLog.h"

#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class TConfig;
class TDM;
class TMailHandler;
class TPrompts;
class TReportWindows;
class TTimeFilter;

// The folder "PDF" of the working directory with a trailing separator, created with its
// missing parents and emptied of files (sub-folders stay). Throws TError when it cannot be made.
QString PreparePdfFolder(const QString& workingDirectory);
// Deletes every file directly in the folder; sub-folders are not entered and a file that
// cannot be deleted stays, without a message.
void DeleteFilesInFolder(const QString& folder);
// The handler the settings choose (Mail/HandlerType 1: SMTP, 2: the desktop mail client), owned
// by the caller. A HandlerType that is not a number throws the number conversion error, any
// other number "Mail handler unknown: %s!".
std::unique_ptr<TMailHandler> CreateMailHandler(const TConfig& config);
// The file name (without ".pdf") an address may take in the PDF folder: path separators, "..",
// control characters and characters not allowed in file names become "_", and names that
// Windows reserves for devices ("con", "nul", ...) get a "_" in front. An empty address stays
// empty (the file ".pdf").
QString SafePdfName(const QString& email);
// The years a time filter covers, as an attachment's name shows them: "2026", "2025-2026",
// "2022, 2024"; empty without a time criterion.
QString TranscriptPeriod(const TTimeFilter& timeFilter);
// The name the recipient sees on his transcript: "Transcript 2026 - Anna Adams.pdf".
QString TranscriptAttachmentName(const QString& period, const QString& fullName);

// The e-mail half of GenerateTranscripts: writes one PDF per e-mail participant into PDF/, then
// sends them through one handler, recording every message in the delivery log (as "sending"
// before it is handed over, and with its result right after) and showing the "Delivery report"
// afterwards. The first failing message ends the run (later ones stay "not sent") and its error
// travels to the caller as TError; an address with a control character is refused for its
// message alone. Cancel in the status window stops before the next message.
class TEmailRun
{
public:
    // Writes the transcript of TransParticipants as it stands (one participant) to path.
    using TPdfWriter = std::function<void(const QString& path)>;
    // Prints the transcripts of these participants in one job.
    using TPrintTheirs = std::function<void(const QList<int>& userIds)>;

    // The status window of the sending and the delivery report go through windows.
    TEmailRun(TDM& dm, TPrompts& prompts, TReportWindows& windows, TPdfWriter writePdf);

    // The years in the attachments' names (TranscriptPeriod).
    void SetPeriod(const QString& period) { m_period = period; }
    // What the report's "Print theirs" does; the button is off without it.
    void SetPrintTheirs(TPrintTheirs printTheirs) { m_printTheirs = std::move(printTheirs); }

    // participantsSql: the text selecting the chosen participants
    // (TDM::SelectTranscriptParticipants).
    void Run(const QString& participantsSql);

    // This run's log (after Run; null when nothing was tried).
    const std::shared_ptr<TDeliveryLog>& Log() const { return m_log; }

    // "Send again" over a run's log, through a new handler made from the settings as they are
    // now. Every row not sent takes the participant's current address; a refused row is tried
    // again only when that address changed, a row that may have been delivered only when the
    // user says so. A refused recipient is logged and the rest go on; a failure of the server
    // itself stops, and every failure is shown. Returns the rows as they now stand.
    static QList<TDeliveryRow> SendAgain(TDM& dm, TPrompts& prompts, TReportWindows& windows,
                                         TDeliveryLog& log);
    // Shows the "Delivery report" of log with its "Send again" and "Print theirs".
    static void ShowReport(TDM& dm, TPrompts& prompts, TReportWindows& windows,
                           const std::shared_ptr<TDeliveryLog>& log, TPrintTheirs printTheirs);

private:
    QString UniquePath(const QString& folder, const QString& email, int userId);
    void Deliver();

    TDM& m_dm;
    TPrompts& m_prompts;
    TReportWindows& m_windows;
    TPdfWriter m_writePdf;
    TPrintTheirs m_printTheirs;
    QString m_period;
    QList<TDeliveryRow> m_lines; // the run's rows before the log takes them
    std::shared_ptr<TDeliveryLog> m_log;
    QSet<QString> m_takenNames; // lower-case, so no two differ only in letter case
};
