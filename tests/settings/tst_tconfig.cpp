#include "settings/TConfig.h"
#include "support/TUnprivileged.h"
#include "db/TError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

class TstTConfig : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    QByteArray FileBytes() const
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
    void WriteFile(const QByteArray& bytes) const
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = QDir(m_dir.path()).filePath(QStringLiteral("quorvel.ini"));
        QFile::remove(m_path);
    }

    void missingFileIsEmptyAndCreatedByFlush()
    {
        TConfig config(m_path);
        QCOMPARE(config.ReadString(QStringLiteral("Mail"), QStringLiteral("From")), QString());
        QCOMPARE(config.ReadList(QStringLiteral("Body")), QStringList());
        QVERIFY(!config.SectionExists(QStringLiteral("Mail")));
        QVERIFY(!QFile::exists(m_path));
        config.Flush();
        QVERIFY(QFile::exists(m_path));
        QCOMPARE(FileBytes(), QByteArray());
    }

    void writtenFormIsSectionsWithCrLfAndEmptyLine()
    {
        {
            TConfig config(m_path);
            config.WriteString(QStringLiteral("Mail"), QStringLiteral("HandlerType"),
                               QStringLiteral("1"));
            config.WriteString(QStringLiteral("SMTP"), QStringLiteral("Host"),
                               QStringLiteral("localhost"));
            config.WriteString(QStringLiteral("Mail"), QStringLiteral("From"),
                               QStringLiteral("office@example.org"));
            config.WriteInteger(QStringLiteral("SMTP"), QStringLiteral("Port"), 25);
            config.WriteString(QStringLiteral("SMTP"), QStringLiteral("UserName"), QString());
            // Nothing reaches the disk before a flush.
            QVERIFY(!QFile::exists(m_path));
        }
        // The destructor flushed.
        QCOMPARE(FileBytes(),
                 QByteArray("[Mail]\r\nHandlerType=1\r\nFrom=office@example.org\r\n\r\n"
                            "[SMTP]\r\nHost=localhost\r\nPort=25\r\nUserName=\r\n\r\n"));

        TConfig again(m_path);
        QCOMPARE(again.ReadString(QStringLiteral("Mail"), QStringLiteral("From")),
                 QStringLiteral("office@example.org"));
        QCOMPARE(again.ReadInteger(QStringLiteral("SMTP"), QStringLiteral("Port"), 0), 25);
        // An empty value survives as an empty text, and its key is still there.
        QCOMPARE(again.ReadString(QStringLiteral("SMTP"), QStringLiteral("UserName")), QString());
        QCOMPARE(again.ReadList(QStringLiteral("SMTP")).size(), 3);
    }

    void namesCompareWithoutCase()
    {
        TConfig config(m_path);
        config.WriteString(QStringLiteral("Mail"), QStringLiteral("Subject"), QStringLiteral("a"));
        config.WriteString(QStringLiteral("Mail"), QStringLiteral("From"), QStringLiteral("b"));
        config.WriteString(QStringLiteral("MAIL"), QStringLiteral("subject"), QStringLiteral("c"));
        QCOMPARE(config.ReadString(QStringLiteral("mail"), QStringLiteral("SUBJECT")),
                 QStringLiteral("c"));
        QVERIFY(config.SectionExists(QStringLiteral("mAiL")));
        config.Flush();
        // Replaced in place, one section, the name as first written.
        QCOMPARE(FileBytes(), QByteArray("[Mail]\r\nSubject=c\r\nFrom=b\r\n\r\n"));
    }

    void newSectionsAndKeysAreAppended()
    {
        WriteFile("[A]\r\nk1=1\r\n\r\n[B]\r\nk1=2\r\n\r\n");
        TConfig config(m_path);
        config.WriteString(QStringLiteral("A"), QStringLiteral("k2"), QStringLiteral("3"));
        config.WriteString(QStringLiteral("C"), QStringLiteral("k1"), QStringLiteral("4"));
        config.WriteString(QStringLiteral("A"), QStringLiteral("k1"), QStringLiteral("5"));
        config.Flush();
        QCOMPARE(FileBytes(), QByteArray("[A]\r\nk1=5\r\nk2=3\r\n\r\n[B]\r\nk1=2\r\n\r\n"
                                         "[C]\r\nk1=4\r\n\r\n"));
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        QTest::newRow("crlf") << QByteArray("[Mail]\r\nFrom=x@y\r\n") << "Mail"
                              << "From"
                              << "x@y";
        QTest::newRow("lf") << QByteArray("[Mail]\nFrom=x@y\n") << "Mail"
                            << "From"
                            << "x@y";
        QTest::newRow("cr only") << QByteArray("[Mail]\rFrom=x@y\r") << "Mail"
                                 << "From"
                                 << "x@y";
        QTest::newRow("blanks around key and value")
            << QByteArray("[Mail]\r\n   From  =   x@y   \r\n") << "Mail"
            << "From"
            << "x@y";
        QTest::newRow("tabs and control characters")
            << QByteArray("\t[Mail]\x01\r\n\tFrom\t=\tx@y\x7f\r\n") << "Mail"
            << "From"
            << "x@y";
        QTest::newRow("split at first equals sign")
            << QByteArray("[SMTP]\r\nPassword=a=b==c\r\n") << "SMTP"
            << "Password"
            << "a=b==c";
        QTest::newRow("empty value") << QByteArray("[SMTP]\r\nHost=\r\n") << "SMTP"
                                     << "Host"
                                     << "";
        QTest::newRow("blank section name stripped")
            << QByteArray("[  Mail  ]\r\nFrom=x\r\n") << "Mail"
            << "From"
            << "x";
        QTest::newRow("comment skipped")
            << QByteArray("[Mail]\r\n;From=old\r\n  ;From=older\r\nFrom=new\r\n") << "Mail"
            << "From"
            << "new";
        QTest::newRow("lines before first section dropped")
            << QByteArray("From=stray\r\n[Mail]\r\nSubject=s\r\n") << "Mail"
            << "From"
            << "";
        QTest::newRow("line without equals sign dropped")
            << QByteArray("[Mail]\r\nFrom\r\n") << "Mail"
            << "From"
            << "";
        QTest::newRow("utf-8") << QByteArray("[Header]\r\nHeader0=M\xc3\xbcller \xc3\x98stberg\r\n")
                               << "Header"
                               << "Header0" << QStringLiteral("Müller Østberg");
        QTest::newRow("utf-8 with byte order mark")
            << QByteArray("\xef\xbb\xbf[Mail]\r\nFrom=x\r\n") << "Mail"
            << "From"
            << "x";
        QTest::newRow("8-bit file from another editor")
            << QByteArray("[Header]\r\nHeader0=M\xfcller\r\n") << "Header"
            << "Header0" << QStringLiteral("Müller");
        QTest::newRow("repeated section continues the first")
            << QByteArray("[Mail]\r\nFrom=a\r\n[SMTP]\r\nHost=h\r\n[mail]\r\nSubject=s\r\n")
            << "Mail"
            << "Subject"
            << "s";
    }

    void readingRules()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        WriteFile(content);
        TConfig config(m_path);
        QCOMPARE(config.ReadString(section, key), expected);
    }

    void handWrittenFileIsUpdatedInPlace_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray file("; written by hand\r\nstray=1\r\n\r\n[Mail]\r\n; the sender\r\n"
                              "From = x\r\nSubject=Transcript\r\n\r\n[Local]\r\nMine=yes\r\n");
        QTest::newRow("unchanged: not written") << file << file;
        QTest::newRow("one value changed")
            << file << QByteArray(file).replace("From = x", "From=y");
        QTest::newRow("LF line ends stay")
            << QByteArray(file).replace("\r\n", "\n")
            << QByteArray(file).replace("From = x", "From=y").replace("\r\n", "\n");
    }

    void handWrittenFileIsUpdatedInPlace()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        WriteFile(before);
        {
            TConfig config(m_path);
            QCOMPARE(config.ReadString(QStringLiteral("Mail"), QStringLiteral("From")),
                     QStringLiteral("x"));
            QCOMPARE(config.ReadString(QStringLiteral("Local"), QStringLiteral("Mine")),
                     QStringLiteral("yes"));
            config.WriteString(QStringLiteral("Mail"), QStringLiteral("Subject"),
                               QStringLiteral("Transcript"));
            if (before != after)
                config.WriteString(QStringLiteral("Mail"), QStringLiteral("From"),
                                   QStringLiteral("y"));
        }
        QCOMPARE(FileBytes(), after);
    }

    void newKeysFollowTheirSection()
    {
        WriteFile("[Mail]\r\nFrom=x\r\n; end of mail\r\n\r\n[SMTP]\r\nHost=h\r\n");
        TConfig config(m_path);
        config.WriteString(QStringLiteral("Mail"), QStringLiteral("Subject"), QStringLiteral("s"));
        config.WriteString(QStringLiteral("SMTP"), QStringLiteral("Port"), QStringLiteral("25"));
        config.Flush();
        QCOMPARE(FileBytes(), QByteArray("[Mail]\r\nFrom=x\r\nSubject=s\r\n; end of mail\r\n\r\n"
                                         "[SMTP]\r\nHost=h\r\nPort=25\r\n"));
    }

    void unparsableFileIsNeverOverwritten()
    {
        const QByteArray garbage("[Mail]\r\nFrom=x\r\nthis is no setting\r\n[SMTP]\r\nHost=h\r\n");
        WriteFile(garbage);
        {
            TConfig config(m_path);
            QVERIFY2(config.ParseProblem().contains(m_path), qPrintable(config.ParseProblem()));
            QVERIFY2(config.ParseProblem().contains(QStringLiteral("line 3")),
                     qPrintable(config.ParseProblem()));
            // The program runs on its defaults.
            QCOMPARE(config.ReadString(QStringLiteral("Mail"), QStringLiteral("From")), QString());
            config.WriteString(QStringLiteral("Mail"), QStringLiteral("From"), QStringLiteral("y"));
            config.Flush();
        }
        QCOMPARE(FileBytes(), garbage);
    }

    void passwordMakesTheFileOwnerOnly()
    {
        WriteFile("[SMTP]\r\nHost=h\r\n");
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
        TConfig config(m_path);
        config.WriteString(QStringLiteral("SMTP"), QStringLiteral("Password"), QStringLiteral("pw"));
        config.Flush();
        struct stat info {};
        QVERIFY(stat(QFile::encodeName(m_path).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
    }

    void readOnlyFolderIsWrittenInPlace()
    {
        WriteFile("[Mail]\r\nFrom=old\r\n");
        const QString why = TUnprivileged::GiveAway(m_dir.path());
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser |
                                                QFile::ExeUser);
        auto restore = qScopeGuard([this] {
            QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ExeOwner);
        });
        TUnprivileged user;
        if (!user.Failure().isEmpty())
            QSKIP(qPrintable(user.Failure()));
        TConfig config(m_path);
        config.WriteString(QStringLiteral("Mail"), QStringLiteral("From"), QStringLiteral("new"));
        config.Flush();
        QCOMPARE(FileBytes(), QByteArray("[Mail]\r\nFrom=new\r\n"));
    }

    void readInteger_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("expected");
        QTest::newRow("number") << QByteArray("ConfNameWidth=120") << 120;
        QTest::newRow("negative") << QByteArray("ConfNameWidth=-5") << -5;
        QTest::newRow("not a number") << QByteArray("ConfNameWidth=abc") << 288;
        QTest::newRow("empty") << QByteArray("ConfNameWidth=") << 288;
        QTest::newRow("absent") << QByteArray("OtherWidth=12") << 288;
        QTest::newRow("trailing text") << QByteArray("ConfNameWidth=12px") << 288;
        QTest::newRow("too large") << QByteArray("ConfNameWidth=99999999999") << 288;
    }

    void readInteger()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, expected);
        WriteFile("[Dimensions]\r\n" + line + "\r\n");
        TConfig config(m_path);
        QCOMPARE(
            config.ReadInteger(QStringLiteral("Dimensions"), QStringLiteral("ConfNameWidth"), 288),
            expected);
    }

    void writeListKeepsItsPlaceWithNumberedKeys()
    {
        WriteFile("[Mail]\r\nFrom=x\r\n\r\n[Body]\r\nBody0=old 1\r\nBody1=old 2\r\nBody2=old 3\r\n"
                  "\r\n[SMTP]\r\nHost=h\r\n\r\n");
        TConfig config(m_path);
        config.WriteList(QStringLiteral("Body"), {QStringLiteral("Dear participant,"), QString(),
                                                  QStringLiteral("Regards")});
        config.WriteList(QStringLiteral("Header"), {QStringLiteral("Line")});
        QCOMPARE(config.ReadList(QStringLiteral("body")),
                 (QStringList{QStringLiteral("Dear participant,"), QString(),
                              QStringLiteral("Regards")}));
        config.WriteList(QStringLiteral("Body"), {QStringLiteral("Short")});
        config.Flush();
        QCOMPARE(FileBytes(), QByteArray("[Mail]\r\nFrom=x\r\n\r\n[Body]\r\nBody0=Short\r\n\r\n"
                                         "[SMTP]\r\nHost=h\r\n\r\n"
                                         "[Header]\r\nHeader0=Line\r\n\r\n"));
    }

    void emptyListRemovesSection()
    {
        WriteFile("[Footer]\r\nFooter0=a\r\nFooter1=b\r\n\r\n[Mail]\r\nFrom=x\r\n\r\n");
        {
            TConfig config(m_path);
            config.WriteList(QStringLiteral("Footer"), {});
            QVERIFY(!config.SectionExists(QStringLiteral("Footer")));
            config.Flush();
        }
        QCOMPARE(FileBytes(), QByteArray("[Mail]\r\nFrom=x\r\n\r\n"));
        TConfig again(m_path);
        QCOMPARE(again.ReadList(QStringLiteral("Footer")), QStringList());
    }

    void leadingBlanksLastOnlyForTheRun()
    {
        const QStringList header{QStringLiteral("   Indented line  "), QStringLiteral("\tTabbed")};
        {
            TConfig config(m_path);
            config.WriteList(QStringLiteral("Header"), header);
            QCOMPARE(config.ReadList(QStringLiteral("Header")), header);
        }
        TConfig restarted(m_path);
        QCOMPARE(restarted.ReadList(QStringLiteral("Header")),
                 (QStringList{QStringLiteral("Indented line"), QStringLiteral("Tabbed")}));
    }

    void utf8RoundTrip()
    {
        {
            TConfig config(m_path);
            config.WriteString(QStringLiteral("Mail"), QStringLiteral("From"),
                               QStringLiteral("Jürgen Müller <mueller@example.org>"));
            config.WriteList(QStringLiteral("Footer"), {QStringLiteral("Østberg – Señora")});
        }
        QVERIFY(FileBytes().contains("M\xc3\xbcller"));
        TConfig again(m_path);
        QCOMPARE(again.ReadString(QStringLiteral("Mail"), QStringLiteral("From")),
                 QStringLiteral("Jürgen Müller <mueller@example.org>"));
        QCOMPARE(again.ReadList(QStringLiteral("Footer")),
                 QStringList{QStringLiteral("Østberg – Señora")});
    }

    void lineBreakInValueStaysOneLine()
    {
        {
            TConfig config(m_path);
            config.WriteString(QStringLiteral("Mail"), QStringLiteral("Subject"),
                               QStringLiteral("Your transcript\r\n[SMTP]\nHost=evil"));
        }
        TConfig again(m_path);
        QVERIFY(!again.SectionExists(QStringLiteral("SMTP")));
        QCOMPARE(again.ReadString(QStringLiteral("Mail"), QStringLiteral("Subject")),
                 QStringLiteral("Your transcript  [SMTP] Host=evil"));
    }

    void eraseSectionKeepsOthers()
    {
        TConfig config(m_path);
        config.WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1"));
        config.WriteString(QStringLiteral("B"), QStringLiteral("k"), QStringLiteral("2"));
        config.EraseSection(QStringLiteral("a"));
        config.EraseSection(QStringLiteral("Missing"));
        QVERIFY(!config.SectionExists(QStringLiteral("A")));
        QCOMPARE(config.ReadString(QStringLiteral("B"), QStringLiteral("k")), QStringLiteral("2"));
    }

    void unwritablePathThrowsWithPath()
    {
        // A regular file where the folder should be: nobody, not even root, can create the file.
        const QString blocker = QDir(m_dir.path()).filePath(QStringLiteral("not-a-folder"));
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString path = blocker + QStringLiteral("/quorvel.ini");
        auto config = std::make_unique<TConfig>(path);
        config->WriteString(QStringLiteral("Mail"), QStringLiteral("From"), QStringLiteral("x"));
        try {
            config->Flush();
            QFAIL("Flush succeeded on an unwritable path");
        } catch (const TError& e) {
            QVERIFY2(e.Message().contains(path), qPrintable(e.Message()));
        }
        // The destructor's flush fails the same way but must not throw.
        config.reset();
    }

    void failedWriteKeepsOldFile()
    {
#ifdef Q_OS_UNIX
        const QByteArray old("[Mail]\r\nFrom=old\r\n\r\n");
        WriteFile(old);
        TConfig config(m_path);
        config.WriteList(QStringLiteral("Body"),
                         QStringList(50, QStringLiteral("a long body line")));

        // A file size limit makes the write fail part-way, as a full disk would; it holds even
        // for root, unlike permissions.
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 64;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        bool thrown = false;
        QString message;
        try {
            config.Flush();
        } catch (const TError& e) {
            thrown = true;
            message = e.Message();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(thrown);
        QVERIFY2(message.contains(m_path), qPrintable(message));
        QVERIFY2(!message.contains(QStringLiteral("Unknown error")), qPrintable(message));
        QCOMPARE(FileBytes(), old);
        // No temporary file is left beside it.
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("quorvel*")}, QDir::Files),
                 QStringList{QStringLiteral("quorvel.ini")});
        // Once space is back, the same document is written.
        config.Flush();
        QCOMPARE(TConfig(m_path).ReadList(QStringLiteral("Body")).size(), 50);
#else
        QSKIP("needs a file size limit");
#endif
    }

    void readOnlyFileIsNotReplaced()
    {
#ifdef Q_OS_UNIX
        // Qt judges the file by the real user, so acting as another user does not help here.
        if (geteuid() == 0)
            QSKIP("root may write any file");
#endif
        const QByteArray old("[Mail]\r\nFrom=old\r\n\r\n");
        WriteFile(old);
        QFile::setPermissions(m_path, QFile::ReadOwner);
        TConfig config(m_path);
        config.WriteString(QStringLiteral("Mail"), QStringLiteral("From"), QStringLiteral("new"));
        QVERIFY_THROWS_EXCEPTION(TError, config.Flush());
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(FileBytes(), old);
    }
};

QTEST_GUILESS_MAIN(TstTConfig)
#include "tst_tconfig.moc"
