#include "documents/TDocuments.h"

#include "data/TDM.h"
#include "data/TTimeFilter.h"
#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TError.h"
#include "documents/TReportContent.h"
#include "documents/TReportProject.h"
#include "documents/TReportRun.h"
#include "documents/TTemplateData.h"
#include "documents/TTranscriptSeal.h"
#include "settings/TConfig.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <optional>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDocuments", text);
}

const QString kTranscriptReport = QStringLiteral("TranscriptReport");
const QString kConfPartsReport = QStringLiteral("ConfPartsReport");

// One row per attendance in a conference that passes the filters, with the conference's name,
// date and units; %1 is the filters' condition ("and c. ...").
const QString kAttendedConferencesSql = QStringLiteral(
    "select   a.user_id, a.conf_id, c.conf_name, c.begin_date, c.units from   attendances a, "
    "conferences c where   a.conf_id = c.conf_id   %1 ");
// Per participant and credit type, the units of the filtered conferences he attended that grant
// it; %1 is the filters' condition ("and c. ...").
const QString kCreditTotalsSql = QStringLiteral(
    "select   a.user_id, cre.c_name, sum(c.units) as credit_units from   conferences c, "
    "attendances a, conf_credits cc, credits cre where   c.conf_id = a.conf_id and   "
    "cc.conf_id = c.conf_id and   cc.credit_id = cre.credit_id   %1 group by   a.user_id, "
    "cre.c_name ");

// A text column a connection adds after the fields of its data set.
struct TAddedColumn {
    QString name;
    std::function<QString(int row)> value;
};

// One connection of a report: a data set as it stands, maybe with added text columns.
struct TConnectionDef {
    QString name;
    TDataSet* dataSet = nullptr;
    std::vector<TAddedColumn> added;
};

void AddRowValues(TData& object, const TConnectionDef& connection, int row)
{
    const TDataSet* ds = connection.dataSet;
    for (int i = 0; i < ds->FieldCount(); ++i)
        object.set(ds->Fields(i).FieldName().toStdString(),
                   TemplateValue(ds->RowDisplayText(row, i)));
    for (const TAddedColumn& column : connection.added)
        object.set(column.name.toStdString(), TemplateValue(column.value(row)));
}

// A date as the region writes it in full, without the day of the week ("1 January 2026",
// "January 1, 2026", "1. Januar 2026"); withYear false leaves the year out.
QString LongDate(const QDate& date, const QLocale& locale, bool withYear = true)
{
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*|\\s*[,.]?\\s*d{4}"));
    format.remove(weekday);
    if (!withYear) {
        static const QRegularExpression year(QStringLiteral("[,.]?\\s*y+[.年년]?|y+[.年년]?\\s*"));
        QString shorter = format;
        shorter.remove(year);
        shorter = shorter.trimmed();
        // A pattern that kept no day or month is of no use: the year stays then.
        if (shorter.contains(u'd') && shorter.contains(u'M'))
            format = shorter;
    }
    return locale.toString(date, format.trimmed());
}

TData RowData(const TConnectionDef& connection, int row)
{
    TData object{TData::type::object};
    AddRowValues(object, connection, row);
    return object;
}

} // namespace

// Visible rows of a data set by the value of one field, read again when the data set was.
struct TDocuments::TRowIndex {
    struct TEntry {
        qint64 fetchCount = -1;
        QString filter;
        bool filtered = false;
        QString sort;
        int rows = -1;
        QHash<qint64, QList<int>> byKey;
    };
    std::map<std::pair<const TDataSet*, QString>, TEntry> entries;

    const QList<int>& Rows(const TDataSet* ds, const QString& key, qint64 value)
    {
        TEntry& entry = entries[{ds, key}];
        if (entry.fetchCount != ds->FetchCount() || entry.filter != ds->Filter() ||
            entry.filtered != ds->Filtered() || entry.sort != ds->Sort() ||
            entry.rows != ds->RecordCount()) {
            entry.byKey.clear();
            const int index = ds->FieldByName(key).Index();
            for (int row = 0; row < ds->RecordCount(); ++row)
                entry.byKey[ds->RowValue(row, index).toLongLong()].append(row);
            entry.fetchCount = ds->FetchCount();
            entry.filter = ds->Filter();
            entry.filtered = ds->Filtered();
            entry.sort = ds->Sort();
            entry.rows = ds->RecordCount();
        }
        static const QList<int> none;
        const auto found = entry.byKey.constFind(value);
        return found == entry.byKey.cend() ? none : *found;
    }
};

// The units of a participant's conferences in the report, shown like the units of one.
QString TDocuments::TotalUnits(TRowIndex& rowIndex, const TDataSet& conferences, qint64 userId)
{
    const TField* units = conferences.FindField(QStringLiteral("units"));
    if (!units || !conferences.FindField(QStringLiteral("user_id")))
        return {};
    double total = 0;
    for (int row : rowIndex.Rows(&conferences, QStringLiteral("user_id"), userId))
        total += conferences.RowValue(row, units->Index()).toDouble();
    return TDataSet::FormatValue(QVariant(total), *units);
}

TReportProject& TDocuments::Project()
{
    if (!m_project)
        m_project = std::make_unique<TReportProject>(
            QDir(m_dm.WorkingDirectory()).filePath(QStringLiteral("cme.rav")));
    return *m_project;
}

QImage TDocuments::LoadImage(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return {};
    TCachedImage& cached = m_images[info.absoluteFilePath()];
    if (cached.modified != info.lastModified() || cached.size != info.size()) {
        cached.modified = info.lastModified();
        cached.size = info.size();
        cached.image = QImageReader(path).read();
    }
    return cached.image;
}

QString TDocuments::PeriodText(const TTimeFilter& timeFilter, const QLocale& locale)
{
    auto range = [&locale](const QDate& first, const QDate& last) -> QString {
        if (first == last)
            return LongDate(first, locale);
        const QString dash = QStringLiteral(" \u2013 ");
        if (first.year() == last.year())
            return LongDate(first, locale, false) + dash + LongDate(last, locale);
        return LongDate(first, locale) + dash + LongDate(last, locale);
    };
    switch (timeFilter.Kind) {
    case tkNone:
        break;
    case tkDateRange:
        return range(timeFilter.BeginDate, timeFilter.EndDate);
    case tkYears: {
        const QList<int> years = timeFilter.SortedYears();
        if (years.isEmpty())
            return Tr("no year");
        // Years one after the other make one period; others are listed.
        if (TTimeFilter::InARow(years))
            return range(QDate(years.first(), 1, 1), QDate(years.last(), 12, 31));
        return TTimeFilter::YearList(years);
    }
    }
    return Tr("all dates");
}

QString TDocuments::IssueDateText(const QDate& date, const QLocale& locale)
{
    return LongDate(date, locale);
}

void TDocuments::SetUpTranscriptReport()
{
    TTimeFilter none(QString::number(QDate::currentDate().year()));
    none.Kind = tkNone;
    SetUpTranscriptReport(none);
}

void TDocuments::SetUpTranscriptReport(const TTimeFilter& timeFilter)
{
    Project().Report(kTranscriptReport);
    if (!m_dm.Config)
        throw TError(Tr("The settings are not loaded."));
    auto joined = [this](const QString& section) {
        QString text;
        for (const QString& value : m_dm.Config->ReadList(section))
            text += value + QStringLiteral("\r\n");
        return text;
    };
    m_parameters.clear();
    m_parameters[QStringLiteral("pHeaderBmp")] =
        m_dm.Config->ReadString(QStringLiteral("Bitmaps"), QStringLiteral("HeaderBmp"));
    m_parameters[QStringLiteral("pHeaderText")] = joined(QStringLiteral("Header"));
    m_parameters[QStringLiteral("pFooterBmp")] =
        m_dm.Config->ReadString(QStringLiteral("Bitmaps"), QStringLiteral("FooterBmp"));
    m_parameters[QStringLiteral("pFooterText")] = joined(QStringLiteral("Footer"));
    // The period the transcripts cover and the day they are issued, in the region's words.
    m_parameters[QStringLiteral("pPeriod")] = PeriodText(timeFilter);
    m_parameters[QStringLiteral("pIssueDate")] = IssueDateText(QDate::currentDate());
    // The signed record carries the period as the page shows it; a key that cannot be used
    // stops the run here, before anything is printed or mailed.
    PrepareTranscriptSeal(m_parameters.value(QStringLiteral("pPeriod")));
    // Credit and additional-info names edited since the last run show in this one.
    for (TDataSet* ds : {m_dm.TransConfCredits, m_dm.TransConfExtras}) {
        ds->Close();
        ds->Open();
    }
    m_setUpDone = true;
}

std::shared_ptr<TReportContent> TDocuments::BuildContent(const QString& reportName)
{
    const TReportDefinition& report = Project().Report(reportName);
    const bool transcripts = reportName != kConfPartsReport;
    for (TDataSet* ds : transcripts ? QList<TDataSet*>{m_dm.TransParticipants,
                                                       m_dm.TransConferences, m_dm.TransStatistics}
                                    : QList<TDataSet*>{m_dm.ConfParts})
        if (!ds->Active())
            ds->Open();

    std::vector<TConnectionDef> connections;
    if (!transcripts) {
        TDataSet* parts = m_dm.ConfParts;
        const int first = parts->FieldByName(QStringLiteral("first_name")).Index();
        const int last = parts->FieldByName(QStringLiteral("last_name")).Index();
        const int title = parts->FieldByName(QStringLiteral("title_id")).Index();
        const int speciality = parts->FieldByName(QStringLiteral("spec_id")).Index();
        connections.push_back(
            {QStringLiteral("ConfParts"),
             parts,
             {{QStringLiteral("FullName"), [=, this](int row) {
                   return QStringLiteral("%1 %2 %3%4")
                       .arg(parts->RowValue(row, first).toString(),
                            parts->RowValue(row, last).toString(),
                            m_dm.TitleName(parts->RowValue(row, title).toInt()),
                            TDM::CommaPrefixed(u' ' + m_dm.SpecialityName(parts->RowValue(
                                                          row, speciality).toInt())));
               }}}});
    } else {
        TDataSet* people = m_dm.TransParticipants;
        const int city = people->FieldByName(QStringLiteral("city")).Index();
        const int state = people->FieldByName(QStringLiteral("state")).Index();
        const int zip = people->FieldByName(QStringLiteral("zip")).Index();
        const int userId = people->FieldByName(QStringLiteral("user_id")).Index();
        if (!m_rowIndex)
            m_rowIndex = std::make_shared<TRowIndex>();
        connections.push_back(
            {QStringLiteral("TransParticipants"),
             people,
             {{QStringLiteral("FullAddress"),
               [=](int row) -> QString {
                   return people->RowValue(row, city).toString() +
                          TDM::CommaPrefixed(people->RowValue(row, state).toString()) +
                          TDM::CommaPrefixed(people->RowValue(row, zip).toString());
               }},
              {QStringLiteral("TotalUnits"),
               [=, conferences = m_dm.TransConferences, rowIndex = m_rowIndex](int row) {
                   return TotalUnits(*rowIndex, *conferences,
                                     people->RowValue(row, userId).toLongLong());
               }}}});
        connections.push_back({QStringLiteral("TransConferences"), m_dm.TransConferences, {}});
        connections.push_back({QStringLiteral("TransStatistics"), m_dm.TransStatistics, {}});
    }

    // Pictures load once per run; a missing or unreadable file is left out.
    QMap<QString, QImage> images;
    TData base{TData::type::object};
    for (auto p = m_parameters.cbegin(); p != m_parameters.cend(); ++p) {
        if (p.key().endsWith(QLatin1String("Bmp"))) {
            const QImage image = LoadImage(p.value());
            const QString url = QStringLiteral("quorvel-image:") + p.key();
            if (!image.isNull())
                images.insert(url, image);
            base.set(p.key().toStdString(), TemplateValue(image.isNull() ? QString() : url));
        } else {
            base.set(p.key().toStdString(), TemplateValue(p.value()));
        }
    }

    // A section is rendered when a layout first asks for it; the data sets stay as they are
    // until the run ends.
    auto render = [&report](const TData& context) {
        const std::string html = report.compiled->render(context);
        if (!report.compiled->is_valid())
            throw TError(Tr("%1: the report \"%2\" cannot be rendered: %3")
                             .arg(QFileInfo(report.fileName).fileName(), report.name,
                                  QString::fromStdString(report.compiled->error_message())));
        return QString::fromStdString(html);
    };

    int sectionCount = 1;
    std::function<QString(int)> html;
    if (report.eachConnection.isEmpty()) {
        html = [render, connections, base](int) {
            TData context = base;
            for (const TConnectionDef& connection : connections) {
                TData rows{TData::type::list};
                for (int row = 0; row < connection.dataSet->RecordCount(); ++row)
                    rows.push_back(RowData(connection, row));
                context.set(connection.name.toStdString(), rows);
            }
            return render(context);
        };
    } else {
        const auto each =
            std::find_if(connections.begin(), connections.end(),
                         [&](const TConnectionDef& c) { return c.name == report.eachConnection; });
        if (each == connections.end())
            throw TError(Tr("%1: the report \"%2\" names the unknown connection \"%3\".")
                             .arg(QFileInfo(report.fileName).fileName(), report.name,
                                  report.eachConnection));
        if (!m_rowIndex)
            m_rowIndex = std::make_shared<TRowIndex>();
        const size_t eachIndex = size_t(each - connections.begin());
        const QString key = report.eachKey;
        const int keyIndex = key.isEmpty() ? -1 : each->dataSet->FieldByName(key).Index();
        sectionCount = each->dataSet->RecordCount();
        std::shared_ptr<const TTranscriptSeal> seal = transcripts ? m_seal : nullptr;
        html = [render, connections, base, eachIndex, key, keyIndex, rowIndex = m_rowIndex,
                seal](int row) {
            const TConnectionDef& each = connections[eachIndex];
            TData context = base;
            AddRowValues(context, each, row);
            const qint64 keyValue =
                keyIndex < 0 ? 0 : each.dataSet->RowValue(row, keyIndex).toLongLong();
            for (const TConnectionDef& connection : connections) {
                if (&connection == &each)
                    continue;
                TData rows{TData::type::list};
                if (keyIndex < 0) {
                    for (int r = 0; r < connection.dataSet->RecordCount(); ++r)
                        rows.push_back(RowData(connection, r));
                } else {
                    for (int r : rowIndex->Rows(connection.dataSet, key, keyValue))
                        rows.push_back(RowData(connection, r));
                }
                context.set(connection.name.toStdString(), rows);
            }
            if (seal)
                seal->AddTo(context);
            return render(context);
        };
    }

    std::function<QString(const TReportPageNumbers&)> footer;
    if (report.compiledFooter) {
        auto compiled = report.compiledFooter;
        // The footer of an "@each" report also sees the values of its page's row.
        const TConnectionDef* each = nullptr;
        for (const TConnectionDef& connection : connections)
            if (connection.name == report.eachConnection)
                each = &connection;
        std::optional<TConnectionDef> eachRow;
        if (each)
            eachRow = *each;
        footer = [compiled, base, eachRow](const TReportPageNumbers& numbers) {
            TData context = base;
            if (eachRow && numbers.section >= 0 &&
                numbers.section < eachRow->dataSet->RecordCount())
                AddRowValues(context, *eachRow, numbers.section);
            context.set("page", std::to_string(numbers.page));
            context.set("pages", std::to_string(numbers.pages));
            context.set("sectionpage", std::to_string(numbers.sectionPage));
            context.set("sectionpages", std::to_string(numbers.sectionPages));
            context.set("multipage", TData(numbers.sectionPages > 1));
            return QString::fromStdString(compiled->render(context));
        };
    }
    return std::make_shared<TReportContent>(report, sectionCount, std::move(html),
                                            std::move(images), std::move(footer));
}

QStringList TDocuments::ReportHtml(const QString& reportName)
{
    const std::shared_ptr<TReportContent> content = BuildContent(reportName);
    QStringList sections;
    for (int i = 0; i < content->SectionCount(); ++i)
        sections << content->SectionHtml(i);
    return sections;
}

void TDocuments::WriteTranscriptPdf(const QString& path, TReportSeries* series)
{
    if (!m_setUpDone)
        SetUpTranscriptReport();
    TReportRun run(BuildContent(kTranscriptReport), m_windows);
    run.ToPdf(path, series);
}

TDocuments::TRunCounts TDocuments::CountTranscriptRun(const TConfFilter& confFilter,
                                                     const TTimeFilter& timeFilter,
                                                     const QStringList& ids)
{
    const QString participants = TDM::SelectTranscriptParticipants(confFilter, timeFilter, ids);
    auto count = [&](const QString& mailType, const QString& address) {
        return m_dm.Conn
            ->ScalarQuery(QStringLiteral("select count(*) from (") + participants +
                          QStringLiteral("\r\nand p.mail_type = ") + mailType +
                          QStringLiteral(") q") + address)
            .toInt();
    };
    const QString hasAddress = QStringLiteral(" where q.email is not null and q.email <> ''");
    TRunCounts counts;
    counts.post = count(QStringLiteral("2"), {});
    counts.fax = count(QStringLiteral("3"), {});
    counts.email = count(QStringLiteral("1"), hasAddress);
    counts.noAddress = count(QStringLiteral("1"), {}) - counts.email;
    return counts;
}

void TDocuments::GenerateTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                     const QStringList& ids)
{
    SetUpTranscriptReport(timeFilter);
    // A wrong host, port or password costs no paper: the mail settings are tried first,
    // whenever the run will e-mail someone.
    if (CountTranscriptRun(confFilter, timeFilter, ids).email > 0)
        CheckMailSettings();
    PrintTranscriptsWhere(confFilter, timeFilter, ids, QStringLiteral("and p.mail_type in (2, 3)"));
    EmailTranscripts(confFilter, timeFilter, ids);
}

void TDocuments::PrintTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                  const QStringList& ids)
{
    SetUpTranscriptReport(timeFilter);
    PrintTranscriptsWhere(confFilter, timeFilter, ids, {});
}

void TDocuments::PrintTranscriptsWhere(const TConfFilter& confFilter,
                                       const TTimeFilter& timeFilter, const QStringList& ids,
                                       const QString& mailTypeCondition)
{
    const QString condition = TDM::ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."),
                                                        confFilter, timeFilter);
    TDM::SetQuery(m_dm.TransConferences, {kAttendedConferencesSql.arg(condition)});
    TDM::SetQuery(m_dm.TransStatistics, {kCreditTotalsSql.arg(condition)});
    m_dm.TransParticipants->SetFiltered(false);
    QStringList lines{TDM::SelectTranscriptParticipants(confFilter, timeFilter, ids)};
    if (!mailTypeCondition.isEmpty())
        lines << mailTypeCondition;
    TDM::SetQuery(m_dm.TransParticipants, lines);
    if (!m_dm.TransParticipants->IsEmpty()) {
        TReportRun run(BuildContent(kTranscriptReport), m_windows);
        run.ToDefaultPrinter();
    }
}

void TDocuments::PreviewTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                    const QStringList& ids)
{
    m_previewPrint = false;
    SetUpTranscriptReport(timeFilter);
    m_dm.TransParticipants->SetFiltered(false);
    TDM::SetQuery(m_dm.TransParticipants,
                  {TDM::SelectTranscriptParticipants(confFilter, timeFilter, ids)});
    const QString condition = TDM::ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."),
                                                        confFilter, timeFilter);
    TDM::SetQuery(m_dm.TransConferences, {kAttendedConferencesSql.arg(condition)});
    TDM::SetQuery(m_dm.TransStatistics, {kCreditTotalsSql.arg(condition)});
    TReportRun run(BuildContent(kTranscriptReport), m_windows);
    run.ToPreview(m_previewPrint);
}

void TDocuments::PrintConferenceParticipants()
{
    m_previewPrint = true;
    Project().Report(kConfPartsReport);
    TDataSet* conferences = m_dm.Conferences;
    const QString name = conferences->Active() && !conferences->IsEmpty()
                             ? conferences->FieldByName(QStringLiteral("conf_name")).AsString()
                             : QString();
    m_parameters.clear();
    m_setUpDone = false;
    m_parameters[QStringLiteral("pAttConfName")] = name;
    TReportRun run(BuildContent(kConfPartsReport), m_windows);
    run.ToPreview(m_previewPrint);
}
