#include "ui/TScanSignIn.h"

#include "ui/TBadgeScanFilter.h"
#include "settings/TConfig.h"
#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "db/TError.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

const QColor TScanSignIn::kGreen(0, 128, 0);
const QColor TScanSignIn::kAmber(200, 120, 0);
const QColor TScanSignIn::kRed(192, 0, 0);

TScanSignIn::TScanSignIn(TDM& dm, std::function<QVariant()> conferenceId, QWidget* lineParent)
    : QObject(lineParent), m_dm(dm), m_conferenceId(std::move(conferenceId))
{
    m_panel = new QWidget(lineParent);
    m_line = new QLabel(m_panel);
    m_line->setObjectName(QStringLiteral("lScanResult"));
    m_line->setAlignment(Qt::AlignCenter);
    m_line->setWordWrap(true);
    QFont font = m_line->font();
    font.setBold(true);
    font.setPointSize(std::max(font.pointSize(), 1) * 2);
    m_line->setFont(font);
    m_state = new QLabel(m_panel);
    m_state->setObjectName(QStringLiteral("lOfflineState"));
    m_state->setAlignment(Qt::AlignCenter);
    {
        QFont stateFont = m_state->font();
        stateFont.setBold(true);
        m_state->setFont(stateFont);
        QPalette palette = m_state->palette();
        palette.setColor(QPalette::WindowText, kRed);
        m_state->setPalette(palette);
    }
    auto* layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_line);
    layout->addWidget(m_state);
    m_retry = new QTimer(this);
    m_retry->setInterval(5000);
    connect(m_retry, &QTimer::timeout, this, &TScanSignIn::SendWaiting);
    m_clear = new QTimer(this);
    m_clear->setSingleShot(true);
    m_clear->setInterval(8000);
    connect(m_clear, &QTimer::timeout, this, &TScanSignIn::ClearLine);
    m_filter = new TBadgeScanFilter(this);
    connect(m_filter, &TBadgeScanFilter::BadgeScanned, this, &TScanSignIn::SignInBadge);
}

TScanSignIn::~TScanSignIn() = default;

void TScanSignIn::SetActive(bool active, bool keys)
{
    m_filter->SetActive(active && keys);
    // The codes are looked up anew for each opening: another station may have printed badges.
    m_codes.reset();
    m_knownCodes.clear();
    if (!active) {
        m_retry->stop();
        ClearLine();
        return;
    }
    if (!m_dm.Conn || !m_dm.Conn->IsServer() || !m_dm.Config)
        return;
    // A station on a server keeps what it needs to go on when the server is away: the codes,
    // and a queue file beside quorvel.ini (with what an earlier run could not send).
    if (!m_queue)
        m_queue = std::make_unique<TSignInQueue>(TSignInQueue::FileBeside(m_dm.Config->FilePath()));
    try {
        m_knownCodes = TBadgeCodes(*m_dm.Conn).AllCodes();
        m_offline = false;
    } catch (const TError&) {
        m_offline = !ServerReachable();
    }
    ShowWaiting();
    if (m_queue->Count() > 0)
        SendWaiting();
}

bool TScanSignIn::ServerReachable()
{
    try {
        m_dm.Conn->ScalarQuery(QStringLiteral("select 1"));
        return true;
    } catch (const TError&) {
        return false;
    }
}

void TScanSignIn::GoOffline()
{
    m_offline = true;
    m_retry->start();
    ShowWaiting();
}

void TScanSignIn::ShowWaiting()
{
    const int waiting = Waiting();
    if (m_offline || waiting > 0)
        m_state->setText(tr("Offline: %1 sign-ins waiting").arg(waiting));
    else
        m_state->clear();
    if ((m_offline || waiting > 0) && !m_retry->isActive())
        m_retry->start();
}

void TScanSignIn::SendWaiting()
{
    if (!m_queue || !m_dm.Conn)
        return;
    if (!ServerReachable()) {
        m_offline = true;
        ShowWaiting();
        return;
    }
    const QList<TSignInQueue::TEntry> sent = m_queue->Entries();
    try {
        m_queue->Send(*m_dm.Conn);
    } catch (const TError&) {
        m_offline = !ServerReachable();
        ShowWaiting();
        return;
    }
    m_offline = false;
    m_retry->stop();
    ShowWaiting();
    // The list shows what the server now holds for these people.
    QList<std::pair<qint64, qint64>> pairs;
    for (const TSignInQueue::TEntry& entry : sent)
        pairs.append({entry.confId, entry.userId});
    if (!pairs.isEmpty())
        m_dm.RefreshSignInsElsewhere(pairs);
    try {
        m_knownCodes = TBadgeCodes(*m_dm.Conn).AllCodes();
    } catch (const TError&) {
        // Kept from the opening.
    }
}

QString TScanSignIn::ListedName(int userId) const
{
    const TDataSet* parts = m_dm.SignInParts;
    const int row = parts->Active() ? parts->FindRow(QStringLiteral("user_id"), userId) : -1;
    if (row < 0)
        return {};
    return QString(parts->RowValue(row, parts->FieldByName(QStringLiteral("first_name")).Index())
                       .toString() +
                   u' ' +
                   parts->RowValue(row, parts->FieldByName(QStringLiteral("last_name")).Index())
                       .toString())
        .trimmed();
}

void TScanSignIn::SignInOffline(int userId)
{
    const QVariant confId = m_conferenceId();
    const TDataSet* parts = m_dm.SignInParts;
    const int row = parts->Active() ? parts->FindRow(QStringLiteral("user_id"), userId) : -1;
    if (confId.isNull() || row < 0) {
        Show(tr("Unknown badge"), kRed);
        return;
    }
    const QString name = ListedName(userId);
    const bool listedIn =
        parts->RowValue(row, parts->FieldByName(QStringLiteral("signed_in")).Index()).toInt() != 0;
    if (listedIn || m_queue->Contains(confId.toLongLong(), userId)) {
        Show(tr("Already signed in: %1").arg(name), kAmber);
        return;
    }
    try {
        m_queue->Add(confId.toLongLong(), userId, QDateTime::currentDateTime());
    } catch (const TError& error) {
        Show(tr("Not signed in: %1").arg(error.Message()), kRed);
        return;
    }
    ShowWaiting();
    Show(tr("Signed in: %1").arg(name), kGreen);
}

void TScanSignIn::ClearLine()
{
    m_clear->stop();
    m_line->clear();
}

void TScanSignIn::Show(const QString& text, const QColor& colour)
{
    QPalette palette = m_line->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_line->setPalette(palette);
    m_line->setText(text);
    m_clear->start();
    if (m_dm.Config &&
        m_dm.Config->ReadInteger(QStringLiteral("SignIn"), QStringLiteral("ScanSound"), 0) != 0)
        QApplication::beep();
    Q_EMIT Handled(text);
}

QString TScanSignIn::NameOf(int userId)
{
    return m_dm.Conn
        ->ScalarQuery(QStringLiteral("select trim(coalesce(first_name, '') || ' ' || "
                                     "coalesce(last_name, '')) from participants where user_id = ?"),
                      {userId})
        .toString();
}

void TScanSignIn::SignInBadge(const QString& text)
{
    const QVariant confId = m_conferenceId();
    if (confId.isNull() || !m_dm.Conn)
        return;
    if (m_dm.ReadOnly()) {
        Show(m_dm.ReadOnlyReason(), kRed);
        return;
    }
    const QString code = TBadgeCodes::Normalised(text);
    if (m_offline) {
        const auto known = m_knownCodes.constFind(code);
        if (code.isEmpty() || known == m_knownCodes.cend())
            Show(tr("Unknown badge"), kRed);
        else if (known->kind == TBadgeCodes::TKind::Replaced)
            Show(tr("Badge replaced, ask at the desk"), kRed);
        else
            SignInOffline(known->userId);
        return;
    }
    try {
        if (!m_codes)
            m_codes = std::make_unique<TBadgeCodes>(*m_dm.Conn);
        const TDM::TBadgeSignIn done = m_dm.AddAttendanceByBadge(confId, text, *m_codes);
        // The station's list follows what the server said, for scans while it is away.
        if (m_queue && done.code != TBadgeCodes::TKind::Unknown)
            m_knownCodes.insert(code, {done.code, done.userId});
        if (done.code == TBadgeCodes::TKind::Replaced) {
            Show(tr("Badge replaced, ask at the desk"), kRed);
            return;
        }
        if (done.code != TBadgeCodes::TKind::Found ||
            done.result == TDM::TSignIn::NotInDatabase) {
            Show(tr("Unknown badge"), kRed);
            return;
        }
        // The list in memory names the person, then what the sign-in read, then the database.
        QString name = ListedName(done.userId);
        if (name.isEmpty())
            name = done.name;
        if (name.isEmpty())
            name = NameOf(done.userId);
        if (done.result == TDM::TSignIn::Added)
            Show(tr("Signed in: %1").arg(name), kGreen);
        else if (done.signedInAt.isValid())
            Show(tr("Already signed in: %1 at %2")
                     .arg(name, done.signedInAt.toString(QStringLiteral("HH:mm"))),
                 kAmber);
        else
            Show(tr("Already signed in: %1").arg(name), kAmber);
        // The list shows the person grey and selected; the other pages follow when the window
        // closes.
        TDataSet* parts = m_dm.SignInParts;
        if (parts->Active() && parts->DataState() == TDataSet::State::Browse)
            m_dm.RefreshSignInRow(done.userId);
    } catch (const TError& error) {
        // A station on a server goes on without it: the sign-in waits in the queue.
        if (m_queue && !ServerReachable()) {
            GoOffline();
            SignInBadge(text);
            return;
        }
        Show(tr("Not signed in: %1").arg(error.Message()), kRed);
    }
}
