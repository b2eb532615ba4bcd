#include "ui/TSignInSettingsTab.h"

#include "ui/TSignInRegistrations.h"

#include <QCheckBox>
#include <QVBoxLayout>

TSignInSettingsTab::TSignInSettingsTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsSignInSettings"));
    cbRegistrantsFirst =
        new QCheckBox(tr("List the &registered people first in the Live sign-in window"), this);
    cbRegistrantsFirst->setObjectName(QStringLiteral("cbRegistrantsFirst"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cbRegistrantsFirst);
    layout->addStretch(1);
}

void TSignInSettingsTab::LoadSettings(const TConfig& config)
{
    cbRegistrantsFirst->setChecked(TSignInRegistrations::RegistrantsFirst(&config));
}

void TSignInSettingsTab::SaveSettings(TConfig& config) const
{
    TSignInRegistrations::SetRegistrantsFirst(config, cbRegistrantsFirst->isChecked());
}
