#include "ui/TfrmCamera.h"

#include "ui/TBadgeDecoder.h"

#include <QCamera>
#include <QLabel>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

TfrmCamera::TfrmCamera(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCamera"));
    setWindowTitle(tr("Camera"));
    m_video = new QVideoWidget(this);
    m_video->setMinimumSize(320, 240);
    lCameraState = new QLabel(tr("Hold the badge's code in front of the camera."), this);
    lCameraState->setObjectName(QStringLiteral("lCameraState"));
    lCameraState->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_video, 1);
    layout->addWidget(lCameraState);
    connect(m_video->videoSink(), &QVideoSink::videoFrameChanged, this,
            &TfrmCamera::VideoFrameChanged);
}

TfrmCamera::~TfrmCamera() = default;

void TfrmCamera::SetPrompt(const QString& text)
{
    lCameraState->setText(text);
}

void TfrmCamera::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_camera)
        return;
    const QCameraDevice device = QMediaDevices::defaultVideoInput();
    if (device.isNull()) {
        lCameraState->setText(tr("No camera is connected."));
        return;
    }
    m_camera = new QCamera(device, this);
    m_session = new QMediaCaptureSession(this);
    m_session->setCamera(m_camera);
    m_session->setVideoOutput(m_video);
    connect(m_camera, &QCamera::errorOccurred, this, [this](QCamera::Error, const QString& text) {
        lCameraState->setText(tr("The camera cannot be used: %1").arg(text));
    });
    m_camera->start();
}

void TfrmCamera::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    // The camera is left to other programs while the window is closed.
    delete m_session;
    m_session = nullptr;
    delete m_camera;
    m_camera = nullptr;
}

void TfrmCamera::VideoFrameChanged(const QVideoFrame& frame)
{
    // A few pictures a second are plenty to read a badge held still.
    if (m_sinceDecode.isValid() && m_sinceDecode.elapsed() < 150)
        return;
    m_sinceDecode.restart();
    FrameArrived(frame.toImage());
}

void TfrmCamera::FrameArrived(const QImage& frame)
{
    for (const QString& text : TBadgeDecoder::Decode(frame)) {
        if (text == m_lastCode && m_sinceLastCode.isValid() && m_sinceLastCode.elapsed() < kRepeatMs)
            continue;
        m_lastCode = text;
        m_sinceLastCode.restart();
        Q_EMIT BadgeRead(text);
    }
}
