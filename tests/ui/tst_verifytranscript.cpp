// "Verify a transcript": a scanned (typed, ending with Enter) or pasted code is checked against
// the data folder's public key or another chosen one, and the record shows as a table.

#include "seal/TSealCode.h"
#include "seal/TSealKey.h"
#include "support/TTestPrompts.h"
#include "ui/TfrmCamera.h"
#include "ui/TfrmVerifyTranscript.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// A camera's picture of a printed code: 4 pixels a module, a white border around it.
QImage Frame(const QString& code)
{
    const TSealMatrix matrix = TSealFormat::Matrix(code);
    const int module = 4;
    QImage frame((matrix.width + 16) * module, (matrix.width + 16) * module, QImage::Format_RGB32);
    frame.fill(Qt::white);
    QPainter painter(&frame);
    for (int y = 0; y < matrix.width; ++y)
        for (int x = 0; x < matrix.width; ++x)
            if (matrix.Dark(x, y))
                painter.fillRect((x + 8) * module, (y + 8) * module, module, module, Qt::black);
    return frame;
}

} // namespace

class tst_verifytranscript : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scannedCodeShowsItsRecord()
    {
        QTemporaryDir office;
        QTemporaryDir elsewhere;
        const TSealKey key = TSealKey::Generate();
        key.Save(office.path());
        TSealKey::Generate().Save(elsewhere.path());
        TSealRecord record;
        record.issuer = QStringLiteral("Office of CME");
        record.name = QStringLiteral("Anna Smith");
        record.period = QStringLiteral("2005");
        record.issued = QStringLiteral("2026-12-10");
        record.lines = {{"3/7/05", "Cardiology Update", "1.50", "CME;", "Lunch provided;"}};
        record.totals = {{"CME", "1.50"}};
        const QString code = TSealFormat::Sign(record, key);

        TTestPrompts prompts;
        TfrmVerifyTranscript window(office.path(), prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // A keyboard-wedge scanner types the text and Enter.
        window.CodeEdit()->setFocus();
        QTest::keyClicks(window.CodeEdit(), code);
        QTest::keyClick(window.CodeEdit(), Qt::Key_Return);
        QCOMPARE(window.ResultLabel()->text(), QStringLiteral("valid"));
        QTableWidget* table = window.RecordTable();
        QStringList rows;
        for (int i = 0; i < table->rowCount(); ++i)
            rows << table->item(i, 0)->text() + '=' + table->item(i, 1)->text();
        QCOMPARE(rows, QStringList({"Issuer=Office of CME",
                                    "Key id=" + QString(key.KeyId().toHex().toUpper()),
                                    "Participant=Anna Smith", "Period=2005",
                                    "Issued=2026-12-10",
                                    "Conference=3/7/05  |  Cardiology Update  |  1.50  |  CME;  |  "
                                    "Lunch provided;",
                                    "Units CME=1.50"}));
        // The next scan replaces the text (it is selected after each check).
        QVERIFY(window.CodeEdit()->hasSelectedText());

        // Another office's key, chosen through the file dialog.
        prompts.QueueFileName(QDir(elsewhere.path()).filePath("office.pub"));
        window.bKeyClick();
        window.bVerifyClick();
        QVERIFY2(window.ResultLabel()->text().startsWith(
                     "NOT VALID: it was signed with another key"),
                 qPrintable(window.ResultLabel()->text()));
        QCOMPARE(window.RecordTable()->rowCount(), 0);
        // A pasted code cut short.
        window.KeyEdit()->setText(QDir(office.path()).filePath("office.pub"));
        window.CodeEdit()->setText(code.left(code.size() - 2));
        window.bVerifyClick();
        QVERIFY2(window.ResultLabel()->text().startsWith("NOT VALID: the code is damaged"),
                 qPrintable(window.ResultLabel()->text()));
        // No public key there.
        window.KeyEdit()->setText(QDir(office.path()).filePath("gone.pub"));
        window.bVerifyClick();
        QVERIFY(window.ResultLabel()->text().contains("gone.pub cannot be read"));
    }

    // The camera, without a camera: the pictures are handed to its window. A short code and a
    // long transcript's code (its lines as a digest) are read and checked at once.
    void cameraReadsTheCode()
    {
        QTemporaryDir office;
        const TSealKey key = TSealKey::Generate();
        key.Save(office.path());
        TSealRecord record;
        record.name = QStringLiteral("Anna Smith");
        record.issued = QStringLiteral("2026-12-10");
        for (int i = 0; i < 40; ++i)
            record.lines << QStringList{
                "3/7/05",
                QString::fromLatin1(QCryptographicHash::hash(QByteArray::number(i),
                                                             QCryptographicHash::Sha1)
                                        .toHex()),
                "1.50", "CME;", ""};
        record.totals = {{"CME", "60.00"}};
        const TSealCode longCode = TSealFormat::Seal(record, key);
        QVERIFY(longCode.digest);
        record.lines.resize(1);
        const QString shortCode = TSealFormat::Sign(record, key);

        TTestPrompts prompts;
        TfrmVerifyTranscript window(office.path(), prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.findChild<QPushButton*>("bCamera")->click();
        TfrmCamera* camera = window.Camera();
        QVERIFY(camera && camera->isVisible());
        QImage blank(300, 300, QImage::Format_RGB32);
        blank.fill(Qt::white);
        camera->FrameArrived(blank);
        QCOMPARE(window.CodeEdit()->text(), QString());
        camera->FrameArrived(Frame(shortCode));
        QCOMPARE(window.CodeEdit()->text(), shortCode);
        QCOMPARE(window.ResultLabel()->text(), QStringLiteral("valid"));
        camera->FrameArrived(Frame(longCode.text));
        QCOMPARE(window.CodeEdit()->text(), longCode.text);
        QVERIFY2(window.ResultLabel()->text().startsWith("valid (the 40 conference lines"),
                 qPrintable(window.ResultLabel()->text()));
        camera->close();
    }
};

QTEST_MAIN(tst_verifytranscript)
#include "tst_verifytranscript.moc"
