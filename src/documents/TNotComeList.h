#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class TDocuments;
class TReportContent;

// The people who registered for a conference and did not sign in: printed through the report
// "NotComeReport" (that of the default project when cme.rav was made before it) or exported as
// a CSV list.
class TNotComeList
{
    Q_DECLARE_TR_FUNCTIONS(TNotComeList)
public:
    TNotComeList(TDocuments& documents, int confId);

    // Last name, first name, e-mail and phone of each, by name.
    const QList<QStringList>& Rows() const { return m_rows; }
    // The report's pages, ready for a run.
    std::shared_ptr<TReportContent> Content() const;
    // The preview, from which the list can be printed.
    void Preview();
    // Asks for a file name and writes the list with a caption row; false when cancelled.
    bool Export();

private:
    TDocuments& m_documents;
    QString m_confName;
    QList<QStringList> m_rows;
};
