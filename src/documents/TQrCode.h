#pragma once

#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

// A QR code of a short text (libqrencode, error correction M), painted as filled rectangles so
// that a PDF or a printer gets it as vectors at any resolution.
class TQrCode
{
public:
    // Throws TError when the text cannot be encoded.
    explicit TQrCode(const QString& text);

    // Modules per side, without the quiet zone.
    int Width() const { return m_width; }
    bool Dark(int x, int y) const { return m_modules[size_t(y * m_width + x)]; }
    // The quiet zone on each side, in modules.
    static constexpr int kQuietZone = 4;

    // Paints the code with its quiet zone into the largest square inside target whose module
    // is a whole number of device pixels; returns the module's side in device pixels.
    double Paint(QPainter& painter, const QRectF& target) const;

private:
    int m_width = 0;
    std::vector<bool> m_modules;
};
