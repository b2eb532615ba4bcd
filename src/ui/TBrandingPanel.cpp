#include "ui/TBrandingPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

// The logo lives in the user-interface library's resources; a static library must register
// them itself before first use.
static void InitLogoResource()
{
    Q_INIT_RESOURCE(quorvel_ui);
}

namespace
{

constexpr int LogoWidth = 83;
constexpr int LogoHeight = 80;

QLabel* WrappedLabel(const QString& text, qreal pointSizeFactor, bool bold, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * pointSizeFactor);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace

TBrandingPanel::TBrandingPanel(const QString& objectName, QWidget* parent) : QFrame(parent)
{
    InitLogoResource();
    setObjectName(objectName);
    setFixedSize(PanelWidth, PanelHeight);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imLogo"));
    logo->setFixedSize(LogoWidth, LogoHeight);
    logo->setAlignment(Qt::AlignCenter);
    const QPixmap picture(QStringLiteral(":/quorvel/logo.png"));
    logo->setPixmap(picture.scaled(LogoWidth, LogoHeight, Qt::KeepAspectRatio,
                                   Qt::SmoothTransformation));

    auto* name = WrappedLabel(QStringLiteral("Quorvel"), 1.25, true, this);
    name->setObjectName(QStringLiteral("lProductName"));
    auto* tagline =
        WrappedLabel(tr("Continuing Education Management Software"), 0.85, false, this);
    tagline->setObjectName(QStringLiteral("lTagline"));
    auto* credit = WrappedLabel(tr("Made by the Quorvel team"), 0.85, false, this);
    credit->setObjectName(QStringLiteral("lCredit"));
    credit->setForegroundRole(QPalette::PlaceholderText);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addStretch();
    texts->addWidget(name);
    texts->addWidget(tagline);
    texts->addWidget(credit);
    texts->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(logo, 0, Qt::AlignVCenter);
    layout->addLayout(texts, 1);
}
