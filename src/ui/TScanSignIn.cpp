#include "TScanSignIn.h"

#include "TBadgeScanFilter.h"
#include "TConfig.h"
#include "TConnection.h"
#include "TDM.h"
#include "TDataSet.h"
#include "TError.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>

const QColor TScanSignIn::kGreen(0, 128, 0);
const QColor TScanSignIn::kAmber(200, 120, 0);
const QColor TScanSignIn::kRed(192, 0, 0);

TScanSignIn::TScanSignIn(TDM& dm, std::function<QVariant()> conferenceId, QWidget* lineParent)
    : QObject(lineParent), m_dm(dm), m_conferenceId(std::move(conferenceId))
{
    m_line = new QLabel(lineParent);
    m_line->setObjectName(QStringLiteral("lScanResult"));
    m_line->setAlignment(Qt::AlignCenter);
    m_line->setWordWrap(true);
    QFont font = m_line->font();
    font.setBold(true);
    font.setPointSize(std::max(font.pointSize(), 1) * 2);
    m_line->setFont(font);
    m_clear = new QTimer(this);
    m_clear->setSingleShot(true);
    m_clear->setInterval(8000);
    connect(m_clear, &QTimer::timeout, this, &TScanSignIn::ClearLine);
    m_filter = new TBadgeScanFilter(this);
    connect(m_filter, &TBadgeScanFilter::BadgeScanned, this, &TScanSignIn::SignInBadge);
}

TScanSignIn::~TScanSignIn() = default;

void TScanSignIn::SetActive(bool active)
{
    m_filter->SetActive(active);
    // The codes are looked up anew for each opening: another station may have printed badges.
    m_codes.reset();
    if (!active)
        ClearLine();
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
    try {
        if (!m_codes)
            m_codes = std::make_unique<TBadgeCodes>(*m_dm.Conn);
        const TBadgeCodes::TLookup found = m_codes->Find(text);
        if (found.kind == TBadgeCodes::TKind::Replaced) {
            Show(tr("Badge replaced, ask at the desk"), kRed);
            return;
        }
        const TDM::TSignIn result = found.kind == TBadgeCodes::TKind::Found
                                        ? m_dm.AddAttendance(confId, found.userId)
                                        : TDM::TSignIn::NotInDatabase;
        if (result == TDM::TSignIn::NotInDatabase) {
            Show(tr("Unknown badge"), kRed);
            return;
        }
        const QString name = NameOf(found.userId);
        if (result == TDM::TSignIn::Added) {
            Show(tr("Signed in: %1").arg(name), kGreen);
        } else {
            const QVariant when = m_dm.Conn->ScalarQuery(
                QStringLiteral("select sign_in_date from attendances where conf_id = ? and "
                               "user_id = ?"),
                {confId, found.userId});
            const QDateTime at = when.typeId() == QMetaType::QDateTime
                                     ? when.toDateTime()
                                     : QDateTime::fromString(when.toString().left(19),
                                                             QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            Show(at.isValid() ? tr("Already signed in: %1 at %2").arg(name, at.toString(QStringLiteral("HH:mm")))
                              : tr("Already signed in: %1").arg(name),
                 kAmber);
        }
        // The list shows the person grey and selected; the other pages follow when the window
        // closes.
        TDataSet* parts = m_dm.SignInParts;
        if (parts->Active() && parts->DataState() == TDataSet::State::Browse)
            m_dm.RefreshSignInRow(found.userId);
    } catch (const TError& error) {
        Show(tr("Not signed in: %1").arg(error.Message()), kRed);
    }
}
