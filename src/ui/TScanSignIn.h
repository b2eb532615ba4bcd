#pragma once

#include "data/TBadgeCodes.h"
#include "data/TSignInQueue.h"

#include <QColor>
#include <QObject>
#include <QVariant>

#include <functional>
#include <memory>

class QLabel;
class QTimer;
class QWidget;
class TBadgeScanFilter;
class TDM;

// The sign-in by badge of the live sign-in window: a scanned (or typed) code signs its holder
// in to the window's conference at once, and a large line says what happened, in green, amber
// or red. The window stays ready for the next scan.
class TScanSignIn : public QObject
{
    Q_OBJECT
public:
    // conferenceId gives the conference the window is open for (null while it is closed).
    TScanSignIn(TDM& dm, std::function<QVariant()> conferenceId, QWidget* lineParent);
    ~TScanSignIn() override;

    // The result line and under it the offline state, for the window's layout.
    QWidget* Panel() const { return m_panel; }
    QLabel* ResultLine() const { return m_line; }
    // True while the database server cannot be reached: sign-ins wait in the queue file.
    bool Offline() const { return m_offline; }
    int Waiting() const { return m_queue ? m_queue->Count() : 0; }
    // Signs in a participant chosen by name while offline.
    void SignInOffline(int userId);
    // Tries to send the waiting sign-ins now (the retry timer does so every few seconds).
    void SendWaiting();
    // Scans are recognised while the window is open; without keys only SignInBadge's callers
    // scan (a camera, or a second station in one process).
    void SetActive(bool active, bool keys = true);
    // Signs in the holder of the code (a scan, or a code typed into the name box).
    void SignInBadge(const QString& text);
    // Empties the result line (a typed search began).
    void ClearLine();

    // The colours of the line.
    static const QColor kGreen;
    static const QColor kAmber;
    static const QColor kRed;

Q_SIGNALS:
    // After each scan, with the text of the line.
    void Handled(const QString& line);

private:
    void Show(const QString& text, const QColor& colour);
    QString NameOf(int userId);
    // The name from the list in memory, for when the server is away.
    QString ListedName(int userId) const;
    bool ServerReachable();
    void GoOffline();
    void ShowWaiting();

    TDM& m_dm;
    std::function<QVariant()> m_conferenceId;
    QWidget* m_panel = nullptr;
    QLabel* m_line = nullptr;
    QLabel* m_state = nullptr;
    QTimer* m_retry = nullptr;
    bool m_offline = false;
    std::unique_ptr<TSignInQueue> m_queue;
    // Badge codes known at the opening, current and replaced, for scans while the server is
    // away.
    QHash<QString, TBadgeCodes::TLookup> m_knownCodes;
    QTimer* m_clear = nullptr;
    TBadgeScanFilter* m_filter = nullptr;
    std::unique_ptr<TBadgeCodes> m_codes;
};
