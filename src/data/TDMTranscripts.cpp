#include "data/TDM.h"

#include "db/TDataSet.h"

#include <QHash>

// The names of every conference in one pass over the source, so a transcript run does not
// filter the source once per attendance row.
struct TDM::TNameTexts {
    const TDataSet* source = nullptr;
    qint64 fetchCount = -1;
    QHash<int, QString> texts;
};

namespace
{

constexpr int kNameTextLength = 200;

} // namespace

void TDM::SetQuery(TDataSet* dataSet, const QStringList& lines)
{
    dataSet->Close();
    dataSet->SetSQL(lines.join(QStringLiteral("\r\n")));
    dataSet->Open();
}

QString TDM::NameText(TNameTexts& texts, TDataSet* source, const char* nameField, int confId) const
{
    if (!source->Active())
        return {};
    if (texts.source != source || texts.fetchCount != source->FetchCount()) {
        texts.texts.clear();
        texts.source = source;
        source->SetFiltered(false);
        const int confIndex = source->FieldByName(QStringLiteral("conf_id")).Index();
        const int nameIndex = source->FieldByName(QLatin1String(nameField)).Index();
        for (int row = 0; row < source->RecordCount(); ++row) {
            QString& text = texts.texts[source->RowValue(row, confIndex).toInt()];
            text += source->RowValue(row, nameIndex).toString() + QStringLiteral("; ");
        }
        for (QString& text : texts.texts)
            text.truncate(kNameTextLength);
        texts.fetchCount = source->FetchCount();
    }
    return texts.texts.value(confId);
}

QString TDM::ConferenceCreditsText(int confId) const
{
    if (!m_creditTexts)
        m_creditTexts = std::make_shared<TNameTexts>();
    return NameText(*m_creditTexts, TransConfCredits, "c_name", confId);
}

QString TDM::ConferenceExtrasText(int confId) const
{
    if (!m_extraTexts)
        m_extraTexts = std::make_shared<TNameTexts>();
    return NameText(*m_extraTexts, TransConfExtras, "e_name", confId);
}
