#include "ui/TfrmVerifyTranscript.h"

#include "db/TError.h"
#include "db/TPrompts.h"
#include "seal/TSealCode.h"
#include "seal/TSealKey.h"
#include "ui/TfrmCamera.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TfrmVerifyTranscript::TfrmVerifyTranscript(const QString& dataFolder, TPrompts& prompts,
                                           QWidget* parent)
    : QDialog(parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmVerifyTranscript"));
    setWindowTitle(tr("Verify a transcript"));
    resize(760, 520);

    edCode = new QLineEdit(this);
    edCode->setObjectName(QStringLiteral("edCode"));
    edCode->setPlaceholderText(tr("Scan the code, or paste its text (CE1:...)"));
    edKey = new QLineEdit(
        QDir::toNativeSeparators(QDir(dataFolder).absoluteFilePath(TSealKey::PublicFileName())),
        this);
    edKey->setObjectName(QStringLiteral("edKey"));
    bKey = new QPushButton(tr("Choose..."), this);
    bKey->setObjectName(QStringLiteral("bKey"));
    bVerify = new QPushButton(tr("Verify"), this);
    bVerify->setObjectName(QStringLiteral("bVerify"));
    bVerify->setDefault(true);
    // Codes read by the webcam, for an office without a scanner.
    bCamera = new QPushButton(tr("C&amera"), this);
    bCamera->setObjectName(QStringLiteral("bCamera"));
    bCamera->setAutoDefault(false);
    lResult = new QLabel(this);
    lResult->setObjectName(QStringLiteral("lResult"));
    lResult->setWordWrap(true);
    lResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tbRecord = new QTableWidget(0, 2, this);
    tbRecord->setObjectName(QStringLiteral("tbRecord"));
    tbRecord->setHorizontalHeaderLabels({tr("Item"), tr("Value")});
    tbRecord->horizontalHeader()->setStretchLastSection(true);
    tbRecord->verticalHeader()->hide();
    tbRecord->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto* form = new QFormLayout;
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(edCode, 1);
    codeRow->addWidget(bVerify);
    codeRow->addWidget(bCamera);
    form->addRow(tr("&Code:"), codeRow);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(edKey, 1);
    keyRow->addWidget(bKey);
    form->addRow(tr("&Public key:"), keyRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lResult);
    layout->addWidget(tbRecord, 1);
    layout->addWidget(buttons);

    connect(bVerify, &QPushButton::clicked, this, &TfrmVerifyTranscript::bVerifyClick);
    connect(edCode, &QLineEdit::returnPressed, this, &TfrmVerifyTranscript::bVerifyClick);
    connect(bKey, &QPushButton::clicked, this, &TfrmVerifyTranscript::bKeyClick);
    connect(bCamera, &QPushButton::clicked, this, &TfrmVerifyTranscript::bCameraClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TfrmVerifyTranscript::bKeyClick()
{
    const QString path = m_prompts.OpenFileName(tr("Public key"),
                                                QFileInfo(edKey->text()).absolutePath(),
                                                tr("Public keys (*.pub);;All files (*)"));
    if (!path.isEmpty())
        edKey->setText(QDir::toNativeSeparators(path));
}

void TfrmVerifyTranscript::bCameraClick()
{
    if (!m_camera) {
        m_camera = new TfrmCamera(this);
        m_camera->SetPrompt(tr("Hold the transcript's code in front of the camera."));
        connect(m_camera, &TfrmCamera::BadgeRead, this, &TfrmVerifyTranscript::CodeRead);
    }
    m_camera->show();
    m_camera->raise();
}

void TfrmVerifyTranscript::CodeRead(const QString& text)
{
    edCode->setText(text);
    bVerifyClick();
}

void TfrmVerifyTranscript::bVerifyClick()
{
    tbRecord->setRowCount(0);
    QByteArray key;
    try {
        key = TSealKey::LoadPublic(QDir::fromNativeSeparators(edKey->text()));
    } catch (const TError& e) {
        lResult->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
        lResult->setText(e.Message());
        return;
    }
    const TSealCheck check = TSealFormat::Check(edCode->text(), key);
    if (!check.Ok()) {
        lResult->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
        lResult->setText(tr("NOT VALID: %1").arg(check.reason));
    } else {
        lResult->setStyleSheet(QStringLiteral("color: #006000; font-weight: bold"));
        lResult->setText(check.record.HasDigest()
                             ? tr("valid (the %1 conference lines are signed as a digest: "
                                  "check them with quorvel-admin verify and the PDF file)")
                                   .arg(check.record.lineCount)
                             : tr("valid"));
        ShowRecord(check);
    }
    edCode->selectAll();
    edCode->setFocus();
}

void TfrmVerifyTranscript::ShowRecord(const TSealCheck& check)
{
    const TSealRecord& r = check.record;
    QList<QPair<QString, QString>> rows{
        {tr("Issuer"), r.issuer},
        {tr("Key id"), QString::fromLatin1(check.keyId.toHex().toUpper())},
        {tr("Participant"), r.name},
        {tr("Period"), r.period},
        {tr("Issued"), r.issued}};
    if (r.HasDigest())
        rows.append({tr("Conferences"), tr("%1 lines (digest)").arg(r.lineCount)});
    for (const QStringList& line : r.lines) {
        QStringList shown;
        for (const QString& field : line)
            if (!field.isEmpty())
                shown << field;
        rows.append({tr("Conference"), shown.join(QStringLiteral("  |  "))});
    }
    for (const auto& [credit, units] : r.totals)
        rows.append({tr("Units %1").arg(credit), units});
    tbRecord->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        tbRecord->setItem(i, 0, new QTableWidgetItem(rows[i].first));
        tbRecord->setItem(i, 1, new QTableWidgetItem(rows[i].second));
    }
    tbRecord->resizeColumnToContents(0);
}
