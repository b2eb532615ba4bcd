#pragma once

#include "TBadgeCodes.h"

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

    // The result line, for the window's layout.
    QLabel* ResultLine() const { return m_line; }
    // Scans are recognised while the window is open.
    void SetActive(bool active);
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

    TDM& m_dm;
    std::function<QVariant()> m_conferenceId;
    QLabel* m_line = nullptr;
    QTimer* m_clear = nullptr;
    TBadgeScanFilter* m_filter = nullptr;
    std::unique_ptr<TBadgeCodes> m_codes;
};
