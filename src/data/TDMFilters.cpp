// Filters and query building: the condition texts of the filtered lists and the operations
// that reopen those lists with them.
#include "data/TDM.h"

#include "data/TBlankText.h"
#include "data/TConfFilter.h"
#include "data/TControlsOff.h"
#include "db/TDataSet.h"
#include "data/TIdList.h"
#include "db/TSqlDialect.h"
#include "data/TTimeFilter.h"

namespace
{

const QString kAnd = QStringLiteral(" and ");

// Text typed by the user, made safe to stand between single quotes: control characters (a
// pasted tab, newline or NUL) are dropped, as the search drops them, and quotes are doubled,
// so it is matched literally and cannot end the quoted text.
QString Typed(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (const QChar c : text)
        if (c.category() != QChar::Other_Control)
            plain += c;
    return TSqlDialect::EscapeQuotes(plain);
}

// Drops the four characters " and" in front of the final blank of a fragment list.
void DropLastAnd(QString& text)
{
    if (text.endsWith(kAnd))
        text.remove(text.size() - kAnd.size(), kAnd.size() - 1);
}

} // namespace

QString TDM::ConfNameCondition(const QString& prefix, const QString& name)
{
    return u' ' + prefix + QStringLiteral("conf_name like '%") + Typed(name) +
           QStringLiteral("%' and ");
}

QString TDM::SeriesCondition(const QString& prefix, const QString& serie)
{
    return u' ' + prefix + QStringLiteral("series like '%") + Typed(serie) +
           QStringLiteral("%' and ");
}

QString TDM::ExtraCondition(const QString& prefix, const QString& extra)
{
    return prefix +
           QStringLiteral("conf_id in (  select distinct ce.conf_id from conf_extras ce, extras e "
                          "where     ce.extra_id = e.extra_id and e.e_name like '%") +
           Typed(extra) + QStringLiteral("%') and ");
}

QString TDM::SpeakerCondition(const QString& prefix, const QString& speaker)
{
    return prefix +
           QStringLiteral("conf_id in (  select distinct cs.conf_id from conf_speakers cs, "
                          "speakers s where     cs.speak_id = s.speak_id and s.last_name like '%") +
           Typed(speaker) + QStringLiteral("%') and ");
}

QString TDM::DateRangeCondition(const QString& prefix, const QDate& beginDate, const QDate& endDate)
{
    // Month/day/four-digit year with "/", whatever the regional settings say.
    auto literal = [](const QDate& d) {
        return QStringLiteral("%1/%2/%3").arg(d.month()).arg(d.day()).arg(d.year());
    };
    return u' ' + prefix + QStringLiteral("begin_date between #") + literal(beginDate) +
           QStringLiteral("# and #") + literal(endDate) + QStringLiteral("# and ");
}

QString TDM::YearsCondition(const QString& prefix, const QStringList& years)
{
    // "()" would be refused by the engine; a years filter without a year selects nothing.
    if (years.isEmpty())
        return QStringLiteral("( 1 = 0 ) and ");
    QString text = QStringLiteral("(");
    for (const QString& year : years)
        text += QStringLiteral(" DatePart('yyyy', ") + prefix + QStringLiteral("begin_date) = ") +
                year + QStringLiteral(" or ");
    text.remove(text.size() - 4, 3); // the " or" in front of the final blank
    text += QStringLiteral(") and ");
    return text;
}

QString TDM::CreditsCondition(const QString& prefix, const QString& creditsAndOr,
                              const TIdList& credits)
{
    if (creditsAndOr == QLatin1String("or")) {
        QStringList ids;
        for (const TIdItem& item : credits)
            ids << QString::number(item.Id());
        return prefix +
               QStringLiteral("conf_id in (  select distinct conf_id from conf_credits where "
                              "credit_id in (") +
               ids.join(u',') + QStringLiteral(")) and ");
    }
    QString text;
    for (const TIdItem& item : credits)
        text += prefix +
                QStringLiteral("conf_id in (  select distinct conf_id from conf_credits where "
                               "credit_id = ") +
                QString::number(item.Id()) + QStringLiteral(") and ");
    DropLastAnd(text);
    text += kAnd;
    return text;
}

QString TDM::ConferenceConditions(const QString& keyword, const QString& prefix,
                                  const TConfFilter& confFilter, const TTimeFilter& timeFilter)
{
    if (confFilter.IsEmpty() && timeFilter.IsNone())
        return {};
    QString text = u' ' + keyword + u' ';
    if (!confFilter.IsEmpty()) {
        if (!confFilter.Name.isEmpty())
            text += ConfNameCondition(prefix, confFilter.Name);
        if (!confFilter.Serie.isEmpty())
            text += SeriesCondition(prefix, confFilter.Serie);
        if (!confFilter.Extra.isEmpty())
            text += ExtraCondition(prefix, confFilter.Extra);
        if (!confFilter.Speaker.isEmpty())
            text += SpeakerCondition(prefix, confFilter.Speaker);
        if (!confFilter.Credits.IsEmpty())
            text += CreditsCondition(prefix, confFilter.CreditsAndOr, confFilter.Credits);
    }
    switch (timeFilter.Kind) {
    case tkDateRange:
        text += DateRangeCondition(prefix, timeFilter.BeginDate, timeFilter.EndDate);
        break;
    case tkYears:
        text += YearsCondition(prefix, timeFilter.Years);
        break;
    case tkNone:
        break;
    }
    DropLastAnd(text);
    return text;
}

void TDM::ApplyFilteredQuery(TDataSet* dataSet, const QString& sql)
{
    TControlsOff off({dataSet});
    const QString sort = dataSet->Sort();
    dataSet->Close();
    dataSet->SetSQL(sql);
    dataSet->Open();
    // The engine keeps the sort text over close and open; setting it again would sort twice.
    if (dataSet->Sort() != sort)
        dataSet->SetSort(sort);
    off.Restore();
}

void TDM::ApplyConferenceFilter(TDataSet* dataSet, const TConfFilter& confFilter,
                                const TTimeFilter& timeFilter)
{
    ApplyFilteredQuery(dataSet, QStringLiteral("select * from conferences ") +
                                    ConferenceConditions(QStringLiteral("where"), QString(),
                                                         confFilter, timeFilter) +
                                    QStringLiteral(" order by begin_date desc "));
}

void TDM::ApplyTranscriptFilter(const TConfFilter& confFilter, const TTimeFilter& timeFilter)
{
    ApplyFilteredQuery(
        Transcripts,
        QStringLiteral("select   distinct p.user_id, p.last_name, p.first_name, sum(c.units) as "
                       "units from   participants p, attendances a, conferences c where   "
                       "p.user_id = a.user_id and   a.conf_id = c.conf_id   ") +
            ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."), confFilter,
                                 timeFilter) +
            QStringLiteral(" group by   p.user_id, p.last_name, p.first_name"));
}

void TDM::ApplyPartConfsFilter(const TConfFilter& confFilter, const TTimeFilter& timeFilter)
{
    ApplyFilteredQuery(
        PartConfs,
        QStringLiteral("select  a.user_id, a.conf_id, a.sign_in_date, c.conf_name, c.begin_date "
                       "from  conferences c, attendances a where  c.conf_id = a.conf_id  ") +
            ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."), confFilter,
                                 timeFilter) +
            u' ');
}

QString TDM::SelectTranscriptParticipants(const TConfFilter& confFilter,
                                          const TTimeFilter& timeFilter, const QStringList& ids)
{
    if (!ids.isEmpty())
        return QStringLiteral("select p.* from participants p where p.user_id in (") +
               ids.join(u',') + u')';
    return QStringLiteral("select   distinct p.* from   participants p, attendances a, "
                          "conferences c where   p.user_id = a.user_id and   a.conf_id = "
                          "c.conf_id   ") +
           ConferenceConditions(QStringLiteral("and"), QStringLiteral("c."), confFilter,
                                timeFilter);
}

void TDM::SearchConferenceParticipants(const QString& text)
{
    ConfParts->Close();
    const QString condition = TBlankText::IsBlank(text) ? QString()
                                                        : QStringLiteral("and p.last_name like '") +
                                                              Typed(text) + QStringLiteral("%'");
    ConfParts->SetSQL(QStringLiteral("select   a.user_id, a.conf_id, a.sign_in_date, p.last_name, "
                                     "p.first_name,   p.spec_id, p.title_id from   participants "
                                     "p, attendances a where   p.user_id = a.user_id   ") +
                      condition + QStringLiteral(" order by   p.last_name, p.first_name "));
    // A new search starts in the query's own order.
    ConfParts->SetSort(QString());
    ConfParts->Open();
}

QString TDM::CommaPrefixed(const QString& text)
{
    return TBlankText::IsBlank(text) ? QString() : QStringLiteral(", ") + text;
}
