#pragma once

#include <QDialog>
#include <QVariant>

#include <memory>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TDBGrid;
class TDM;
class TfrmAddPart;
class TScanSignIn;
class TfrmCamera;
class TSignInNameColumns;
class TSignInRegistrations;

// The full-screen live sign-in window: participants find their name and sign in to the
// conference chosen on the Live sign-in page. Created once at start-up and only hidden between
// uses, so it keeps its search; it keeps its list's column widths in the settings.
class TfrmSignIn : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSignIn(TDM& dm, QWidget* parent = nullptr);
    ~TfrmSignIn() override;

    // The dialog behind "New participant" and "Edit details". Start-up makes it after this
    // window, so its owner hands it over here; without one both buttons do nothing.
    void SetAddPartDialog(TfrmAddPart* dialog) { m_addPart = dialog; }

    // Opens the window maximised and modally for the current row of SignInConfs; returns when
    // the user closes it.
    int ShowModal();

    // "Sign to conference": signs the selected participant in.
    void sbSignInClick();
    // A double-click in the list signs in the selected participant unless already signed in.
    void dbgSignInNamesDblClick();
    // "New participant": adds a participant through the add-participant dialog and signs them in.
    void bSignInNewClick();
    // "Edit details": edits the selected participant through the add-participant dialog.
    void bEditClick();
    // The last-name search of the Enter key.
    void SearchNames();

    // The conference the window was opened for; null while it is closed.
    QVariant ConferenceId() const { return m_confId; }

    // Closing runs FormClose whichever way the window goes (close box, Alt+F4, done()).
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
    // Sees every key press of the window's controls before they do (FormKeyDown).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();
    // Enter only: the search; returns true when the key is consumed.
    bool FormKeyDown(const QKeyEvent& key);
    void dsSignInPartsDataChange();
    void SignInParticipant(int userId);
    // Puts the add-participant dialog's top-left corner on the "New participant" button.
    void PlaceAddPart();
    // Keeps the maximised window where it is: moves done by the window system are undone.
    void KeepInPlace();
    // Sizes the large type after the window's size.
    void ApplyTypeScale();
    // Puts the focus back into the name box, ready for the next person.
    void FocusNameBox();
    // The line under the button: "Signed in: <name>" for a few seconds after a sign-in, else
    // what the selection means ("Already signed in", or the hint for an empty list).
    void ShowStatus();
    QVariant SelectedValue(const QString& fieldName) const;
    // Sizes the list's name columns after its type.
    void FitNameColumns();

    TDM& m_dm;
    TfrmAddPart* m_addPart = nullptr;
    std::unique_ptr<TSignInNameColumns> m_nameColumns;
    // Who registered for the window's conference; read at each opening.
    std::unique_ptr<TSignInRegistrations> m_registrations;
    // Badge scans: the sign-in by code and its result line.
    TScanSignIn* m_scan = nullptr;
    QPushButton* bCamera = nullptr;
    TfrmCamera* m_camera = nullptr;
    QLabel* lConfName = nullptr;
    QLabel* lEnterName = nullptr;
    QLineEdit* eSignInName = nullptr;
    QPushButton* sbSignIn = nullptr;
    QLabel* lSelName = nullptr;
    QLabel* lSignInStatus = nullptr;
    QTimer* m_signedInTimer = nullptr;
    QString m_signedInText;
    QVariant m_signedInUser;
    QString m_lastSearch;
    QPushButton* bSignInNew = nullptr;
    QPushButton* bEdit = nullptr;
    TDBGrid* dbgSignInNames = nullptr;
    QVariant m_confId;
    bool m_open = false;
    bool m_keepingInPlace = false;
    double m_typeScale = 0;
};
