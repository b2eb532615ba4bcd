#include "TBrandingPanel.h"

#include <QLabel>
#include <QVBoxLayout>

TBrandingPanel::TBrandingPanel(const QString& objectName, QWidget* parent) : QFrame(parent)
{
    setObjectName(objectName);
    setFixedSize(218, 96);
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("<b>Quorvel</b>"), this);
    layout->addWidget(name);
}
