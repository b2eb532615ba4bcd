#pragma once

#include "documents/TProgress.h"

#include <QPointer>
#include <QProgressDialog>

class QWidget;

// The window of a long document run: what it does, a bar, and Cancel. It stays modal to the
// main window while it shows and keeps the window painted between steps.
class TProgressDialog : public TProgress
{
public:
    // parent: the window the progress belongs to; it outlives this object.
    explicit TProgressDialog(QWidget* parent);
    ~TProgressDialog() override;

    void Begin(const QString& text, int total) override;
    bool Step(int done) override;
    void End() override;

    // The open window, null between runs.
    QProgressDialog* Dialog() const { return m_dialog; }

private:
    QWidget* m_parent;
    QPointer<QProgressDialog> m_dialog;
};
