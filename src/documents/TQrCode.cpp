#include "documents/TQrCode.h"

#include "db/TError.h"

#include <QCoreApplication>
#include <QPainter>

#include <qrencode.h>

#include <cmath>
#include <memory>

TQrCode::TQrCode(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code)
        throw TError(QCoreApplication::translate("TQrCode", "The QR code of \"%1\" cannot be made.")
                         .arg(text));
    m_width = code->width;
    m_modules.resize(size_t(m_width) * size_t(m_width));
    for (int i = 0; i < m_width * m_width; ++i)
        m_modules[size_t(i)] = code->data[i] & 1;
}

double TQrCode::Paint(QPainter& painter, const QRectF& target) const
{
    const int total = m_width + 2 * kQuietZone;
    const double side = std::min(target.width(), target.height());
    // Whole device pixels per module keep the edges sharp on a printer.
    const double module = std::max(1.0, std::floor(side / total));
    const QPointF origin(target.left() + (target.width() - module * total) / 2 + module * kQuietZone,
                         target.top() + (target.height() - module * total) / 2 +
                             module * kQuietZone);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    // One rectangle per run of dark modules in a row.
    for (int y = 0; y < m_width; ++y) {
        int x = 0;
        while (x < m_width) {
            if (!Dark(x, y)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < m_width && Dark(x, y))
                ++x;
            painter.drawRect(QRectF(origin.x() + start * module, origin.y() + y * module,
                                    (x - start) * module, module));
        }
    }
    painter.restore();
    return module;
}
