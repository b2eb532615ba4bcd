#include "documents/TDocuments.h"

#include "db/TConnection.h"
#include "db/TReadSnapshot.h"
#include "data/TControlsOff.h"
#include "documents/TCsvOutput.h"
#include "documents/TCtrlToRTF.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TDisplayFormat.h"
#include "db/TError.h"
#include "documents/TProgress.h"
#include "data/TTimeFilter.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QLocale>

#include <algorithm>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDocuments", text);
}

// The signature column of the attendance list.
const QString kSignatureLine = QStringLiteral("__________________________");

// A number as a spreadsheet reads it under the locale: its decimal separator, no group
// separator, no trailing zeros (1.5, 2, 0.75). Sums of units carry binary noise in their last
// digits, which six decimals round away.
QString PlainNumber(double value, const QLocale& locale)
{
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    text.replace(u'.', locale.decimalPoint());
    return text;
}

QString DateTimeText(const TField& field)
{
    if (field.IsNull())
        return QString();
    return TDisplayFormat::FormatDateTime(field.AsDateTime(), QStringLiteral("c"));
}

QString NumberText(const TField& field, const QLocale& locale)
{
    return field.IsNull() ? QString() : PlainNumber(field.AsFloat(), locale);
}

} // namespace

bool TDocuments::ExportConferenceParticipants()
{
    TDataSet* parts = m_dm.ConfParts;
    TControlsOff controlsOff{parts};
    parts->First();
    TCsvOutput csv(TCsvOutput::DefaultSeparator());
    csv.Clear();
    csv.BeginLine();
    for (const char* caption :
         {"Last name", "First name", "Title", "Specialty", "Sign-in date", "Signature"})
        csv.AddValue(Tr(caption));
    csv.EndLine();

    const TField& lastName = parts->FieldByName(QStringLiteral("last_name"));
    const TField& firstName = parts->FieldByName(QStringLiteral("first_name"));
    const TField& titleId = parts->FieldByName(QStringLiteral("title_id"));
    const TField& specId = parts->FieldByName(QStringLiteral("spec_id"));
    const TField& signInDate = parts->FieldByName(QStringLiteral("sign_in_date"));
    {
        TProgressRun run(m_progress, Tr("Exporting the participants..."), parts->RecordCount());
        while (!parts->Eof()) {
            csv.BeginLine();
            csv.AddValue(lastName.AsString());
            csv.AddValue(firstName.AsString());
            csv.AddValue(m_dm.TitleName(titleId.AsInteger()));
            csv.AddValue(m_dm.SpecialityName(specId.AsInteger()));
            csv.AddValue(DateTimeText(signInDate));
            csv.AddValue(kSignatureLine);
            csv.EndLine();
            if (!run.Step()) {
                controlsOff.Restore();
                return false;
            }
            parts->Next();
        }
    }
    const TDataSet* conferences = m_dm.Conferences;
    const QString name = conferences->Active() && !conferences->IsEmpty()
                             ? conferences->FieldByName(QStringLiteral("conf_name")).AsString()
                             : QString();
    const bool saved =
        csv.SaveAs(m_prompts, m_dm.WorkingDirectory(), ConferenceParticipantsFileName(name));
    controlsOff.Restore();
    if (saved)
        ReportSaved(csv.SavedFileName());
    return saved;
}

QString TDocuments::ConferenceParticipantsFileName(const QString& conferenceName)
{
    const QString title = TCsvOutput::SafeFileNamePart(conferenceName);
    if (title.isEmpty())
        return Tr("participants") + QStringLiteral(".csv");
    return Tr("participants") + QStringLiteral(" \u2013 ") + title + QStringLiteral(".csv");
}

QString TDocuments::TranscriptsFileName(const TTimeFilter& timeFilter)
{
    QString period;
    switch (timeFilter.Kind) {
    case tkNone:
        break;
    case tkDateRange:
        period = timeFilter.BeginDate.toString(Qt::ISODate) + QStringLiteral(" to ") +
                 timeFilter.EndDate.toString(Qt::ISODate);
        break;
    case tkYears: {
        const QList<int> years = timeFilter.SortedYears();
        if (years.size() > 1 && TTimeFilter::InARow(years))
            period = QStringLiteral("%1-%2").arg(years.first()).arg(years.last());
        else
            period = TTimeFilter::YearList(years);
        break;
    }
    }
    period = TCsvOutput::SafeFileNamePart(period);
    return Tr("transcripts") + (period.isEmpty() ? QString() : u' ' + period) +
           QStringLiteral(".csv");
}

void TDocuments::ReportSaved(const QString& path)
{
    if (m_statusLine)
        m_statusLine(Tr("The list was saved as %1").arg(QDir::toNativeSeparators(path)));
}

bool TDocuments::ExportTranscripts()
{
    TTimeFilter none(QString::number(QDate::currentDate().year()));
    none.Kind = tkNone;
    return ExportTranscripts(none);
}

bool TDocuments::ExportTranscripts(const TTimeFilter& timeFilter)
{
    TDataSet* transcripts = m_dm.Transcripts;
    TControlsOff controlsOff{transcripts};
    transcripts->First();
    TCsvOutput csv(TCsvOutput::DefaultSeparator());
    csv.Clear();
    csv.BeginLine();
    for (const char* caption : {"Last name", "First name", "Units"})
        csv.AddValue(Tr(caption));
    csv.EndLine();

    const QLocale locale = QLocale::system();
    const TField& lastName = transcripts->FieldByName(QStringLiteral("last_name"));
    const TField& firstName = transcripts->FieldByName(QStringLiteral("first_name"));
    const TField& units = transcripts->FieldByName(QStringLiteral("units"));
    {
        TProgressRun run(m_progress, Tr("Exporting the transcripts list..."),
                         transcripts->RecordCount());
        while (!transcripts->Eof()) {
            csv.BeginLine();
            csv.AddValue(lastName.AsString());
            csv.AddValue(firstName.AsString());
            csv.AddValue(NumberText(units, locale));
            csv.EndLine();
            if (!run.Step()) {
                controlsOff.Restore();
                return false;
            }
            transcripts->Next();
        }
    }
    const bool saved =
        csv.SaveAs(m_prompts, m_dm.WorkingDirectory(), TranscriptsFileName(timeFilter));
    controlsOff.Restore();
    if (saved)
        ReportSaved(csv.SavedFileName());
    return saved;
}

bool TDocuments::GenerateCalendar()
{
    const QString fontName = QStringLiteral("Century Schoolbook");
    TRtfFont dateFont{fontName, 12};
    dateFont.bold = dateFont.italic = true;
    TRtfFont titleFont{fontName, 14};
    titleFont.bold = titleFont.underline = true;
    TRtfFont labelFont{fontName, 12};
    labelFont.bold = true;
    const TRtfFont speakerFont{fontName, 12};

    TCtrlToRTF rtf;
    rtf.BeginDocument();

    TDataSet* confs = m_dm.CalendarConfs;
    TDataSet* speakers = m_dm.ConfSpeakers;
    const TField& beginDate = confs->FieldByName(QStringLiteral("begin_date"));
    const TField& confName = confs->FieldByName(QStringLiteral("conf_name"));
    const QString dateFormat = QStringLiteral("mmmm d, yyyy");
    const QString label = Tr("Speaker(s): ");
    const QString speakerLine = QStringLiteral("    %1 %2%3%4");
    {
        const TReadSnapshot snapshot(*m_dm.Conn);
        TProgressRun run(m_progress, Tr("Writing the calendar..."), confs->RecordCount());
        confs->First();
        while (!confs->Eof()) {
            rtf.AddParagraph(beginDate.IsNull() ? QString()
                                                : TDisplayFormat::FormatDateTime(
                                                      beginDate.AsDateTime(), dateFormat),
                             dateFont);
            rtf.AddParagraph(confName.AsString(), titleFont);
            rtf.AddParagraph(label, labelFont);
            // The detail's fields may be replaced when it re-reads for the next conference.
            const TField& firstName = speakers->FieldByName(QStringLiteral("l_first_name"));
            const TField& lastName = speakers->FieldByName(QStringLiteral("l_last_name"));
            const TField& titleId = speakers->FieldByName(QStringLiteral("l_title_id"));
            const TField& place = speakers->FieldByName(QStringLiteral("l_place"));
            speakers->First();
            while (!speakers->Eof()) {
                rtf.AddParagraph(speakerLine.arg(firstName.AsString(), lastName.AsString(),
                                                 TDM::CommaPrefixed(
                                                     m_dm.TitleName(titleId.AsInteger())),
                                                 TDM::CommaPrefixed(place.AsString())),
                                 speakerFont);
                speakers->Next();
            }
            rtf.AddParagraph(QString(), titleFont);
            if (!run.Step())
                return false;
            confs->Next();
        }
    }
    rtf.SaveToFile(QDir(m_dm.WorkingDirectory()).filePath(CalendarFileName()));
    return true;
}
