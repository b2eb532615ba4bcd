#include "ui/TBadgeDecoder.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

QStringList TBadgeDecoder::Decode(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                                ZXing::ImageFormat::Lum, int(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    QStringList texts;
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints))
        if (result.isValid())
            texts << QString::fromStdString(result.text());
    return texts;
}
