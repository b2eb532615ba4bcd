#include "ui/TTimeFilterBox.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TTimeFilterBox::TTimeFilterBox(const QString& labelName, const QString& buttonName, QWidget* parent)
    : QWidget(parent), m_label(new QLabel(this)), m_button(new QToolButton(this))
{
    setObjectName(labelName + QStringLiteral("Box"));
    setFixedWidth(BoxWidth);
    m_label->setObjectName(labelName);
    m_label->setFixedSize(BoxWidth, LabelHeight);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_label->setWordWrap(true);
    m_button->setObjectName(buttonName);
    m_button->setText(tr("select date range"));
    m_button->setAutoRaise(true);
    m_button->setFocusPolicy(Qt::StrongFocus);
    m_button->setCursor(Qt::PointingHandCursor);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_label);
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
    connect(m_button, &QToolButton::clicked, this, &TTimeFilterBox::clicked);
}
