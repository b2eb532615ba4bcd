#include "TDocuments.h"

#include "TConfig.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TError.h"
#include "TReportContent.h"
#include "TReportProject.h"
#include "TReportRun.h"
#include "TTranscriptSeal.h"

#include <kainjow/mustache.hpp>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>

#include <map>

using TData = kainjow::mustache::data;

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TDocuments", text);
}

const QString kTranscriptReport = QStringLiteral("TranscriptReport");
const QString kConfPartsReport = QStringLiteral("ConfPartsReport");

const QString kQ1 = QStringLiteral(
    "select   a.user_id, a.conf_id, c.conf_name, c.begin_date, c.units from   attendances a, "
    "conferences c where   a.conf_id = c.conf_id   %s ");
const QString kQ2 = QStringLiteral(
    "select   a.user_id, cre.c_name, sum(c.units) as credit_units from   conferences c, "
    "attendances a, conf_credits cc, credits cre where   c.conf_id = a.conf_id and   "
    "cc.conf_id = c.conf_id and   cc.credit_id = cre.credit_id   %s group by   a.user_id, "
    "cre.c_name ");

// A blank value is false, so that {{#name}}…{{/name}} leaves it out.
TData Value(const QString& text)
{
    if (text.isEmpty())
        return TData(false);
    return TData(text.toStdString());
}

// One connection of a report: a data set as it stands, maybe with one added text column.
struct TConnectionDef {
    QString name;
    TDataSet* dataSet = nullptr;
    QString addedColumn;
    std::function<QString(int row)> added;
};

void AddRowValues(TData& object, const TConnectionDef& connection, int row)
{
    const TDataSet* ds = connection.dataSet;
    for (int i = 0; i < ds->FieldCount(); ++i)
        object.set(ds->Fields(i).FieldName().toStdString(), Value(ds->RowDisplayText(row, i)));
    if (connection.added)
        object.set(connection.addedColumn.toStdString(), Value(connection.added(row)));
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

void TDocuments::SetUpTranscriptReport()
{
    Project().Report(kTranscriptReport);
    if (!m_dm.Config)
        throw TError(Tr("The settings are not loaded."));
    PrepareTranscriptSeal();
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
            {QStringLiteral("ConfParts"), parts, QStringLiteral("FullName"), [=, this](int row) {
                 return QStringLiteral("%1 %2 %3%4")
                     .arg(parts->RowValue(row, first).toString(),
                          parts->RowValue(row, last).toString(),
                          m_dm.TitleName(parts->RowValue(row, title).toInt()),
                          TDM::CommaPrefixed(u' ' + m_dm.SpecialityName(
                                                        parts->RowValue(row, speciality).toInt())));
             }});
    } else {
        TDataSet* people = m_dm.TransParticipants;
        const int city = people->FieldByName(QStringLiteral("city")).Index();
        const int state = people->FieldByName(QStringLiteral("state")).Index();
        const int zip = people->FieldByName(QStringLiteral("zip")).Index();
        connections.push_back({QStringLiteral("TransParticipants"), people,
                               QStringLiteral("FullAddress"), [=](int row) -> QString {
                                   return people->RowValue(row, city).toString() +
                                          TDM::CommaPrefixed(
                                              people->RowValue(row, state).toString()) +
                                          TDM::CommaPrefixed(people->RowValue(row, zip).toString());
                               }});
        connections.push_back({QStringLiteral("TransConferences"), m_dm.TransConferences, {}, {}});
        connections.push_back({QStringLiteral("TransStatistics"), m_dm.TransStatistics, {}, {}});
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
            base.set(p.key().toStdString(), Value(image.isNull() ? QString() : url));
        } else {
            base.set(p.key().toStdString(), Value(p.value()));
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

    std::function<QString(int, int)> footer;
    if (report.compiledFooter) {
        auto compiled = report.compiledFooter;
        footer = [compiled, base](int page, int pages) {
            TData context = base;
            context.set("page", std::to_string(page));
            context.set("pages", std::to_string(pages));
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
    TReportRun run(BuildContent(kTranscriptReport));
    run.ToPdf(path, series);
}

void TDocuments::GenerateTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                     const QStringList& ids)
{
    SetTranscriptPeriod(timeFilter);
    SetUpTranscriptReport();
    const QString condition = TDM::ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."),
                                                        confFilter, timeFilter);
    TDM::SetQuery(m_dm.TransConferences, {QString(kQ1).replace(QLatin1String("%s"), condition)});
    TDM::SetQuery(m_dm.TransStatistics, {QString(kQ2).replace(QLatin1String("%s"), condition)});
    m_dm.TransParticipants->SetFiltered(false);
    TDM::SetQuery(m_dm.TransParticipants,
                  {TDM::SelectTranscriptParticipants(confFilter, timeFilter, ids),
                   QStringLiteral("and p.mail_type in (2, 3)")});
    if (!m_dm.TransParticipants->IsEmpty()) {
        TReportRun run(BuildContent(kTranscriptReport));
        run.ToDefaultPrinter();
    }
    EmailTranscripts(confFilter, timeFilter, ids);
}

void TDocuments::PreviewTranscripts(const TConfFilter& confFilter, const TTimeFilter& timeFilter,
                                    const QStringList& ids)
{
    m_previewPrint = false;
    SetTranscriptPeriod(timeFilter);
    SetUpTranscriptReport();
    m_dm.TransParticipants->SetFiltered(false);
    TDM::SetQuery(m_dm.TransParticipants,
                  {TDM::SelectTranscriptParticipants(confFilter, timeFilter, ids)});
    const QString condition = TDM::ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."),
                                                        confFilter, timeFilter);
    TDM::SetQuery(m_dm.TransConferences, {QString(kQ1).replace(QLatin1String("%s"), condition)});
    TDM::SetQuery(m_dm.TransStatistics, {QString(kQ2).replace(QLatin1String("%s"), condition)});
    TReportRun run(BuildContent(kTranscriptReport));
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
    TReportRun run(BuildContent(kConfPartsReport));
    run.ToPreview(m_previewPrint);
}
