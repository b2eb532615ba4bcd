#pragma once

#include "support/TJetWriter.h"

// An office's older cme.mdb as a Jet 4 file: the eleven tables with the types such a file
// uses (long integer keys, byte mail type, text, a memo series, currency units, date-times),
// names with accents, CJK and emoji, and nulls.
namespace TJetFixture
{

struct TSize {
    int participants = 2000;
    int conferences = 300;
    int attendances = 20000;
};

// Fills writer with the eleven tables and their rows (deterministic).
void BuildOffice(TJetWriter& writer, const TSize& size);
// Small reference rows only: for start-up and refusal cases.
inline void BuildSmall(TJetWriter& writer)
{
    BuildOffice(writer, {12, 5, 30});
}

// Runs a command and returns its standard output; empty and ok=false when it failed.
QByteArray Run(const QString& program, const QStringList& arguments, bool* ok = nullptr);
// Checks the file with libmdb's own tools: mdb-tables lists the tables, mdb-schema declares
// every column, and mdb-export gives back every row the writer was given. Returns an empty
// text when all agrees, else what differs.
QString CheckWithMdbTools(const TJetWriter& writer, const QString& path);

} // namespace TJetFixture
