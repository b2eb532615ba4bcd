#include "ui/TSlidingPanel.h"

#include <QLayout>
#include <QPropertyAnimation>
#include <QResizeEvent>

namespace
{

// Short enough not to hold the user up, long enough to show where the controls came from.
constexpr int SlideMilliseconds = 150;

} // namespace

TSlidingPanel::TSlidingPanel(const QString& objectName, QWidget* parent)
    : QFrame(parent), m_content(new QWidget(this)),
      m_animation(new QPropertyAnimation(this, "panelHeight", this))
{
    setObjectName(objectName);
    setFrameShape(QFrame::NoFrame);
    m_content->setObjectName(objectName + QStringLiteral("Content"));
    m_content->move(0, 0);
    SetPanelHeight(0);
    setVisible(false);
    connect(m_animation, &QPropertyAnimation::finished, this, [this] {
        SetPanelHeight(m_target);
        setVisible(m_target > 0);
    });
}

void TSlidingPanel::ExpandPanel(int height)
{
    Slide(qMin(1, height), height, height);
}

void TSlidingPanel::CollapsePanel(int height)
{
    if (!IsOpen() && !IsSliding())
        return;
    Slide(qMax(0, height - 1), 0, height);
}

void TSlidingPanel::Slide(int from, int to, int contentHeight)
{
    m_animation->stop();
    m_target = qMax(0, to);
    m_contentHeight = qMax(0, contentHeight);
    PlaceContent();
    // Shown from the first step on, so a caller can put the focus into it right away.
    setVisible(true);
    SetPanelHeight(from);
    if (from == to) {
        setVisible(m_target > 0);
        return;
    }
    m_animation->setDuration(SlideMilliseconds);
    m_animation->setStartValue(from);
    m_animation->setEndValue(m_target);
    m_animation->start();
}

void TSlidingPanel::FinishSlide()
{
    if (!IsSliding())
        return;
    // Ending the animation lands on its end value and runs the finished handler.
    m_animation->setCurrentTime(m_animation->totalDuration());
}

bool TSlidingPanel::IsSliding() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void TSlidingPanel::SetPanelHeight(int height)
{
    setFixedHeight(qMax(0, height));
    // Each step lays the window out again, so the widgets below follow the panel at once.
    if (QWidget* parent = parentWidget(); parent && parent->layout())
        parent->layout()->activate();
}

void TSlidingPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    PlaceContent();
}

void TSlidingPanel::PlaceContent()
{
    m_content->setGeometry(0, 0, width(), m_contentHeight);
}
