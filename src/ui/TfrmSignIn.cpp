#include "ui/TfrmSignIn.h"

#include "data/TBlankText.h"
#include "ui/TBusyCursor.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "data/TControlsOff.h"
#include "ui/TDBGrid.h"
#include "ui/TResizeWatcher.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TPrompts.h"
#include "db/TSqlDialect.h"
#include "ui/TfrmAddPart.h"
#include "data/TBadgeCodes.h"
#include "ui/TScanSignIn.h"
#include "ui/TfrmCamera.h"
#include "ui/TSignInNameColumns.h"
#include "ui/TSignInRegistrations.h"
#include "ui/TSignedInDelegate.h"

#include <QApplication>
#include <QBrush>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMoveEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace
{

const QColor kNavy(0, 0, 128);
const QColor kGreen(0, 128, 0);

// The type is large on a screen of 1024 by 768 and grows or shrinks with the window; the
// floor keeps it readable at the minimum size.
QFont ScaledFont(QFont font, double scale, int pointSize, int floor, bool bold)
{
    font.setPointSize(std::max(floor, int(pointSize * scale + 0.5)));
    font.setBold(bold);
    return font;
}

void SetTextColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
    widget->setPalette(palette);
}

} // namespace

TfrmSignIn::TfrmSignIn(TDM& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("frmSignIn"));
    setWindowTitle(tr("Live sign-in"));
    // A single border with the close box only: no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setMinimumSize(413, 390);
    setSizeGripEnabled(false);

    lConfName = new QLabel(this);
    lConfName->setObjectName(QStringLiteral("lConfName"));
    lConfName->setAlignment(Qt::AlignCenter);
    lConfName->setWordWrap(true);
    SetTextColor(lConfName, QPalette::WindowText, kNavy);

    dbgSignInNames = new TDBGrid(QStringLiteral("dbgSignInNames"), this);
    dbgSignInNames->SetDataSet(m_dm.SignInParts,
                               {{QStringLiteral("last_name"), tr("Last name")},
                                {QStringLiteral("first_name"), tr("First name")}});
    dbgSignInNames->SetSortable(true);
    dbgSignInNames->SetTitlePointer(TDBGrid::TitlePointer::OnMove);
    dbgSignInNames->SetColumnsResizable(true);
    // The list is reached by the mouse; Tab moves between the name box and the buttons.
    dbgSignInNames->setFocusPolicy(Qt::ClickFocus);
    dbgSignInNames->setItemDelegate(new TSignedInDelegate(dbgSignInNames));
    // The selection stays visible while the name box or another window has the focus.
    QPalette listPalette = dbgSignInNames->palette();
    listPalette.setColor(QPalette::Inactive, QPalette::Highlight,
                         listPalette.color(QPalette::Active, QPalette::Highlight));
    listPalette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         listPalette.color(QPalette::Active, QPalette::HighlightedText));
    dbgSignInNames->setPalette(listPalette);
    m_nameColumns = std::make_unique<TSignInNameColumns>(*dbgSignInNames, m_dm.Config);
    m_registrations = std::make_unique<TSignInRegistrations>(m_dm);
    dbgSignInNames->SetRowStyler([this](int row, int role) -> QVariant {
        if (role != Qt::ForegroundRole)
            return m_registrations->Mark(row, role);
        const TDataSet* parts = m_dm.SignInParts;
        const TField* signedIn = parts->FindField(QStringLiteral("signed_in"));
        if (!signedIn || row < 0 || row >= parts->RecordCount())
            return {};
        return QBrush(parts->RowValue(row, signedIn->Index()).toInt() == 1 ? TSignedInDelegate::SignedInColour()
                                                                           : QColor(Qt::black));
    });

    bSignInNew = new QPushButton(tr("&New participant"), this);
    bSignInNew->setObjectName(QStringLiteral("bSignInNew"));
    bEdit = new QPushButton(tr("&Edit details"), this);
    bEdit->setObjectName(QStringLiteral("bEdit"));
    // Badges read by the webcam, for an office without a scanner.
    bCamera = new QPushButton(tr("&Camera"), this);
    bCamera->setObjectName(QStringLiteral("bCamera"));
    connect(bCamera, &QPushButton::clicked, this, [this] {
        if (!m_camera) {
            m_camera = new TfrmCamera(this);
            connect(m_camera, &TfrmCamera::BadgeRead, m_scan, &TScanSignIn::SignInBadge);
        }
        m_camera->show();
        m_camera->raise();
    });

    lEnterName = new QLabel(tr("Enter your &last name"), this);
    lEnterName->setObjectName(QStringLiteral("lEnterName"));
    eSignInName = new QLineEdit(this);
    eSignInName->setObjectName(QStringLiteral("eSignInName"));
    SetTextColor(eSignInName, QPalette::Text, kGreen);
    lEnterName->setBuddy(eSignInName);

    sbSignIn = new QPushButton(tr("&Sign to conference"), this);
    sbSignIn->setObjectName(QStringLiteral("sbSignIn"));
    SetTextColor(sbSignIn, QPalette::ButtonText, kGreen);
    // The selected name sits inside the button's lower part; clicks on it reach the button.
    lSelName = new QLabel(sbSignIn);
    lSelName->setObjectName(QStringLiteral("lSelName"));
    lSelName->setAlignment(Qt::AlignCenter);
    // Inside a button a label would take the button's text colour.
    lSelName->setForegroundRole(QPalette::WindowText);
    lSelName->setAttribute(Qt::WA_TransparentForMouseEvents);
    SetTextColor(lSelName, QPalette::WindowText, kNavy);
    auto* inButton = new QVBoxLayout(sbSignIn);
    inButton->setContentsMargins(8, 4, 8, 10);
    inButton->addStretch(1);
    inButton->addWidget(lSelName);

    lSignInStatus = new QLabel(this);
    lSignInStatus->setObjectName(QStringLiteral("lSignInStatus"));
    lSignInStatus->setAlignment(Qt::AlignCenter);
    lSignInStatus->setWordWrap(true);
    SetTextColor(lSignInStatus, QPalette::WindowText, kNavy);
    m_signedInTimer = new QTimer(this);
    m_signedInTimer->setSingleShot(true);
    m_signedInTimer->setInterval(5000);
    connect(m_signedInTimer, &QTimer::timeout, this, &TfrmSignIn::ShowStatus);
    m_scan = new TScanSignIn(m_dm, [this] { return m_confId; }, this);

    // Enter is the search in this window (and the sign-in on the focused button), so no
    // button may take it as the default.
    for (QPushButton* button : {bSignInNew, bEdit, bCamera, sbSignIn}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(bSignInNew);
    buttons->addWidget(bEdit);
    buttons->addWidget(bCamera);
    buttons->addStretch(1);

    auto* entry = new QVBoxLayout;
    entry->addWidget(lEnterName);
    entry->addWidget(eSignInName);
    entry->addSpacing(12);
    entry->addWidget(sbSignIn);
    entry->addSpacing(8);
    entry->addWidget(lSignInStatus);
    entry->addSpacing(8);
    entry->addWidget(m_scan->Panel());
    entry->addStretch(1);

    auto* body = new QHBoxLayout;
    // The list and the name box share the width: the list shows long names whole.
    body->addWidget(dbgSignInNames, 1);
    body->addLayout(buttons);
    body->addSpacing(12);
    body->addLayout(entry, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lConfName);
    layout->addSpacing(8);
    layout->addLayout(body, 1);

    setTabOrder(eSignInName, sbSignIn);
    setTabOrder(sbSignIn, bSignInNew);
    setTabOrder(bSignInNew, bEdit);

    connect(sbSignIn, &QPushButton::clicked, this, &TfrmSignIn::sbSignInClick);
    connect(bSignInNew, &QPushButton::clicked, this, &TfrmSignIn::bSignInNewClick);
    connect(bEdit, &QPushButton::clicked, this, &TfrmSignIn::bEditClick);
    connect(dbgSignInNames, &TDBGrid::rowDoubleClicked, this, [this](int row) {
        if (row >= 0 && row < m_dm.SignInParts->RecordCount() && m_dm.SignInParts->RecNo() != row)
            m_dm.SignInParts->SetRecNo(row);
        dbgSignInNamesDblClick();
    });
    connect(m_dm.SignInParts, &TDataSet::CurrentChanged, this,
            &TfrmSignIn::dsSignInPartsDataChange);
    connect(m_dm.SignInParts, &TDataSet::RowChanged, this, &TfrmSignIn::dsSignInPartsDataChange);

    ApplyTypeScale();
    FormCreate();
    qApp->installEventFilter(this);
}

TfrmSignIn::~TfrmSignIn()
{
    qApp->removeEventFilter(this);
    disconnect(m_dm.SignInParts, nullptr, this, nullptr);
    FormDestroy();
}

void TfrmSignIn::FormCreate()
{
    m_nameColumns->Load();
    FitNameColumns();
    // The list's width follows the window's layout after the type has changed. A list resized
    // while the window is still being shown is fitted again once it shows.
    new TResizeWatcher(dbgSignInNames->viewport(), [this] {
        FitNameColumns();
        if (!dbgSignInNames->isVisible())
            QTimer::singleShot(0, this, [this] { FitNameColumns(); });
    });
    dsSignInPartsDataChange();
}

void TfrmSignIn::FitNameColumns()
{
    m_nameColumns->Fit();
}

void TfrmSignIn::FormDestroy()
{
    m_nameColumns->Save();
}

int TfrmSignIn::ShowModal()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    return exec();
}

void TfrmSignIn::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmSignIn::FormShow()
{
    TDataSet* confs = m_dm.SignInConfs;
    TDataSet* parts = m_dm.SignInParts;
    const bool hasConference = confs->Active() && !confs->IsEmpty();
    m_confId = hasConference ? confs->FieldByName(QStringLiteral("conf_id")).Value() : QVariant();
    m_open = true;
    {
        // One list reset however many steps the reopening takes.
        TControlsOff off({parts});
        parts->Close();
        m_registrations->PrepareList();
        parts->SetParam(QStringLiteral("conf_id"), m_confId);
        parts->Open();
        // A reopened data set keeps its filter text and switch but not the compiled filter:
        // setting the text again brings back the last-name filter of the previous use.
        if (parts->Filtered() && !parts->Filter().trimmed().isEmpty())
            parts->SetFilter(parts->Filter());
        off.Restore();
    }
    m_registrations->Load(m_confId);
    lConfName->setText(hasConference ? confs->FieldByName(QStringLiteral("conf_name")).AsString()
                                     : QString());
    m_signedInTimer->stop();
    // Nothing can be saved to a read-only database.
    bSignInNew->setEnabled(!m_dm.ReadOnly());
    bEdit->setEnabled(!m_dm.ReadOnly());
    dsSignInPartsDataChange();
    m_scan->SetActive(true);
    FocusNameBox();
}

void TfrmSignIn::done(int result)
{
    QDialog::done(result);
    if (m_open)
        FormClose();
}

void TfrmSignIn::FormClose()
{
    m_open = false;
    m_scan->SetActive(false);
    if (m_camera)
        m_camera->close();
    m_confId = QVariant();
    m_dm.SignInParts->Close();
    m_dm.RequeryAfterSignInClosed();
}

bool TfrmSignIn::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(*key))
            return true;
        // The list takes no focus, so the arrow keys in the name box move its selection.
        if (watched == eSignInName &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
             key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
            QApplication::sendEvent(dbgSignInNames, key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TfrmSignIn::FormKeyDown(const QKeyEvent& key)
{
    if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter)
        return false;
    // On the focused button Enter does what the button says, as Space does.
    if (sbSignIn->hasFocus()) {
        if (sbSignIn->isEnabled())
            sbSignIn->click();
        return true;
    }
    // A badge code typed by hand into the name box signs its holder in as a scan does.
    if (eSignInName->hasFocus() && !TBadgeCodes::Normalised(eSignInName->text()).isEmpty()) {
        m_scan->SignInBadge(eSignInName->text());
        eSignInName->clear();
        return true;
    }
    // A second Enter on the same name signs in the person chosen in the list (type, Enter,
    // Down, Enter); a blank name never does.
    if (eSignInName->hasFocus() && eSignInName->text() == m_lastSearch &&
        !TBlankText::IsBlank(m_lastSearch) && sbSignIn->isEnabled()) {
        sbSignIn->click();
        return true;
    }
    SearchNames();
    return true;
}

void TfrmSignIn::keyPressEvent(QKeyEvent* event)
{
    // Escape does not end the sign-in: only the close box does.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmSignIn::SearchNames()
{
    TDataSet* parts = m_dm.SignInParts;
    if (!parts->Active())
        return;
    const QString text = eSignInName->text();
    m_lastSearch = text;
    // The list is rebuilt once: a new pattern replaces the old one in a single step.
    if (TBlankText::IsBlank(text)) {
        parts->SetFiltered(false);
        return;
    }
    // Quotes are doubled so a name such as O'Brien is matched as typed.
    const QString expression =
        QStringLiteral("last_name like '") + TSqlDialect::EscapeQuotes(text) + QStringLiteral("%'");
    TControlsOff off({parts});
    parts->SetFilter(expression);
    parts->SetFiltered(true);
    off.Restore();
}

QVariant TfrmSignIn::SelectedValue(const QString& fieldName) const
{
    const TDataSet* parts = m_dm.SignInParts;
    if (!parts->Active() || parts->RecNo() < 0)
        return {};
    return parts->FieldByName(fieldName).Value();
}

void TfrmSignIn::dsSignInPartsDataChange()
{
    lSelName->clear();
    sbSignIn->setEnabled(false);
    ShowStatus();
    const TDataSet* parts = m_dm.SignInParts;
    if (!parts->Active() || parts->DataState() != TDataSet::State::Browse || parts->RecNo() < 0)
        return;
    if (parts->FieldByName(QStringLiteral("signed_in")).AsInteger() != 0)
        return;
    lSelName->setText(parts->FieldByName(QStringLiteral("first_name")).AsString() +
                      QLatin1Char(' ') +
                      parts->FieldByName(QStringLiteral("last_name")).AsString());
    // Nothing can be saved to a read-only database.
    sbSignIn->setEnabled(!m_dm.ReadOnly());
}

void TfrmSignIn::ShowStatus()
{
    const TDataSet* parts = m_dm.SignInParts;
    const bool hasRow = parts->Active() && parts->DataState() == TDataSet::State::Browse &&
                        parts->RecNo() >= 0;
    const QVariant selected = hasRow ? parts->FieldByName(QStringLiteral("user_id")).Value()
                                     : QVariant();
    if (m_signedInTimer->isActive() && hasRow && selected == m_signedInUser) {
        lSignInStatus->setText(m_signedInText);
    } else if (!parts->Active() || parts->DataState() != TDataSet::State::Browse) {
        lSignInStatus->clear();
    } else if (!hasRow) {
        lSignInStatus->setText(tr("Not on the list? Press New participant"));
    } else if (parts->FieldByName(QStringLiteral("signed_in")).AsInteger() != 0) {
        lSignInStatus->setText(tr("Already signed in"));
    } else {
        lSignInStatus->clear();
    }
}

void TfrmSignIn::sbSignInClick()
{
    const QVariant userId = SelectedValue(QStringLiteral("user_id"));
    if (userId.isNull())
        return;
    SignInParticipant(userId.toInt());
    FocusNameBox();
}

void TfrmSignIn::dbgSignInNamesDblClick()
{
    const QVariant userId = SelectedValue(QStringLiteral("user_id"));
    if (userId.isNull() || SelectedValue(QStringLiteral("signed_in")).toInt() != 0 ||
        m_dm.ReadOnly())
        return;
    SignInParticipant(userId.toInt());
}

void TfrmSignIn::SignInParticipant(int userId)
{
    // Without the server the sign-in waits in the station's queue.
    if (m_scan->Offline()) {
        m_scan->SignInOffline(userId);
        return;
    }
    TBusyCursor busy;
    // The other pages show this participant and this conference selected afterwards, where
    // their search and filter let them.
    if (m_dm.Participants->Locate(QStringLiteral("user_id"), userId) && !m_confId.isNull())
        m_dm.Conferences->Locate(QStringLiteral("conf_id"), m_confId);
    QString refusal;
    if (m_confId.isNull()) {
        refusal = tr("No conference is chosen for the sign-in; nobody was signed in.");
    } else if (m_dm.AddAttendance(m_confId, userId) == TDM::TSignIn::NotInDatabase) {
        // The other pages' search and filter may hide a row, but a row missing from the
        // database cannot be signed in: the person is told instead.
        refusal = tr("The participant or the conference is no longer in the database; nobody "
                     "was signed in.");
    }
    if (refusal.isEmpty()) {
        // Said for a few seconds, so that the person at the door knows it worked.
        m_signedInUser = userId;
        m_signedInText = m_registrations->SignedInLine(
            userId, m_dm.Conn
                        ->ScalarQuery(QStringLiteral("select trim(coalesce(first_name, '') || ' ' "
                                                     "|| coalesce(last_name, '')) from "
                                                     "participants where user_id = ?"),
                                      {userId})
                        .toString());
        m_signedInTimer->start();
    }
    m_dm.RequeryAfterSignInAttendance(userId);
    ShowStatus();
    if (!refusal.isEmpty())
        TPrompts::ShowWarning(refusal);
}

void TfrmSignIn::PlaceAddPart()
{
    const QPoint corner(bSignInNew->mapTo(this, QPoint(0, 0)).x(),
                        dbgSignInNames->mapTo(this, QPoint(0, 0)).y());
    m_addPart->move(mapToGlobal(corner));
}

void TfrmSignIn::bSignInNewClick()
{
    if (!m_addPart)
        return;
    if (m_scan->Offline()) {
        TPrompts::ShowWarning(tr("The database server cannot be reached, so no new participant "
                                 "can be added now. Signing in goes on; add the person when the "
                                 "server is back."));
        return;
    }
    PlaceAddPart();
    TDataSet* participants = m_dm.Participants;
    participants->Append();
    m_addPart->SetInsertState();
    if (m_addPart->exec() != QDialog::Accepted) {
        // Whatever closed the dialog, no half-made participant stays behind.
        if (participants->DataState() == TDataSet::State::Insert)
            participants->Cancel();
        FocusNameBox();
        return;
    }
    const int userId = m_addPart->SavedUserId();
    m_dm.RefreshSignInRow(userId);
    // Signed in also when the list's last-name filter hides the new row.
    SignInParticipant(userId);
    FocusNameBox();
}

void TfrmSignIn::bEditClick()
{
    if (!m_addPart)
        return;
    PlaceAddPart();
    const QVariant userId = SelectedValue(QStringLiteral("user_id"));
    if (userId.isNull())
        return;
    TDataSet* participants = m_dm.Participants;
    // The Participants page's search may hide the person: it is switched off for the edit and
    // on again afterwards, so the details can always be edited from here.
    bool filterSuspended = false;
    if (!participants->Locate(QStringLiteral("user_id"), userId)) {
        if (!participants->Filtered())
            return;
        participants->SetFiltered(false);
        filterSuspended = true;
        if (!participants->Locate(QStringLiteral("user_id"), userId)) {
            participants->SetFiltered(true);
            return;
        }
    }
    struct TRestoreFilter {
        TDataSet* participants;
        bool on;
        ~TRestoreFilter()
        {
            if (!on)
                return;
            try {
                participants->SetFiltered(true);
            } catch (...) {
                // The search comes back with the next Enter on the Participants page.
            }
        }
    } restore{participants, filterSuspended};

    participants->Edit();
    m_addPart->SetEditState();
    const int result = m_addPart->exec();
    if (participants->DataState() == TDataSet::State::Edit)
        participants->Cancel();
    if (result != QDialog::Accepted) {
        FocusNameBox();
        return;
    }
    // Editing signs no one in.
    m_dm.RefreshSignInRow(userId.toInt());
    FocusNameBox();
}

void TfrmSignIn::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ApplyTypeScale();
}

void TfrmSignIn::ApplyTypeScale()
{
    const double scale = std::clamp(std::min(width() / 1024.0, height() / 768.0), 0.4, 2.0);
    if (qFuzzyCompare(scale, m_typeScale))
        return;
    m_typeScale = scale;
    const QFont base = QApplication::font();
    lConfName->setFont(ScaledFont(base, scale, 26, 12, true));
    lEnterName->setFont(ScaledFont(base, scale, 18, 9, true));
    eSignInName->setFont(ScaledFont(base, scale, 28, 12, true));
    sbSignIn->setFont(ScaledFont(base, scale, 24, 10, true));
    sbSignIn->setMinimumHeight(int(150 * std::max(scale, 0.6)));
    lSelName->setFont(ScaledFont(base, scale, 18, 9, true));
    lSignInStatus->setFont(ScaledFont(base, scale, 18, 9, true));
    m_scan->ResultLine()->setFont(ScaledFont(base, scale, 26, 12, true));
    for (QPushButton* button : {bSignInNew, bEdit, bCamera}) {
        button->setFont(ScaledFont(base, scale, 12, 9, false));
        button->setMinimumHeight(button->fontMetrics().height() + int(16 * scale));
    }
    dbgSignInNames->setFont(ScaledFont(base, scale, 14, 9, false));
    // The titles are read from as far as the names; the last column fills the list.
    dbgSignInNames->horizontalHeader()->setFont(ScaledFont(base, scale, 14, 9, true));
    dbgSignInNames->horizontalHeader()->setStretchLastSection(true);
    dbgSignInNames->verticalHeader()->setDefaultSectionSize(dbgSignInNames->fontMetrics().height() +
                                                            8);
    FitNameColumns();
}

void TfrmSignIn::FocusNameBox()
{
    eSignInName->setFocus();
    eSignInName->selectAll();
}

void TfrmSignIn::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // The window system may take the maximised state away (a drag of the title bar on some
    // desktops does); it is given back at once.
    if (event->type() == QEvent::WindowStateChange && event->spontaneous() && isVisible() &&
        !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                setWindowState(windowState() | Qt::WindowMaximized);
        });
}

void TfrmSignIn::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    if (isVisible() && (windowState() & Qt::WindowMaximized))
        QTimer::singleShot(0, this, &TfrmSignIn::KeepInPlace);
}

void TfrmSignIn::KeepInPlace()
{
    if (m_keepingInPlace || !isVisible() || !(windowState() & Qt::WindowMaximized))
        return;
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QPoint home = screen->availableGeometry().topLeft();
    if (frameGeometry().topLeft() == home)
        return;
    m_keepingInPlace = true;
    move(home);
    m_keepingInPlace = false;
}

bool TfrmSignIn::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
#ifdef Q_OS_WIN
    // The system command that drags the window by its title bar is refused; every other
    // command takes its usual course.
    constexpr WPARAM kDragMove = 0xF012;
    if (eventType == "windows_generic_MSG") {
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND && msg->wParam == kDragMove) {
            *result = 0;
            return true;
        }
    }
#endif
    return QDialog::nativeEvent(eventType, message, result);
}
