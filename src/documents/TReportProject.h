#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <string>

namespace kainjow::mustache
{
template <typename StringType> class basic_mustache;
}

// One report of the project: an HTML template with Mustache tags and the options written on
// its "@" lines. The template is parsed once, when the project is loaded.
struct TReportDefinition {
    QString name;
    QString fileName;  // the project file, for error messages
    int firstLine = 0; // 1-based line of the template's first line in the file
    std::string body;  // the template text, UTF-8
    // "@each <connection>": the template is rendered once per row of that connection, and
    // every rendering starts on a new page. Empty: the template is rendered once.
    QString eachConnection;
    // "@each <connection> by <field>": the rows of every other connection are handed to each
    // rendering only where their <field> equals that of the row being rendered.
    QString eachKey;
    // "@pagefooter <text>": painted centred under every page; {{page}} and {{pages}}.
    std::string pageFooter;
    int footerLine = 0;
    // "@margin <millimetres>": the page margin on all four sides.
    double marginMm = 15.0;
    // "@fontsize <points>": the default font size of the report's text.
    double fontPointSize = 10.0;

    std::shared_ptr<kainjow::mustache::basic_mustache<std::string>> compiled;
    std::shared_ptr<kainjow::mustache::basic_mustache<std::string>> compiledFooter;
};

// The report project cme.rav: a UTF-8 text file holding named report templates. It is read
// once and kept; Report() finds a report by name. Every failure is a TError naming the file
// (and the line for a template that does not parse).
class TReportProject
{
public:
    // Reads and parses the file; throws TError when it is missing, unreadable or malformed.
    explicit TReportProject(const QString& filePath);
    ~TReportProject();

    const QString& FilePath() const { return m_filePath; }
    QStringList ReportNames() const;
    // Throws TError naming the file when the project has no report of that name.
    const TReportDefinition& Report(const QString& name) const;

    // Parses project text (filePath only names it in errors); used by the constructor.
    void Parse(const QByteArray& text);

private:
    QString m_filePath;
    std::map<QString, std::unique_ptr<TReportDefinition>> m_reports;
};
