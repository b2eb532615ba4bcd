#pragma once

#include <QDialog>

class QPushButton;
class TDM;
class TWalkInGuard;
class TfraPartDetails;

// The dialog that adds a new participant at the door, or edits the selected one's details,
// from the live sign-in window. Created once at start-up and only hidden between uses. The
// caller puts Participants into insert or edit state before showing it; the dialog posts or
// cancels that change and never leaves it pending.
class TfrmAddPart : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAddPart(TDM& dm, QWidget* parent = nullptr);
    ~TfrmAddPart() override;

    // The two modes: a new participant ("Save and sign in") or the details of one ("Save").
    void SetInsertState();
    void SetEditState();

    // Posts the Participants row as typed (blanks stay blanks) and closes with OK. A refused
    // post throws with the database's message; the dialog then stays open with the typed values.
    void bPartSaveClick();
    // Discards the new row or the changes and closes with Cancel.
    void bPartCancelClick();

    // The user_id of the row the last successful save stored; 0 before any.
    int SavedUserId() const { return m_savedUserId; }

    // Every way of closing without OK (Cancel, the close box, Escape) cancels the pending
    // insert or edit, so no half-typed participant is left behind in Participants.
    void reject() override;

    TWalkInGuard* WalkInGuard() const { return m_guard; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Takes the person the guard offered: the new row is dropped, and the dialog closes with
    // OK and that person's user_id, so the caller signs them in.
    void UseExisting(int userId);
    void FormCreate();
    void FormDestroy();
    void FormShow();

    TDM& m_dm;
    TfraPartDetails* fraPartDetailsSignIn = nullptr;
    QPushButton* bPartSave = nullptr;
    QPushButton* bPartCancel = nullptr;
    int m_savedUserId = 0;
    TWalkInGuard* m_guard = nullptr;
};
