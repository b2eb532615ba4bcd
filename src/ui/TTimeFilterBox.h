#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

// The time-filter label of a page ("lConfTime") above its flat "select date range" button
// ("sbConfTime"). The main window finds every box to update the labels; the page connects
// clicked to the main window's bbConfTimeClick.
class TTimeFilterBox : public QWidget
{
    Q_OBJECT
public:
    // Width of the box and its label, in pixels; the label is LabelHeight high.
    static constexpr int BoxWidth = 218;
    static constexpr int LabelHeight = 37;

    TTimeFilterBox(const QString& labelName, const QString& buttonName, QWidget* parent = nullptr);

    QLabel* Label() const { return m_label; }
    QToolButton* Button() const { return m_button; }

Q_SIGNALS:
    void clicked();

private:
    QLabel* m_label;
    QToolButton* m_button;
};
