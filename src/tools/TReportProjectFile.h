#pragma once

#include <QString>

// The default report project cme.rav, built into the program.
namespace TReportProjectFile
{

// The default project's text.
QByteArray DefaultText();
// Writes the default cme.rav into folder unless one is there already (never overwritten).
// Returns true when it wrote the file; throws TError when the file cannot be written.
bool WriteDefault(const QString& folder);

} // namespace TReportProjectFile
