#include "ui/TBadgeScanFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

namespace
{

const QString kPrefix = QStringLiteral("QV-");

bool IsModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_CapsLock;
}

} // namespace

TBadgeScanFilter::TBadgeScanFilter(QObject* parent) : QObject(parent)
{
    m_gap = new QTimer(this);
    m_gap->setSingleShot(true);
    m_gap->setInterval(kGapMs);
    connect(m_gap, &QTimer::timeout, this, &TBadgeScanFilter::GapPassed);
}

TBadgeScanFilter::~TBadgeScanFilter()
{
    SetActive(false);
}

void TBadgeScanFilter::SetActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
        Replay();
    }
}

void TBadgeScanFilter::Reset()
{
    m_gap->stop();
    m_held.clear();
    m_burst.clear();
    m_scan = false;
}

void TBadgeScanFilter::Replay()
{
    const QList<THeld> held = m_held;
    Reset();
    m_replaying = true;
    for (const THeld& key : held) {
        if (!key.target)
            continue;
        QKeyEvent press(QEvent::KeyPress, key.key, key.modifiers, key.text);
        QCoreApplication::sendEvent(key.target, &press);
    }
    m_replaying = false;
}

void TBadgeScanFilter::GapPassed()
{
    if (!m_scan) {
        Replay();
        return;
    }
    // Only a machine types the prefix this fast: a code without Enter is still a scan, and
    // none of it reaches a field.
    const QString burst = m_burst;
    Reset();
    Q_EMIT BadgeScanned(burst);
}

bool TBadgeScanFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (m_replaying || event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsModifierKey(key->key()))
        return false;
    const qint64 gap = m_sinceLastKey.isValid() ? m_sinceLastKey.elapsed() : kGapMs + 1;
    m_sinceLastKey.restart();
    if ((!m_held.isEmpty() || m_scan) && gap > kGapMs)
        GapPassed(); // the timer had no chance to run
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (m_held.isEmpty() && !m_scan) {
        // A burst begins only with the prefix's first letter, typed without Ctrl or Alt.
        if (key->text().compare(kPrefix.left(1), Qt::CaseInsensitive) != 0 ||
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
    } else if (enter) {
        if (m_scan) {
            const QString burst = m_burst;
            Reset();
            Q_EMIT BadgeScanned(burst);
            return true;
        }
        // A person's short text: it goes to its control, then the Enter.
        Replay();
        return false;
    }
    // A key without text (an arrow, a function key) stands in the burst as a control character.
    QString text = key->text();
    if (text.isEmpty())
        text = QStringLiteral("\x01");
    m_held.append({watched, key->key(), key->modifiers(), key->text()});
    if (m_burst.size() <= kMaxBurst)
        m_burst += text.left(kMaxBurst + 1 - m_burst.size());
    if (!m_scan) {
        if (!kPrefix.startsWith(m_burst, Qt::CaseInsensitive)) {
            Replay();
            return true;
        }
        m_scan = m_burst.size() == kPrefix.size();
    }
    if (m_scan)
        m_held.clear(); // a scan's keys are never handed on
    m_gap->start();
    return true;
}
