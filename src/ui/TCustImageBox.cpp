#include "ui/TCustImageBox.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

TCustImageBox::TCustImageBox(const QString& objectName, QWidget* parent) : QFrame(parent)
{
    setObjectName(objectName);
    // A plain frame draws in the text colour: grey lines around a white field.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::gray);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool TCustImageBox::LoadFile(const QString& path, QString* errorText)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        if (errorText)
            *errorText = reader.errorString();
        return false;
    }
    m_image = image;
    update();
    return true;
}

QRect TCustImageBox::ImageRect() const
{
    if (m_image.isNull())
        return {};
    const QRect area = contentsRect();
    QSize size = m_image.size();
    if (size.width() > area.width() || size.height() > area.height())
        size.scale(area.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(area.center());
    return target;
}

QSize TCustImageBox::sizeHint() const
{
    return {220, 110};
}

QSize TCustImageBox::minimumSizeHint() const
{
    return {80, 50};
}

void TCustImageBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (m_image.isNull()) {
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(contentsRect(), Qt::AlignCenter, tr("(None)"));
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(ImageRect(), m_image);
}

void TCustImageBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        Q_EMIT DoubleClicked();
        return;
    }
    QFrame::mouseDoubleClickEvent(event);
}
