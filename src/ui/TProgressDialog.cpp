#include "ui/TProgressDialog.h"

#include "db/TPrompts.h"

#include <QApplication>
#include <QProgressDialog>

TProgressDialog::TProgressDialog(QWidget* parent) : m_parent(parent)
{
}

TProgressDialog::~TProgressDialog()
{
    End();
}

void TProgressDialog::Begin(const QString& text, int total)
{
    End();
    m_dialog = new QProgressDialog(text, QApplication::translate("TProgressDialog", "Cancel"), 0,
                                   total, m_parent);
    m_dialog->setObjectName(QStringLiteral("frmProgress"));
    m_dialog->setWindowTitle(TPrompts::ApplicationTitle());
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    m_dialog->setValue(0);
    m_dialog->show();
    QApplication::processEvents();
}

bool TProgressDialog::Step(int done)
{
    if (!m_dialog)
        return true;
    // A modal progress dialog handles pending events (the Cancel click among them) here.
    m_dialog->setValue(done);
    QApplication::processEvents();
    return !m_dialog->wasCanceled();
}

void TProgressDialog::End()
{
    delete m_dialog.data();
}
