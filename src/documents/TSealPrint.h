#pragma once

#include <QString>

class QTextDocument;
struct TSealCode;
struct TSealMatrix;

// The signed code on a page: an <img> of the scheme "quorvel-seal:" in the report's HTML that
// Attach turns into an object drawing the QR code's modules as vector rectangles (at least
// 0.5 mm each), on paper, in PDF files and in the preview alike.
namespace TSealPrint
{
// The HTML of the "TranscriptSeal" value: the code, the line telling how to check it, and the
// issue date and the key's fingerprint in small print.
QString Html(const TSealCode& code, const QString& fingerprint, const QString& issued);
// Replaces the code pictures of a document (after setHtml, before its layout) by the drawn
// codes.
void Attach(QTextDocument& document);
// The side of a code with its quiet zone, in millimetres.
double SideMm(const TSealMatrix& matrix);
} // namespace TSealPrint
