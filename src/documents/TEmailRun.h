#pragma once

#include "TDeliveryLog.h"

#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class TConfig;
class TDM;
class TMailHandler;
class TPrompts;

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

// The e-mail half of GenerateTranscripts: writes one PDF per e-mail participant into PDF/, then
// sends them through one handler, recording every message in the delivery log and showing the
// "Delivery report" afterwards. The first failing message ends the run (later ones are logged
// as "not sent") and its error travels to the caller as TError.
class TEmailRun
{
public:
    // Writes the transcript of TransParticipants as it stands (one participant) to path.
    using TPdfWriter = std::function<void(const QString& path)>;

    TEmailRun(TDM& dm, TPrompts& prompts, TPdfWriter writePdf);

    // participantsSql: the text selecting the chosen participants
    // (TDM::SelectTranscriptParticipants).
    void Run(const QString& participantsSql);

    // This run's rows (after Run).
    const QList<TDeliveryRow>& Rows() const { return m_log->Rows(); }
    // Sends the rows of the log that are not sent through a new handler, reusing their PDFs;
    // stops at the first failure like the run. Returns the rows as they now stand.
    static QList<TDeliveryRow> SendAgain(TDM& dm, TDeliveryLog& log);

private:
    struct TLine {
        QString email;
        QString path;
        int userId = 0;
    };
    QString UniquePath(const QString& folder, const QString& email, int userId);
    void Deliver(const QList<TLine>& lines);

    TDM& m_dm;
    TPrompts& m_prompts;
    TPdfWriter m_writePdf;
    std::shared_ptr<TDeliveryLog> m_log;
    QSet<QString> m_takenNames; // lower-case, so no two differ only in letter case
};
