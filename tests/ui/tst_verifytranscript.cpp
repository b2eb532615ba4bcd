// "Verify a transcript": a scanned (typed, ending with Enter) or pasted code is checked against
// the data folder's public key or another chosen one, and the record shows as a table.

#include "seal/TSealCode.h"
#include "seal/TSealKey.h"
#include "support/TTestPrompts.h"
#include "ui/TfrmVerifyTranscript.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

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
};

QTEST_MAIN(tst_verifytranscript)
#include "tst_verifytranscript.moc"
