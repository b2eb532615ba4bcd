#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class TConnection;

// Picks a participant to register: the last name typed narrows the list (the first 200 by
// name); Enter or a double-click takes the selected one.
class TfrmPickRegistrant : public QDialog
{
    Q_OBJECT
public:
    TfrmPickRegistrant(TConnection& conn, QWidget* parent);
    // The user_id picked; 0 when none.
    int PickedId() const;
    void Search(const QString& text);

private:
    TConnection& m_conn;
    QLineEdit* eSearchReg = nullptr;
    QListWidget* lbRegCandidates = nullptr;
};
