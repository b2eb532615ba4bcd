#include "documents/TTranscriptSeal.h"

#include "settings/TConfig.h"
#include "db/TDisplayFormat.h"
#include "db/TError.h"
#include "documents/TSealPrint.h"
#include "data/TTimeFilter.h"

#include <kainjow/mustache.hpp>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

using TData = kainjow::mustache::data;

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TTranscriptSeal", text);
}

QString ValueOf(const TData& object, const char* name)
{
    const TData* value = object.get(name);
    return value && value->is_string() ? QString::fromStdString(value->string_value()) : QString();
}

const kainjow::mustache::list* ListOf(const TData& object, const char* name)
{
    const TData* value = object.get(name);
    return value && value->is_list() ? &value->list_value() : nullptr;
}

} // namespace

bool TTranscriptSeal::Enabled(const TConfig& config)
{
    return config.ReadInteger(QStringLiteral("Transcript"), QStringLiteral("Sign"), 1) != 0;
}

TSealKey TTranscriptSeal::OfficeKey(const QString& folder)
{
    const QDir dir(folder);
    const QString secret = dir.filePath(TSealKey::PrivateFileName());
    const QString pub = dir.filePath(TSealKey::PublicFileName());
    if (!QFileInfo::exists(secret)) {
        if (QFileInfo::exists(pub))
            throw TError(
                Tr("The transcripts cannot be signed: the office's signing key %1 is missing "
                   "(its public key %2 is there). Nothing was printed or sent.\n\nPut the key "
                   "back from your backup, or make a new pair with \"quorvel-admin keygen %3\" "
                   "after moving %2 away, and give the new %2 to those who check your "
                   "transcripts. Signing can be switched off with Sign=0 in the section "
                   "[Transcript] of quorvel.ini.")
                    .arg(QDir::toNativeSeparators(QFileInfo(secret).absoluteFilePath()),
                         TSealKey::PublicFileName(),
                         QDir::toNativeSeparators(dir.absolutePath())));
    }
    try {
        if (!QFileInfo::exists(secret)) {
            // First use: the folder had no key at all.
            const TSealKey key = TSealKey::Generate();
            key.Save(folder);
            return key;
        }
        return TSealKey::LoadPrivate(secret);
    } catch (const TError& e) {
        throw TError(Tr("The transcripts cannot be signed: %1 Nothing was printed or sent.")
                         .arg(e.Message()));
    }
}

TSealRecord TTranscriptSeal::Record(const TData& context) const
{
    TSealRecord record;
    record.issuer = issuer;
    record.name = QStringList{ValueOf(context, "first_name").trimmed(),
                              ValueOf(context, "last_name").trimmed()}
                      .join(u' ')
                      .trimmed();
    record.period = period;
    record.issued = QDate::currentDate().toString(Qt::ISODate);
    // The lines show their dates in the region's short form (the field's format "ddddd").
    record.dateFormat = TDisplayFormat::ShortDatePattern();
    if (const auto* conferences = ListOf(context, "TransConferences"))
        for (const TData& row : *conferences)
            record.lines << QStringList{ValueOf(row, "begin_date"), ValueOf(row, "conf_name"),
                                        ValueOf(row, "units"), ValueOf(row, "c_credits").trimmed(),
                                        ValueOf(row, "c_extras").trimmed()};
    if (const auto* totals = ListOf(context, "TransStatistics"))
        for (const TData& row : *totals)
            record.totals.append({ValueOf(row, "c_name"), ValueOf(row, "credit_units")});
    return record;
}

void TTranscriptSeal::AddTo(TData& context) const
{
    QElapsedTimer timer;
    timer.start();
    const TSealRecord record = Record(context);
    const TSealCode code = TSealFormat::Seal(record, key);
    context.set("TranscriptSeal",
                TSealPrint::Html(code, key.Fingerprint(), record.issued).toStdString());
    signNs += timer.nsecsElapsed();
    ++signCount;
}
