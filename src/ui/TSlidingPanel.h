#pragma once

#include <QFrame>

class QPropertyAnimation;

// A panel that slides open from height 0 and closes back to 0, pushing the widgets below it
// down and up as it goes. Its controls live on Content(), which keeps the full open height and
// is uncovered from the top, so they are never squeezed while the panel moves. A closed panel
// is hidden, so its controls take no focus.
class TSlidingPanel : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(int panelHeight READ PanelHeight WRITE SetPanelHeight)
public:
    explicit TSlidingPanel(const QString& objectName, QWidget* parent = nullptr);

    // The widget that holds the panel's controls; give it a layout.
    QWidget* Content() const { return m_content; }

    // Grows the panel from closed to height, one pixel a step.
    void ExpandPanel(int height);
    // Shrinks the panel from height to closed, one pixel a step.
    void CollapsePanel(int height);
    // Jumps to the end of a slide that is still running.
    void FinishSlide();

    // The height the panel rests at, or is on its way to: 0 when closed.
    int TargetHeight() const { return m_target; }
    bool IsOpen() const { return m_target > 0; }
    bool IsSliding() const;

    int PanelHeight() const { return height(); }
    void SetPanelHeight(int height);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Slide(int from, int to, int contentHeight);
    void PlaceContent();

    QWidget* m_content;
    QPropertyAnimation* m_animation;
    int m_target = 0;
    int m_contentHeight = 0;
};
