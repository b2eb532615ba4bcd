#pragma once

#include "db/TError.h"

#include <QImage>
#include <QString>
#include <QStringList>

class QTextStream;

// quorvel-admin keygen and verify: the office's key pair, and the check of a signed transcript
// from its PDF file, a picture of its code or the code's text.
namespace TSealCommand
{
// Wrong arguments.
class EUsage : public TError
{
public:
    using TError::TError;
};

// keygen DIR: writes office.key (0600) and office.pub; refuses an existing office.key.
int Keygen(const QStringList& arguments, QTextStream& out);
// verify (FILE.pdf | IMAGE | TEXT) --key office.pub: prints the record and "valid" (exit 0), or
// "NOT VALID: reason" (exit 1).
int Verify(const QStringList& arguments, QTextStream& out);

// The texts of the QR codes in a picture (zbar).
QStringList CodesInImage(const QImage& image);
// The codes on the pages of a PDF file (rendered at 300 dpi) and its text in raw order, each
// page ended by a form feed.
struct TPdfContent {
    QStringList codes;
    QString text;
};
TPdfContent ReadPdf(const QString& path);
} // namespace TSealCommand
