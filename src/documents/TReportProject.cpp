#include "documents/TReportProject.h"

#include "db/TError.h"

#include <kainjow/mustache.hpp>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace
{

using TMustache = kainjow::mustache::mustache;

QString Tr(const char* text)
{
    return QCoreApplication::translate("TReportProject", text);
}

// The line of a byte offset within text, counted from firstLine.
int LineOfOffset(const std::string& text, size_t offset, int firstLine)
{
    offset = std::min(offset, text.size());
    return firstLine + int(std::count(text.begin(), text.begin() + qsizetype(offset), '\n'));
}

// Values are HTML-escaped, and a line break in a value (the header's CR LF) breaks the line.
std::string EscapeHtml(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "<br/>";
            break;
        case '\n':
            out += "<br/>";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Parses one template; a parse error names the file and the line of the faulty tag.
std::shared_ptr<TMustache> Compile(const std::string& text, const QString& fileName,
                                   const QString& reportName, int firstLine)
{
    auto compiled = std::make_shared<TMustache>(text);
    if (compiled->is_valid()) {
        compiled->set_custom_escape(EscapeHtml);
        return compiled;
    }
    const QString message = QString::fromStdString(compiled->error_message());
    static const QRegularExpression atOffset(QStringLiteral(" at (\\d+)$"));
    const QRegularExpressionMatch match = atOffset.match(message);
    int line = firstLine;
    QString what = message;
    if (match.hasMatch()) {
        line = LineOfOffset(text, size_t(match.captured(1).toULongLong()), firstLine);
        what = message.left(match.capturedStart());
    }
    throw TError(Tr("%1, line %2: the report \"%3\" does not parse: %4")
                     .arg(fileName)
                     .arg(line)
                     .arg(reportName, what));
}

} // namespace

TReportProject::TReportProject(const QString& filePath) : m_filePath(filePath)
{
    QFile file(filePath);
    if (!file.exists())
        throw TError(
            Tr("The report project %1 is missing.").arg(QDir::toNativeSeparators(filePath)));
    if (!file.open(QIODevice::ReadOnly))
        throw TError(Tr("The report project %1 cannot be read: %2")
                         .arg(QDir::toNativeSeparators(filePath), file.errorString()));
    Parse(file.readAll());
}

TReportProject::~TReportProject() = default;

void TReportProject::Parse(const QByteArray& text)
{
    const QString fileName = QFileInfo(m_filePath).fileName();
    m_reports.clear();
    TReportDefinition* current = nullptr;
    bool inOptions = false;
    int lineNumber = 0;
    auto finish = [&] {
        if (!current)
            return;
        current->compiled = Compile(current->body, fileName, current->name, current->firstLine);
        if (!current->pageFooter.empty())
            current->compiledFooter =
                Compile(current->pageFooter, fileName, current->name, current->footerLine);
    };

    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        const QByteArray rawLine = text.mid(start, next - start);
        QByteArray line = text.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        ++lineNumber;
        start = next;

        if (line.startsWith("@report ")) {
            finish();
            const QString name = QString::fromUtf8(line.mid(8)).trimmed();
            if (name.isEmpty())
                throw TError(
                    Tr("%1, line %2: a report needs a name.").arg(fileName).arg(lineNumber));
            if (m_reports.count(name))
                throw TError(Tr("%1, line %2: the report \"%3\" is defined twice.")
                                 .arg(fileName)
                                 .arg(lineNumber)
                                 .arg(name));
            auto report = std::make_unique<TReportDefinition>();
            report->name = name;
            report->fileName = m_filePath;
            report->firstLine = lineNumber + 1;
            current = report.get();
            m_reports[name] = std::move(report);
            inOptions = true;
            continue;
        }
        if (!current)
            continue; // text before the first report is a comment
        if (inOptions && line.startsWith('@')) {
            const qsizetype blank = line.indexOf(' ');
            const QByteArray key = blank < 0 ? line.mid(1) : line.mid(1, blank - 1);
            const QByteArray value = blank < 0 ? QByteArray() : line.mid(blank + 1).trimmed();
            bool ok = true;
            if (key == "each") {
                const QStringList words = QString::fromUtf8(value).split(u' ', Qt::SkipEmptyParts);
                if (words.size() != 1 && (words.size() != 3 || words[1] != u"by"))
                    throw TError(Tr("%1, line %2: write \"@each <connection>\" or \"@each "
                                    "<connection> by <field>\".")
                                     .arg(fileName)
                                     .arg(lineNumber));
                current->eachConnection = words[0];
                current->eachKey = words.size() == 3 ? words[2] : QString();
            } else if (key == "pagefooter") {
                current->pageFooter = value.toStdString();
                current->footerLine = lineNumber;
            } else if (key == "margin")
                current->marginMm = value.toDouble(&ok);
            else if (key == "fontsize")
                current->fontPointSize = value.toDouble(&ok);
            else
                throw TError(Tr("%1, line %2: unknown report option \"@%3\".")
                                 .arg(fileName)
                                 .arg(lineNumber)
                                 .arg(QString::fromUtf8(key)));
            if (!ok || (key != "each" && key != "pagefooter" && value.toDouble() <= 0))
                throw TError(Tr("%1, line %2: \"@%3\" needs a positive number.")
                                 .arg(fileName)
                                 .arg(lineNumber)
                                 .arg(QString::fromUtf8(key)));
            current->firstLine = lineNumber + 1;
            continue;
        }
        inOptions = false;
        current->body.append(rawLine.constData(), size_t(rawLine.size()));
    }
    finish();
}

QStringList TReportProject::ReportNames() const
{
    QStringList names;
    for (const auto& entry : m_reports)
        names << entry.first;
    return names;
}

const TReportDefinition& TReportProject::Report(const QString& name) const
{
    const auto found = m_reports.find(name);
    if (found == m_reports.end())
        throw TError(Tr("The report project %1 has no report \"%2\".")
                         .arg(QDir::toNativeSeparators(m_filePath), name));
    return *found->second;
}
