#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QString>

class QCamera;
class QLabel;
class QMediaCaptureSession;
class QVideoFrame;
class QVideoWidget;

// "Camera" of the live sign-in window: shows the webcam and reports every badge it reads, for
// an office without a scanner. A badge held in front of it is reported once, not at every frame.
class TfrmCamera : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmCamera(QWidget* parent = nullptr);
    ~TfrmCamera() override;

    // One picture from the camera: its badge codes are reported.
    void FrameArrived(const QImage& frame);
    // The line under the picture that tells what to hold up (a badge unless set otherwise).
    void SetPrompt(const QString& text);

    // The same code again within this time is the same badge still in view.
    static constexpr int kRepeatMs = 3000;

Q_SIGNALS:
    void BadgeRead(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void VideoFrameChanged(const QVideoFrame& frame);

    QVideoWidget* m_video = nullptr;
    QLabel* lCameraState = nullptr;
    QCamera* m_camera = nullptr;
    QMediaCaptureSession* m_session = nullptr;
    QElapsedTimer m_sinceDecode;
    QString m_lastCode;
    QElapsedTimer m_sinceLastCode;
};
