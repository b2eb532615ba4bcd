#pragma once

#include "seal/TSealCode.h"
#include "seal/TSealKey.h"

#include <QString>

#include <memory>

class TConfig;
class TTimeFilter;

namespace kainjow::mustache
{
template <typename StringType> class basic_data;
}

// Signs the transcripts of one run: every transcript section gains the value "TranscriptSeal",
// the HTML of its signed code with the line that tells how to check it and the key's
// fingerprint. The office's key lives beside the database (office.key, mode 0600) and is made
// on first use; office.pub beside it is its public half.
class TTranscriptSeal
{
public:
    // [Transcript] Sign=0 switches signing off; it is on otherwise.
    static bool Enabled(const TConfig& config);
    // The key of the data folder: read from office.key, or made (with office.pub) when the
    // folder has neither file. Throws TError with a message for people when the key is
    // missing while office.pub is there, unreadable, damaged or open to other users.
    static TSealKey OfficeKey(const QString& folder);

    TSealKey key;
    QString issuer;
    QString period;

    // The record of one transcript section from the values its template receives.
    TSealRecord Record(const kainjow::mustache::basic_data<std::string>& context) const;
    // Signs the section's record and sets "TranscriptSeal" in context. Throws TError.
    void AddTo(kainjow::mustache::basic_data<std::string>& context) const;

    // The time spent in AddTo so far (signing and the QR code), for measurements.
    mutable qint64 signNs = 0;
    mutable int signCount = 0;
};
