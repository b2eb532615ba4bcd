#include "documents/TBadgeRun.h"

#include "data/TBadgeCodes.h"
#include "data/TDM.h"
#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "db/TDisplayFormat.h"
#include "db/TError.h"
#include "documents/TDocuments.h"
#include "documents/TPageOutput.h"
#include "documents/TPrintSpool.h"
#include "documents/TQrCode.h"
#include "documents/TReportProject.h"
#include "documents/TReportRun.h"
#include "documents/TTemplateData.h"
#include "settings/TConfig.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextDocument>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TBadgeRun", text);
}

const QString kBadgeReport = QStringLiteral("BadgeReport");
const QString kJobTitle = QStringLiteral("Badges");
constexpr double kPaddingMm = 3.0;

QString DateText(const QVariant& value)
{
    QDateTime at = value.toDateTime();
    if (!at.isValid())
        at = QDateTime::fromString(value.toString().left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!at.isValid())
        at = QDateTime::fromString(value.toString().left(10), QStringLiteral("yyyy-MM-dd"));
    return at.isValid() ? at.date().toString(TDisplayFormat::ShortDatePattern()) : QString();
}

bool HasTable(TConnection& conn, const QString& table)
{
    const QString sql =
        conn.IsServer()
            ? QStringLiteral("select count(*) from information_schema.tables where table_schema "
                             "= current_schema() and table_name = ?")
            : QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?");
    return conn.ScalarQuery(sql, {table}).toInt() > 0;
}

// A sheet of label rows that touch, the grid centred on the page.
TBadgeSheetLayout Labels(QPageSize::PageSizeId page, QSizeF pageMm, int columns, int rows,
                         QSizeF labelMm, QSizeF pitchMm)
{
    TBadgeSheetLayout layout;
    layout.pageSize = QPageSize(page);
    layout.columns = columns;
    layout.rows = rows;
    layout.labelMm = labelMm;
    layout.pitchMm = pitchMm;
    layout.firstMm = {(pageMm.width() - (columns - 1) * pitchMm.width() - labelMm.width()) / 2,
                      (pageMm.height() - rows * pitchMm.height()) / 2};
    return layout;
}

} // namespace

TBadgeSheetLayout TBadgeSheetLayout::Of(TBadgeSheet sheet)
{
    TBadgeSheetLayout layout;
    switch (sheet) {
    case TBadgeSheet::A4Labels:
        layout = Labels(QPageSize::A4, {210.0, 297.0}, 2, 7, {99.1, 38.1}, {101.6, 38.1});
        break;
    case TBadgeSheet::LetterLabels:
        layout = Labels(QPageSize::Letter, {215.9, 279.4}, 2, 5, {101.6, 50.8}, {106.4, 50.8});
        break;
    case TBadgeSheet::OnePerPage:
        layout.pageSize = QPageSize(QSizeF(101.6, 76.2), QPageSize::Millimeter,
                                    QStringLiteral("Badge 4 x 3 in"), QPageSize::ExactMatch);
        layout.labelMm = {101.6, 76.2};
        layout.pitchMm = layout.labelMm;
        break;
    }
    return layout;
}

QRectF TBadgeSheetLayout::LabelMm(int indexOnPage) const
{
    const int column = indexOnPage % columns;
    const int row = indexOnPage / columns;
    return {firstMm + QPointF(column * pitchMm.width(), row * pitchMm.height()), labelMm};
}

QString TBadgeSheetLayout::Name(TBadgeSheet sheet)
{
    switch (sheet) {
    case TBadgeSheet::A4Labels:
        return Tr("A4, 2 × 7 labels of 99.1 × 38.1 mm");
    case TBadgeSheet::LetterLabels:
        return Tr("US Letter, 2 × 5 labels of 4 × 2 in");
    case TBadgeSheet::OnePerPage:
        return Tr("One badge per page (badge printer, 4 × 3 in)");
    }
    return {};
}

TBadgeSheet TBadgeSheetLayout::Remembered(const TConfig* config)
{
    const int value =
        config ? config->ReadInteger(QStringLiteral("Badges"), QStringLiteral("Sheet"), 0) : 0;
    return value >= 0 && value <= int(TBadgeSheet::OnePerPage) ? TBadgeSheet(value)
                                                                : TBadgeSheet::A4Labels;
}

void TBadgeSheetLayout::Remember(TConfig* config, TBadgeSheet sheet)
{
    if (config)
        config->WriteInteger(QStringLiteral("Badges"), QStringLiteral("Sheet"), int(sheet));
}

const TReportDefinition& TBadgeRun::BuiltInReport()
{
    // The badge of the default project, for a cme.rav made before badges.
    static const TReportProject project(QStringLiteral(":/quorvel/documents/cme.rav"));
    return project.Report(kBadgeReport);
}

QList<int> TBadgeRun::ConferenceParticipants(TDM& dm, const QVariant& confId)
{
    if (confId.isNull())
        return {};
    QString people = QStringLiteral("select user_id from attendances where conf_id = :conf_id");
    if (HasTable(*dm.Conn, QStringLiteral("registrations")))
        people += QStringLiteral(" union select user_id from registrations where conf_id = :conf_id");
    TDataSet rows(*dm.Conn, QStringLiteral("BadgePeople"));
    rows.SetSQL(QStringLiteral("select p.user_id from participants p where p.user_id in (%1) "
                               "order by p.last_name, p.first_name, p.user_id")
                    .arg(people));
    rows.SetParam(QStringLiteral("conf_id"), confId);
    rows.Open();
    QList<int> ids;
    ids.reserve(rows.RecordCount());
    for (int r = 0; r < rows.RecordCount(); ++r)
        ids << rows.RowValue(r, 0).toInt();
    return ids;
}

TBadgeRun::TBadgeRun(TDocuments& documents, const QList<int>& userIds, const QVariant& confId,
                     TBadgeSheet sheet)
    : m_documents(documents), m_sheet(sheet), m_layout(TBadgeSheetLayout::Of(sheet))
{
    TDM& dm = documents.DataModule();
    // Badges are needed at the door even where the office never set up its reports: without
    // cme.rav, or with one made before badges, the default badge is printed.
    if (QFileInfo::exists(QDir(dm.WorkingDirectory()).filePath(QStringLiteral("cme.rav")))) {
        TReportProject& project = documents.Project();
        m_report = project.ReportNames().contains(kBadgeReport) ? &project.Report(kBadgeReport)
                                                                : &BuiltInReport();
    } else {
        m_report = &BuiltInReport();
    }
    TConnection& conn = *dm.Conn;

    QString confName;
    QString confDate;
    if (!confId.isNull()) {
        confName = conn.ScalarQuery(QStringLiteral("select conf_name from conferences where "
                                                   "conf_id = ?"),
                                    {confId})
                       .toString();
        confDate = DateText(conn.ScalarQuery(
            QStringLiteral("select begin_date from conferences where conf_id = ?"), {confId}));
    }

    // The people's values, read in slices of a few hundred ids.
    struct TPerson {
        QString first, last, title, speciality, city;
    };
    QHash<int, TPerson> people;
    for (int start = 0; start < userIds.size(); start += 500) {
        QStringList ids;
        for (int id : userIds.mid(start, 500))
            ids << QString::number(id);
        TDataSet rows(conn, QStringLiteral("BadgePeople"));
        rows.SetSQL(QStringLiteral("select p.user_id, p.first_name, p.last_name, t.t_name, "
                                   "s.s_name, p.city from participants p left join titles t on "
                                   "t.title_id = p.title_id left join specialities s on "
                                   "s.spec_id = p.spec_id where p.user_id in (%1)")
                        .arg(ids.join(u',')));
        rows.Open();
        for (int r = 0; r < rows.RecordCount(); ++r)
            people.insert(rows.RowValue(r, 0).toInt(),
                          {rows.RowValue(r, 1).toString(), rows.RowValue(r, 2).toString(),
                           rows.RowValue(r, 3).toString(), rows.RowValue(r, 4).toString(),
                           rows.RowValue(r, 5).toString()});
    }
    QList<int> known;
    for (int id : userIds)
        if (people.contains(id) && !known.contains(id))
            known << id;
    // The first badge of a participant gives the participant a code.
    const QHash<int, QString> codes = TBadgeCodes(conn).CodesFor(known);

    for (int id : known) {
        const TPerson& p = people[id];
        TData context{TData::type::object};
        const QString fullName = QString(p.first + u' ' + p.last).trimmed();
        context.set("FullName", TemplateValue(fullName));
        context.set("first_name", TemplateValue(p.first));
        context.set("last_name", TemplateValue(p.last));
        context.set("l_title", TemplateValue(p.title));
        context.set("l_speciality", TemplateValue(p.speciality));
        context.set("city", TemplateValue(p.city));
        context.set("conf_name", TemplateValue(confName));
        context.set("conf_date", TemplateValue(confDate));
        context.set("badge_code", TemplateValue(codes.value(id)));
        const std::string html = m_report->compiled->render(context);
        if (!m_report->compiled->is_valid())
            throw TError(Tr("%1: the report \"%2\" cannot be rendered: %3")
                             .arg(QFileInfo(m_report->fileName).fileName(), m_report->name,
                                  QString::fromStdString(m_report->compiled->error_message())));
        TBadge badge;
        badge.userId = id;
        badge.code = codes.value(id);
        badge.html = QString::fromStdString(html);
        QTextDocument doc;
        doc.setHtml(badge.html);
        badge.text = doc.toPlainText();
        m_badges.push_back(std::move(badge));
    }
}

TBadgeRun::~TBadgeRun() = default;

QStringList TBadgeRun::Codes() const
{
    QStringList codes;
    for (const TBadge& badge : m_badges)
        codes << badge.code;
    return codes;
}

QStringList TBadgeRun::SectionTexts() const
{
    QStringList texts;
    for (const TBadge& badge : m_badges)
        texts << badge.text;
    return texts;
}

int TBadgeRun::PageCount() const
{
    const int perPage = m_layout.PerPage();
    return (int(m_badges.size()) + perPage - 1) / perPage;
}

void TBadgeRun::PaintBadge(QPainter& painter, const TBadge& badge, const QRectF& labelMm,
                           double pxPerMm)
{
    const QRectF label(labelMm.topLeft() * pxPerMm, labelMm.size() * pxPerMm);
    const double pad = kPaddingMm * pxPerMm;
    const QRectF inner = label.adjusted(pad, pad, -pad, -pad);
    // The code takes the full height at the right; the text the rest.
    const double qrSide = std::min(inner.height(), inner.width() * 0.4);
    const QRectF qrArea(inner.right() - qrSide, inner.top() + (inner.height() - qrSide) / 2,
                        qrSide, qrSide);
    TQrCode(badge.code).Paint(painter, qrArea);

    const QRectF textArea(inner.left(), inner.top(), inner.width() - qrSide - pad, inner.height());
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(painter.device());
    QFont font = painter.font();
    font.setPointSizeF(m_report->fontPointSize);
    doc.setDefaultFont(font);
    doc.setDocumentMargin(0);
    doc.setHtml(badge.html);
    doc.setTextWidth(textArea.width());
    painter.save();
    painter.translate(textArea.topLeft());
    // A long name or title is cut at the label's edge, never painted on the next label.
    const QRectF clip(0, 0, textArea.width(), textArea.height());
    painter.setClipRect(clip);
    doc.drawContents(&painter, clip);
    painter.restore();
}

void TBadgeRun::Paint(QPagedPaintDevice& device, QPainter& painter)
{
    const double pxPerMm = device.logicalDpiX() / 25.4;
    // Labels are measured from the sheet's corner, not from a printer's margin.
    const QPointF margin = device.pageLayout().paintRectPixels(device.logicalDpiX()).topLeft();
    const int perPage = m_layout.PerPage();
    for (int i = 0; i < int(m_badges.size()); ++i) {
        if (i > 0 && i % perPage == 0 && !device.newPage())
            throw TError(Tr("A new page of badges cannot be started."));
        QRectF label = m_layout.LabelMm(i % perPage);
        label.translate(-margin / pxPerMm);
        PaintBadge(painter, m_badges[size_t(i)], label, pxPerMm);
    }
}

void TBadgeRun::PaintAll(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw TError(Tr("The printer %1 cannot be opened.").arg(printer.printerName()));
    try {
        Paint(printer, painter);
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
}

void TBadgeRun::ToPdf(const QString& path)
{
    TPageOutput::WritePdf(
        path,
        [this](QPdfWriter& writer) {
            writer.setPageLayout(
                QPageLayout(m_layout.pageSize, QPageLayout::Portrait, QMarginsF()));
            writer.setTitle(kJobTitle);
        },
        [this](QPagedPaintDevice& device, QPainter& painter) { Paint(device, painter); });
}

void TBadgeRun::ToPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(300);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(m_layout.pageSize, QPageLayout::Portrait, QMarginsF()));
    printer.setDocName(kJobTitle);
    m_documents.Windows().Preview(*this, printer, true);
}

void TBadgeRun::ToDefaultPrinter()
{
    QPrinter printer(QPrinter::HighResolution);
    TPageOutput::RequireDefaultPrinter(printer, TReportRun::NoPrinterMessage());
    printer.setDocName(kJobTitle);
    printer.setFullPage(true);
    printer.setPageSize(m_layout.pageSize);
    TPrintSpool spool(printer);
    TPageOutput::PrintPages(
        printer, spool,
        [this](QPagedPaintDevice& device, QPainter& painter) { Paint(device, painter); },
        Tr("The badges could not be sent to the printer %1."));
}
