#include "documents/TNotComeList.h"

#include "data/TDM.h"
#include "data/TRegistrations.h"
#include "db/TConnection.h"
#include "db/TDataSet.h"
#include "documents/TCsvOutput.h"
#include "documents/TDocuments.h"
#include "documents/TReportContent.h"
#include "documents/TReportProject.h"
#include "documents/TReportRun.h"

#include <kainjow/mustache.hpp>

using TData = kainjow::mustache::data;

namespace
{

const QString kNotComeReport = QStringLiteral("NotComeReport");

TData Value(const QString& text)
{
    return text.isEmpty() ? TData(false) : TData(text.toStdString());
}

const TReportDefinition& Definition(TDocuments& documents)
{
    TReportProject& project = documents.Project();
    if (project.ReportNames().contains(kNotComeReport))
        return project.Report(kNotComeReport);
    static const TReportProject builtIn(QStringLiteral(":/quorvel/documents/cme.rav"));
    return builtIn.Report(kNotComeReport);
}

} // namespace

TNotComeList::TNotComeList(TDocuments& documents, int confId) : m_documents(documents)
{
    TConnection& conn = *documents.DataModule().Conn;
    m_confName = conn.ScalarQuery(QStringLiteral("select conf_name from conferences where "
                                                 "conf_id = ?"),
                                  {confId})
                     .toString();
    TDataSet rows(conn, QStringLiteral("NotCome"));
    rows.SetSQL(TRegistrations::NotComeSql(confId));
    rows.Open();
    for (int row = 0; row < rows.RecordCount(); ++row)
        m_rows << QStringList{rows.RowValue(row, 1).toString(), rows.RowValue(row, 2).toString(),
                              rows.RowValue(row, 3).toString(), rows.RowValue(row, 4).toString()};
}

std::shared_ptr<TReportContent> TNotComeList::Content() const
{
    const TReportDefinition& report = Definition(m_documents);
    TData context{TData::type::object};
    context.set("pAttConfName", Value(m_confName));
    TData people{TData::type::list};
    for (const QStringList& row : m_rows) {
        TData person{TData::type::object};
        person.set("last_name", Value(row.at(0)));
        person.set("first_name", Value(row.at(1)));
        person.set("email", Value(row.at(2)));
        person.set("phone", Value(row.at(3)));
        people.push_back(person);
    }
    context.set("NotCome", people);
    auto compiled = report.compiled;
    std::function<QString(const TReportPageNumbers&)> footer;
    if (report.compiledFooter)
        footer = [footerTemplate = report.compiledFooter, context](const TReportPageNumbers& n) {
            TData page = context;
            page.set("page", std::to_string(n.page));
            page.set("pages", std::to_string(n.pages));
            return QString::fromStdString(footerTemplate->render(page));
        };
    return std::make_shared<TReportContent>(
        report, 1, [compiled, context](int) { return QString::fromStdString(compiled->render(context)); },
        QMap<QString, QImage>{}, std::move(footer));
}

void TNotComeList::Preview()
{
    TReportRun run(Content(), m_documents.Windows());
    run.ToPreview(true);
}

bool TNotComeList::Export()
{
    TCsvOutput csv(TCsvOutput::DefaultSeparator());
    csv.BeginLine();
    for (const QString& caption : {tr("Last name"), tr("First name"), tr("E-mail"), tr("Phone")})
        csv.AddValue(caption);
    csv.EndLine();
    for (const QStringList& row : m_rows) {
        csv.BeginLine();
        for (const QString& value : row)
            csv.AddValue(value);
        csv.EndLine();
    }
    return csv.SaveAs(m_documents.Prompts(), m_documents.DataModule().WorkingDirectory(),
                      TCsvOutput::SafeFileNamePart(tr("Not come %1").arg(m_confName)) +
                          QStringLiteral(".csv"));
}
