#include "ui/TTranscriptSettingsTab.h"

#include "settings/TConfig.h"
#include "ui/TCustImageBox.h"
#include "data/TDM.h"
#include "db/TError.h"
#include "db/TPrompts.h"
#include "ui/TSettingsMemo.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

const QString HeaderSection = QStringLiteral("Header");
const QString FooterSection = QStringLiteral("Footer");
const QString BitmapsSection = QStringLiteral("Bitmaps");
const QString HeaderBmpKey = QStringLiteral("HeaderBmp");
const QString FooterBmpKey = QStringLiteral("FooterBmp");

// Puts back the working directory that a file dialog may have changed.
class TWorkingDirectoryGuard
{
public:
    TWorkingDirectoryGuard() : m_dir(QDir::currentPath()) {}
    ~TWorkingDirectoryGuard() { QDir::setCurrent(m_dir); }
    TWorkingDirectoryGuard(const TWorkingDirectoryGuard&) = delete;
    TWorkingDirectoryGuard& operator=(const TWorkingDirectoryGuard&) = delete;

private:
    QString m_dir;
};

} // namespace

TTranscriptSettingsTab::TTranscriptSettingsTab(TDM& dm, TPrompts& prompts, QWidget* parent)
    : QWidget(parent), m_dm(dm), m_prompts(prompts)
{
    setObjectName(QStringLiteral("tsCustTranscripts"));

    auto* texts = new QGroupBox(tr("Custom header and footer for transcripts"), this);
    texts->setObjectName(QStringLiteral("gbTransTexts"));
    memHeader = new TSettingsMemo(QStringLiteral("memHeader"), texts);
    memFooter = new TSettingsMemo(QStringLiteral("memFooter"), texts);
    auto* lHeader = new QLabel(tr("Custom &header"), texts);
    lHeader->setBuddy(memHeader);
    auto* lFooter = new QLabel(tr("Custom &footer"), texts);
    lFooter->setBuddy(memFooter);
    auto* textsLayout = new QGridLayout(texts);
    textsLayout->addWidget(lHeader, 0, 0);
    textsLayout->addWidget(lFooter, 0, 1);
    textsLayout->addWidget(memHeader, 1, 0);
    textsLayout->addWidget(memFooter, 1, 1);
    textsLayout->setColumnStretch(0, 1);
    textsLayout->setColumnStretch(1, 1);

    auto* bitmaps = new QGroupBox(tr("Header and footer bitmaps"), this);
    bitmaps->setObjectName(QStringLiteral("gbTransBitmaps"));
    imTransHeader = new TCustImageBox(QStringLiteral("imTransHeader"), bitmaps);
    imTransFooter = new TCustImageBox(QStringLiteral("imTransFooter"), bitmaps);
    bLoadHeaderImg = new QPushButton(tr("&Load image"), bitmaps);
    bLoadHeaderImg->setObjectName(QStringLiteral("bLoadHeaderImg"));
    bLoadFooterImg = new QPushButton(tr("Load &image"), bitmaps);
    bLoadFooterImg->setObjectName(QStringLiteral("bLoadFooterImg"));
    auto* bitmapsLayout = new QGridLayout(bitmaps);
    bitmapsLayout->addWidget(new QLabel(tr("Header"), bitmaps), 0, 0);
    bitmapsLayout->addWidget(new QLabel(tr("Footer"), bitmaps), 0, 1);
    bitmapsLayout->addWidget(imTransHeader, 1, 0);
    bitmapsLayout->addWidget(imTransFooter, 1, 1);
    bitmapsLayout->addWidget(bLoadHeaderImg, 2, 0, Qt::AlignLeft);
    bitmapsLayout->addWidget(bLoadFooterImg, 2, 1, Qt::AlignLeft);
    bitmapsLayout->setColumnStretch(0, 1);
    bitmapsLayout->setColumnStretch(1, 1);
    bitmapsLayout->setRowStretch(1, 1);

    connect(imTransHeader, &TCustImageBox::DoubleClicked, this,
            &TTranscriptSettingsTab::imTransHeaderDblClick);
    connect(bLoadHeaderImg, &QPushButton::clicked, this,
            &TTranscriptSettingsTab::imTransHeaderDblClick);
    connect(imTransFooter, &TCustImageBox::DoubleClicked, this,
            &TTranscriptSettingsTab::imTransFooterDblClick);
    connect(bLoadFooterImg, &QPushButton::clicked, this,
            &TTranscriptSettingsTab::imTransFooterDblClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(texts, 1);
    layout->addWidget(bitmaps, 1);
}

void TTranscriptSettingsTab::LoadSettings(const TConfig& config)
{
    memHeader->SetLines(config.ReadList(HeaderSection));
    memFooter->SetLines(config.ReadList(FooterSection));

    // A picture that has gone or cannot be read is skipped: the box keeps what it shows.
    const QString headerPath = config.ReadString(BitmapsSection, HeaderBmpKey);
    if (!headerPath.isEmpty())
        imTransHeader->LoadFile(headerPath);
    const QString footerPath = config.ReadString(BitmapsSection, FooterBmpKey);
    if (!footerPath.isEmpty())
        imTransFooter->LoadFile(footerPath);
}

void TTranscriptSettingsTab::SaveSettings(TConfig& config) const
{
    config.WriteList(HeaderSection, memHeader->Lines());
    config.WriteList(FooterSection, memFooter->Lines());
}

void TTranscriptSettingsTab::ChooseImage(TCustImageBox* box, const QString& key)
{
    const TWorkingDirectoryGuard workingDirectory;
    const QString current = m_dm.Config->ReadString(BitmapsSection, key);
    const QString chosen = m_prompts.OpenFileName(
        tr("Open"), current.isEmpty() ? QString() : QFileInfo(current).absolutePath(),
        tr("Bitmaps (*.bmp)"));
    if (chosen.isEmpty())
        return;
    // Resolved before the working directory is put back, in case the dialog moved it.
    const QString path = QFileInfo(chosen).absoluteFilePath();
    QString reason;
    if (!box->LoadFile(path, &reason))
        throw TError(
            tr("Cannot load the picture %1: %2").arg(QDir::toNativeSeparators(path), reason));
    m_dm.Config->WriteString(BitmapsSection, key, path);
}

void TTranscriptSettingsTab::imTransHeaderDblClick()
{
    ChooseImage(imTransHeader, HeaderBmpKey);
}

void TTranscriptSettingsTab::imTransFooterDblClick()
{
    ChooseImage(imTransFooter, FooterBmpKey);
}
