#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QKeyEvent;
class QTimer;

// Tells a keyboard-wedge scanner from a person at the keyboard. A scanner types a whole badge
// code and Enter within a few milliseconds; a person leaves far longer gaps between keys. While
// active the filter sees every key press of the application first: keys that may begin a badge
// code ("QV-") are held back; when they come as a fast burst the whole burst, Enter included,
// is taken from the focused control and reported as one scan, wherever the focus is (a field
// of an open dialog included). Anything else is handed on to its control unchanged and in order,
// at the latest after one gap.
class TBadgeScanFilter : public QObject
{
    Q_OBJECT
public:
    explicit TBadgeScanFilter(QObject* parent = nullptr);
    ~TBadgeScanFilter() override;

    // The longest pause between two keys of one scan.
    static constexpr int kGapMs = 40;
    // A burst is cut here; the scan is then refused as over-long.
    static constexpr int kMaxBurst = 64;

    void SetActive(bool active);
    bool Active() const { return m_active; }

Q_SIGNALS:
    // One scan: the characters as typed (control characters included, at most kMaxBurst + 1 of
    // them), without the final Enter.
    void BadgeScanned(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct THeld {
        QPointer<QObject> target;
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    // Gives the held keys to their controls, in order.
    void Replay();
    // The gap passed: a scan without Enter ends here, held keys of a person go on.
    void GapPassed();
    void Reset();

    bool m_active = false;
    bool m_replaying = false;
    bool m_scan = false; // the burst began with the badge prefix, fast
    QString m_burst;
    QList<THeld> m_held;
    QElapsedTimer m_sinceLastKey;
    QTimer* m_gap = nullptr;
};
