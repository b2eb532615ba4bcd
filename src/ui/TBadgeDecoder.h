#pragma once

#include <QImage>
#include <QStringList>

// Reads the QR codes in a picture (a camera frame, a scanned page) with ZXing.
namespace TBadgeDecoder
{
// The texts of every QR code found, in no particular order; empty when there is none.
QStringList Decode(const QImage& image);
}
