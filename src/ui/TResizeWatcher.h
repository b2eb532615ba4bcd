#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>

// Calls back when the watched widget changes its size.
class TResizeWatcher : public QObject
{
public:
    TResizeWatcher(QWidget* watched, std::function<void()> resized)
        : QObject(watched), m_resized(std::move(resized))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && watched == parent())
            m_resized();
        return false;
    }

private:
    std::function<void()> m_resized;
};
