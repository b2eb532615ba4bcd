#pragma once

#include <QFrame>
#include <QImage>

// A framed white box holding one picture: the picture is centred, scaled down in proportion
// when it is larger than the box and kept at its size otherwise; "(None)" shows while the box
// holds no picture. A double-click anywhere in the box is reported.
class TCustImageBox : public QFrame
{
    Q_OBJECT
public:
    explicit TCustImageBox(const QString& objectName, QWidget* parent = nullptr);

    // Loads any picture format Qt reads. On failure returns false with the reason in
    // errorText and keeps the picture it had.
    bool LoadFile(const QString& path, QString* errorText = nullptr);
    const QImage& Image() const { return m_image; }
    bool HasImage() const { return !m_image.isNull(); }
    // The rectangle the picture is drawn in, in the box's coordinates (empty without one).
    QRect ImageRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage m_image;
};
