#include "data/TConfFilter.h"
#include "documents/TCsvOutput.h"
#include "documents/TCtrlToRTF.h"
#include "TDataFixture.h"
#include "documents/TDocuments.h"
#include "db/TError.h"
#include "documents/TProgress.h"
#include "support/TTestReportWindows.h"
#include "data/TTimeFilter.h"
#include "support/TUnprivileged.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

namespace
{

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// An RFC 4180 reader: quoted fields may hold separators, doubled quotes and line breaks.
QList<QStringList> ParseCsv(const QString& text, QChar separator)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            row << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows << (row << field);
    return rows;
}

// The file as a spreadsheet reads it; the byte-order mark must be there.
QList<QStringList> ReadCsv(const QString& path)
{
    const QByteArray bytes = ReadAll(path);
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        qWarning("%s has no byte-order mark", qPrintable(path));
    return ParseCsv(QString::fromUtf8(bytes.mid(3)), u',');
}

// Answers the progress of a long run: cancels at the given report, or never.
class TScriptedProgress : public TProgress
{
public:
    int cancelAtReport = -1;
    int begun = 0, reports = 0, ended = 0, total = 0;
    void Begin(const QString&, int steps) override
    {
        ++begun;
        total = steps;
    }
    bool Step(int) override { return ++reports != cancelAtReport; }
    void End() override { ++ended; }
};

const QByteArray kRtfHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl}{\\colortbl"
    "\\red0\\green0\\blue0;\\red128\\green0\\blue0;\\red0\\green128\\blue0;"
    "\\red128\\green128\\blue0;\\red0\\green0\\blue128;\\red128\\green0\\blue128;"
    "\\red0\\green128\\blue128;\\red128\\green128\\blue128;\\red192\\green192\\blue192;"
    "\\red255\\green0\\blue0;\\red0\\green255\\blue0;\\red255\\green255\\blue0;"
    "\\red0\\green0\\blue255;\\red255\\green0\\blue255;\\red0\\green255\\blue255;"
    "\\red255\\green255\\blue255;}";

TRtfFont Font(int size, const QString& styles, QColor color = QColor(0, 0, 0),
              const QString& name = QStringLiteral("Century Schoolbook"))
{
    TRtfFont font{name, size};
    font.bold = styles.contains(u'b');
    font.italic = styles.contains(u'i');
    font.underline = styles.contains(u'u');
    font.strikeOut = styles.contains(u's');
    font.color = color;
    return font;
}

// The paragraphs of a calendar file, decoded from code page 1252 (the writer's escapes kept).
QStringList CalendarParagraphs(const QByteArray& document)
{
    QStringList paragraphs;
    QByteArray body = document;
    body.chop(4); // "\r\n}}"
    qsizetype at = body.indexOf("\\par \\pard");
    while (at >= 0) {
        const qsizetype next = body.indexOf("\\par \\pard", at + 1);
        const QByteArray paragraph = body.mid(at, next < 0 ? -1 : next - at);
        // Codes up to the first blank after "\plain", then the text.
        const qsizetype blank = paragraph.indexOf(' ', paragraph.indexOf("\\plain"));
        paragraphs << QString::fromLatin1(paragraph.mid(blank + 1));
        at = next;
    }
    return paragraphs;
}

} // namespace

Q_DECLARE_METATYPE(TRtfFont)

class TstExports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void rtfParagraphCodes_data();
    void rtfParagraphCodes();
    void rtfDocumentFrame();

    void csvValues_data();
    void csvValues();
    void csvSeparatorFollowsTheDecimalSeparator();

    void transcriptsListRoundTrips();
    void conferenceParticipantsList();
    void saveDialogAddsTheExtensionAndCancelWritesNothing();
    void writeFailureIsAnErrorAndKeepsTheOldFile_data();
    void writeFailureIsAnErrorAndKeepsTheOldFile();
    void cancelledLongExportWritesNothing();
    void suggestedFileNames_data();
    void suggestedFileNames();
    void saveDialogOffersANameAndTheStatusLineSaysWhere();

    void calendarListsConferencesWithTheirSpeakers();
    void calendarOfAnEmptyListHasOnlyTheFrame();
    void calendarFollowsTheListOrderAndReplacesTheFile();
    void calendarFailureAndCancelKeepTheOldFile();

private:
    QString OutFile(const QString& name) const { return m_fx->db.FilePath(name); }
    void LinkSpeakersToCalendar() { m_fx->dm->ConfSpeakers->SetMaster(m_fx->dm->CalendarConfs, QStringLiteral("conf_id")); }
    void ApplyNoFilters();

    std::unique_ptr<TDataModuleFixture> m_fx;
    TTestReportWindows m_windows;
    std::unique_ptr<TDocuments> m_docs;
    TScriptedProgress m_progress;
};

void TstExports::init()
{
    m_fx = std::make_unique<TDataModuleFixture>();
    m_docs = std::make_unique<TDocuments>(*m_fx->dm, m_fx->prompts, m_windows);
    m_progress = TScriptedProgress();
    m_docs->SetProgress(&m_progress);
    ApplyNoFilters();
}

void TstExports::cleanup()
{
    m_docs.reset();
    m_fx.reset();
}

void TstExports::ApplyNoFilters()
{
    TTimeFilter none = TTimeFilter::CurrentYear();
    none.Kind = tkNone;
    const TConfFilter all;
    m_fx->dm->ApplyTranscriptFilter(all, none);
    m_fx->dm->ApplyConferenceFilter(m_fx->dm->CalendarConfs, all, none);
}

// --- RTF writer --------------------------------------------------------------------------

void TstExports::rtfParagraphCodes_data()
{
    QTest::addColumn<TRtfFont>("font");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QStringList>("fontTable");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    const QStringList none;
    QTest::newRow("12 pt bold italic black, left")
        << Font(12, "bi") << 0 << none << "Text" << QByteArray("\\par \\pard\\plain\\f0\\fs24\\b\\i\\cf0 Text");
    QTest::newRow("centred") << Font(12, "bi") << 2 << none << "Text"
                             << QByteArray("\\par \\pard\\qc\\plain\\f0\\fs24\\b\\i\\cf0 Text");
    QTest::newRow("right") << Font(12, "bi") << 1 << none << "Text"
                           << QByteArray("\\par \\pard\\qr\\plain\\f0\\fs24\\b\\i\\cf0 Text");
    QTest::newRow("14 pt bold underline")
        << Font(14, "bu") << 0 << none << "T" << QByteArray("\\par \\pard\\plain\\f0\\fs28\\b\\ul\\cf0 T");
    QTest::newRow("every style, red")
        << Font(10, "bius", QColor(255, 0, 0)) << 0 << none << "T"
        << QByteArray("\\par \\pard\\plain\\f0\\fs20\\b\\i\\ul\\strike\\cf9 T");
    QTest::newRow("colour outside the table writes no code")
        << Font(12, "", QColor(1, 2, 3)) << 0 << none << "T" << QByteArray("\\par \\pard\\plain\\f0\\fs24 T");
    QTest::newRow("empty text keeps every code and the blank")
        << Font(12, "") << 0 << none << "" << QByteArray("\\par \\pard\\plain\\f0\\fs24\\cf0 ");
    QTest::newRow("font found in the second table entry")
        << Font(12, "", QColor(0, 0, 0), "Bee") << 0 << QStringList{"{\\f0 Aye;}", "{\\f1 Bee;}"}
        << "T" << QByteArray("\\par \\pard\\plain\\f1\\fs24\\cf0 T");
    QTest::newRow("code page 1252 letters go byte for byte")
        << Font(12, "") << 0 << none << QString::fromUtf8("Jörg Müller – 5 €")
        << QByteArray("\\par \\pard\\plain\\f0\\fs24\\cf0 J\xF6rg M\xFCller \x96 5 \x80");
    QTest::newRow("backslash and braces are escaped")
        << Font(12, "") << 0 << none << "a\\b {c}"
        << QByteArray("\\par \\pard\\plain\\f0\\fs24\\cf0 a\\\\b \\{c\\}");
    QTest::newRow("line breaks become \\line")
        << Font(12, "") << 0 << none << "one\r\ntwo\nthree\rfour"
        << QByteArray("\\par \\pard\\plain\\f0\\fs24\\cf0 one\\line two\\line three\\line four");
    QTest::newRow("letters outside code page 1252 as \\uN?")
        << Font(12, "") << 0 << none << QString::fromUtf8("Дом 日")
        << QByteArray("\\par \\pard\\plain\\f0\\fs24\\cf0 \\u1044?\\u1086?\\u1084? \\u26085?");
    QTest::newRow("characters past 16 bits as two negative halves")
        << Font(12, "") << 0 << none << QString::fromUtf8("\xF0\x9F\x98\x80")
        << QByteArray("\\par \\pard\\plain\\f0\\fs24\\cf0 \\u-10179?\\u-8704?");
}

void TstExports::rtfParagraphCodes()
{
    QFETCH(TRtfFont, font);
    QFETCH(int, alignment);
    QFETCH(QStringList, fontTable);
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    TCtrlToRTF rtf;
    rtf.FontTable = fontTable;
    rtf.BeginDocument();
    const qsizetype header = rtf.Buffer().size();
    rtf.AddParagraph(text, font, TCtrlToRTF::TAlignment(alignment));
    QCOMPARE(rtf.Buffer().mid(header), expected);
}

void TstExports::rtfDocumentFrame()
{
    // The font table's entries go in unchanged; the document closes with CR LF and two braces.
    TCtrlToRTF rtf;
    rtf.FontTable = {QStringLiteral("{\\f0 Aye;}")};
    rtf.BeginDocument();
    rtf.AddParagraph(QStringLiteral("x"), Font(12, ""));
    const QString path = OutFile(QStringLiteral("frame.rtf"));
    rtf.SaveToFile(path);
    QByteArray expected = kRtfHeader;
    expected.replace("{\\fonttbl}", "{\\fonttbl{\\f0 Aye;}}");
    QCOMPARE(ReadAll(path), expected + "\\par \\pard\\plain\\f0\\fs24\\cf0 x\r\n}}");
}

// --- CSV writer --------------------------------------------------------------------------

void TstExports::csvValues_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("captions") << QStringList{"Last name", "First name", "Units"} << ","
                              << QByteArray("Last name,First name,Units,\r\n");
    QTest::newRow("empty values keep their separators") << QStringList{"", ""} << ","
                                                        << QByteArray(",,\r\n");
    QTest::newRow("separator inside a value is quoted")
        << QStringList{"Smith, Jr.", "Anna"} << "," << QByteArray("\"Smith, Jr.\",Anna,\r\n");
    QTest::newRow("a comma is plain text under ;") << QStringList{"Smith, Jr.", "1,5"} << ";"
                                                   << QByteArray("Smith, Jr.;1,5;\r\n");
    QTest::newRow("quotes are doubled") << QStringList{"O\"Hara", "x"} << ","
                                        << QByteArray("\"O\"\"Hara\",x,\r\n");
    QTest::newRow("line breaks are quoted") << QStringList{"two\r\nlines", "cr\rlf\n"} << ","
                                            << QByteArray("\"two\r\nlines\",\"cr\rlf\n\",\r\n");
    QTest::newRow("UTF-8") << QStringList{QString::fromUtf8("Жуков"), "Ёж"} << ","
                           << QByteArray("\xD0\x96\xD1\x83\xD0\xBA\xD0\xBE\xD0\xB2,\xD0\x81\xD0\xB6,\r\n");
}

void TstExports::csvValues()
{
    QFETCH(QStringList, values);
    QFETCH(QString, separator);
    QFETCH(QByteArray, line);
    TCsvOutput csv(separator);
    csv.Clear();
    csv.BeginLine();
    for (const QString& value : values)
        csv.AddValue(value);
    csv.EndLine();
    QCOMPARE(csv.FileBytes(), QByteArray("\xEF\xBB\xBF") + line);
}

void TstExports::csvSeparatorFollowsTheDecimalSeparator()
{
    QCOMPARE(TCsvOutput::DefaultSeparator(QLocale(QLocale::English, QLocale::UnitedStates)),
             QStringLiteral(","));
    QCOMPARE(TCsvOutput::DefaultSeparator(QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral(";"));
}

void TstExports::transcriptsListRoundTrips()
{
    TConnection& conn = m_fx->db.Conn();
    conn.Execute(QString::fromUtf8(
        "insert into participants (user_id, last_name, first_name) values "
        "(20, 'Doe, Jr.', 'Sam \"Junior\"'), (21, 'Line', 'Two\nLines'), "
        "(22, 'Жуков', 'Ёж'), (23, NULL, NULL)"));
    conn.Execute(QStringLiteral("insert into attendances (conf_id, user_id) values (1, 20), "
                                "(2, 20), (3, 21), (9, 22), (1, 23), (2, 23), (3, 23)"));
    ApplyNoFilters();
    TDataSet* list = m_fx->dm->Transcripts;
    list->SetSort(QStringLiteral("user_id ASC"));
    list->SetRecNo(2);

    const QString path = OutFile(QStringLiteral("transcripts.csv"));
    m_fx->prompts.QueueFileName(path);
    QVERIFY(m_docs->ExportTranscripts());
    QVERIFY(m_fx->prompts.shown.isEmpty());

    const QList<QStringList> rows = ReadCsv(path);
    QCOMPARE(rows.value(0), (QStringList{"Last name", "First name", "Units", ""}));
    QCOMPARE(rows.size(), list->RecordCount() + 1);
    for (const QStringList& row : rows)
        QCOMPARE(row.size(), 4);
    QCOMPARE(rows.value(1), (QStringList{"Smith", "Anna", "3.5", ""}));   // 1.5 + 2
    QCOMPARE(rows.value(2), (QStringList{QString::fromUtf8("Müller"), QString::fromUtf8("Jörg"), "2.25", ""}));
    QCOMPARE(rows.value(7), (QStringList{"Doe, Jr.", "Sam \"Junior\"", "3.5", ""}));
    QCOMPARE(rows.value(8), (QStringList{"Line", "Two\nLines", "0.75", ""}));
    QCOMPARE(rows.value(9), (QStringList{QString::fromUtf8("Жуков"), QString::fromUtf8("Ёж"), "0.5", ""}));
    // Three conferences of 1.5, 2 and 0.75 add up without binary noise.
    QCOMPARE(rows.value(10), (QStringList{"", "", "4.25", ""}));

    // The walk leaves the cursor on the last row, and the grid hears of it again.
    QCOMPARE(list->RecNo(), list->RecordCount() - 1);
    QVERIFY(!list->ControlsDisabled());
}

void TstExports::conferenceParticipantsList()
{
    TDM& dm = *m_fx->dm;
    m_fx->db.Exec("update attendances set sign_in_date = '2005-03-07 00:00:00' where user_id = 6");
    m_fx->db.Exec("update attendances set sign_in_date = NULL where user_id = 3");
    m_fx->db.Exec("update participants set title_id = 99 where user_id = 2");
    dm.ConfParts->Requery();
    QVERIFY(dm.Conferences->Locate(QStringLiteral("conf_id"), 1));
    const QString path = OutFile(QStringLiteral("parts.csv"));
    m_fx->prompts.QueueFileName(path);
    QVERIFY(m_docs->ExportConferenceParticipants());

    const QString line(26, u'_');
    const QList<QStringList> rows = ReadCsv(path);
    QCOMPARE(rows, (QList<QStringList>{
                       {"Last name", "First name", "Title", "Specialty", "Sign-in date",
                        "Signature", ""},
                       {" Smith", "Zed", "", "", "3/7/05", line, ""},
                       {QString::fromUtf8("Müller"), QString::fromUtf8("Jörg"), "", "Oncology",
                        "3/7/05 8:01:00 AM", line, ""},
                       {"O'Brien", "Liam", "", "Cardiology", "", line, ""},
                       {"Smith", "Anna", "MD", "Cardiology", "3/7/05 8:00:00 AM", line, ""}}));

    // A conference nobody attended gives the caption line alone.
    QVERIFY(dm.Conferences->Locate(QStringLiteral("conf_id"), 6));
    m_fx->prompts.QueueFileName(path);
    QVERIFY(m_docs->ExportConferenceParticipants());
    QCOMPARE(ReadAll(path), QByteArray("\xEF\xBB\xBFLast name,First name,Title,Specialty,"
                                       "Sign-in date,Signature,\r\n"));
    QVERIFY(!dm.ConfParts->ControlsDisabled());
}

void TstExports::saveDialogAddsTheExtensionAndCancelWritesNothing()
{
    const QString old = OutFile(QStringLiteral("list.csv"));
    WriteAll(old, "old");

    // Cancelled dialog: nothing written, nothing said.
    QVERIFY(!m_docs->ExportTranscripts());
    QVERIFY(m_fx->prompts.shown.isEmpty());
    QCOMPARE(ReadAll(old), QByteArray("old"));

    // A name without extension gains ".csv"; that it meets another file is asked first.
    m_fx->prompts.QueueFileName(OutFile(QStringLiteral("list")));
    m_fx->prompts.QueueAnswer(false);
    QVERIFY(!m_docs->ExportTranscripts());
    QCOMPARE(m_fx->prompts.shown.size(), 1);
    QVERIFY(m_fx->prompts.LastText().contains(QStringLiteral("list.csv already exists")));
    QCOMPARE(ReadAll(old), QByteArray("old"));
    QVERIFY(!QFile::exists(OutFile(QStringLiteral("list"))));

    m_fx->prompts.QueueFileName(OutFile(QStringLiteral("list")));
    m_fx->prompts.QueueAnswer(true);
    QVERIFY(m_docs->ExportTranscripts());
    QVERIFY(ReadAll(old).startsWith("\xEF\xBB\xBFLast name,"));

    // A name with another extension keeps it.
    m_fx->prompts.QueueFileName(OutFile(QStringLiteral("list.txt")));
    QVERIFY(m_docs->ExportTranscripts());
    QVERIFY(QFile::exists(OutFile(QStringLiteral("list.txt"))));
}

void TstExports::writeFailureIsAnErrorAndKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("folder missing") << false;
    QTest::newRow("folder read-only, file there") << true;
}

void TstExports::writeFailureIsAnErrorAndKeepsTheOldFile()
{
    QFETCH(bool, readOnlyFolder);
    const QString folder = OutFile(QStringLiteral("out"));
    const QString path = folder + QStringLiteral("/list.csv");
    if (readOnlyFolder) {
        QVERIFY(QDir().mkpath(folder));
        WriteAll(path, "old");
        QVERIFY(chmod(QFile::encodeName(path).constData(), 0666) == 0);
        const QString why = TUnprivileged::GiveAway(m_fx->db.Dir());
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    }
    QString message;
    {
        std::unique_ptr<TUnprivileged> user;
        if (readOnlyFolder) {
            user = std::make_unique<TUnprivileged>();
            if (!user->Failure().isEmpty())
                QSKIP(qPrintable(user->Failure()));
        }
        m_fx->prompts.QueueFileName(path);
        try {
            m_docs->ExportTranscripts();
        } catch (const TError& e) {
            message = e.Message();
        }
    }
    QVERIFY2(message.startsWith(QStringLiteral("Cannot create file \"%1\": ").arg(path)),
             qPrintable(message));
    QVERIFY(!m_fx->dm->Transcripts->ControlsDisabled());
    if (readOnlyFolder) {
        QCOMPARE(ReadAll(path), QByteArray("old"));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"list.csv"});
    }
}

void TstExports::cancelledLongExportWritesNothing()
{
    // Over the threshold the run reports its progress; a cancel stops it before the dialog.
    m_fx->db.Exec(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
        "insert into participants (user_id, last_name, first_name) select 1000 + i, 'P' || i, "
        "'F' from n").arg(TProgress::Threshold));
    m_fx->db.Exec("insert into attendances (conf_id, user_id) select 1, user_id from "
                  "participants where user_id > 1000");
    ApplyNoFilters();
    QVERIFY(m_fx->dm->Transcripts->RecordCount() > TProgress::Threshold);

    const QString path = OutFile(QStringLiteral("list.csv"));
    WriteAll(path, "old");
    m_fx->prompts.QueueFileName(path);
    m_progress.cancelAtReport = 3;
    QVERIFY(!m_docs->ExportTranscripts());
    QCOMPARE(m_progress.begun, 1);
    QCOMPARE(m_progress.ended, 1);
    QCOMPARE(m_progress.total, m_fx->dm->Transcripts->RecordCount());
    QCOMPARE(ReadAll(path), QByteArray("old"));
    QVERIFY(!m_fx->dm->Transcripts->ControlsDisabled());

    // Not cancelled, the same run writes every row.
    m_progress = TScriptedProgress();
    QVERIFY(m_docs->ExportTranscripts());
    QCOMPARE(ReadCsv(path).size(), m_fx->dm->Transcripts->RecordCount() + 1);
    QVERIFY(m_progress.reports >= TProgress::Threshold / 100);
}

// --- Calendar ----------------------------------------------------------------------------

void TstExports::calendarListsConferencesWithTheirSpeakers()
{
    // Speakers with title and place, place only, and neither; a conference on March 5.
    m_fx->db.Exec("insert into speakers (speak_id, last_name, first_name, place, title_id) values "
                  "(5, 'Smith', 'John', NULL, NULL), (6, 'Бонд', 'Ян {x}', '', 2)");
    m_fx->db.Exec("insert into conferences (conf_id, conf_name, begin_date, end_date, units) "
                  "values (10, 'March \\ Fifth', '2005-03-05 09:00:00', '2005-03-05 10:00:00', 1)");
    m_fx->db.Exec("insert into conf_speakers (conf_id, speak_id) values (4, 4), (4, 5), (10, 6)");
    m_fx->dm->Speakers->Requery();
    ApplyNoFilters();
    LinkSpeakersToCalendar();
    QVERIFY(m_docs->GenerateCalendar());

    const QByteArray document = ReadAll(OutFile(QStringLiteral("calendar.rtf")));
    QVERIFY(document.startsWith(kRtfHeader));
    QVERIFY(document.endsWith("\r\n}}"));
    // The four fonts' codes.
    QVERIFY(document.contains("\\par \\pard\\plain\\f0\\fs24\\b\\i\\cf0 May 5, 2005"
                              "\\par \\pard\\plain\\f0\\fs28\\b\\ul\\cf0 \xC4rztetag \xDC" "berblick"
                              "\\par \\pard\\plain\\f0\\fs24\\b\\cf0 Speaker(s): "
                              "\\par \\pard\\plain\\f0\\fs28\\b\\ul\\cf0 \\par"));
    QVERIFY(document.contains("\\par \\pard\\plain\\f0\\fs24\\cf0     Jane Doe, MD, Boston"));

    const QStringList paragraphs = CalendarParagraphs(document);
    const QStringList expected = {
        "May 5, 2005", QString::fromLatin1("\xC4rztetag \xDC" "berblick"), "Speaker(s): ", "",
        "April 1, 2005", "Oncology Day", "Speaker(s): ", "    Liam O'Brien, RN, Cork", "",
        "March 31, 2005", "Range End", "Speaker(s): ", "",
        "March 7, 2005", "Cardiology Update", "Speaker(s): ", "    Jane Doe, MD, Boston", "",
        "March 5, 2005", "March \\\\ Fifth", "Speaker(s): ",
        "    \\u1071?\\u1085? \\{x\\} \\u1041?\\u1086?\\u1085?\\u1076?, RN", "",
        "February 2, 2005", "O'Brien Lecture", "Speaker(s): ", "    Liam O'Brien, RN, Cork", "",
        "January 1, 2005", "Range Start", "Speaker(s): ", "",
        "September 9, 2004", "Quiz x' or '1'='1 night", "Speaker(s): ", "",
        "June 1, 2004", "Card Games", "Speaker(s): ", "    Jane Doe, MD, Boston",
        QString::fromLatin1("    J\xF6rg M\xFCller, MD, Bern"), "",
        "May 5, 2003", "Pediatric Care", "Speaker(s): ", "    JANE DOE, Austin",
        "    John Smith", ""};
    QCOMPARE(paragraphs, expected);
    // The walk ends on the list's last row, and its read transaction is closed.
    QCOMPARE(m_fx->dm->CalendarConfs->RecNo(), m_fx->dm->CalendarConfs->RecordCount() - 1);
    QVERIFY(sqlite3_get_autocommit(m_fx->dm->Conn->Handle()));
}

void TstExports::calendarOfAnEmptyListHasOnlyTheFrame()
{
    TTimeFilter noYear = TTimeFilter::CurrentYear();
    noYear.Kind = tkYears;
    noYear.Years.clear();
    m_fx->dm->ApplyConferenceFilter(m_fx->dm->CalendarConfs, TConfFilter(), noYear);
    QVERIFY(m_fx->dm->CalendarConfs->IsEmpty());
    LinkSpeakersToCalendar();
    QVERIFY(m_docs->GenerateCalendar());
    QCOMPARE(ReadAll(OutFile(QStringLiteral("calendar.rtf"))), kRtfHeader + "\r\n}}");
}

void TstExports::calendarFollowsTheListOrderAndReplacesTheFile()
{
    const QString path = OutFile(QStringLiteral("calendar.rtf"));
    WriteAll(path, QByteArray(100000, 'x'));
    m_fx->dm->CalendarConfs->SetSort(QStringLiteral("conf_name ASC"));
    LinkSpeakersToCalendar();
    QVERIFY(m_docs->GenerateCalendar());
    QStringList titles;
    const QStringList paragraphs = CalendarParagraphs(ReadAll(path));
    for (int i = 0; i + 1 < paragraphs.size(); ++i)
        if (paragraphs.at(i) == QLatin1String("Speaker(s): "))
            titles << paragraphs.at(i - 1);
    QCOMPARE(titles, (QStringList{QString::fromLatin1("\xC4rztetag \xDC" "berblick"), "Card Games", "Cardiology Update", "O'Brien Lecture",
                                  "Oncology Day", "Pediatric Care", "Quiz x' or '1'='1 night",
                                  "Range End", "Range Start"}));
    QVERIFY(!ReadAll(path).contains("xxxxx"));
}

void TstExports::calendarFailureAndCancelKeepTheOldFile()
{
    // calendar.rtf cannot be replaced by a file: the file system's error, named.
    const QString path = OutFile(QStringLiteral("calendar.rtf"));
    QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    LinkSpeakersToCalendar();
    try {
        m_docs->GenerateCalendar();
        QFAIL("no error");
    } catch (const TError& e) {
        QVERIFY2(e.Message().contains(path), qPrintable(e.Message()));
    }
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(sqlite3_get_autocommit(m_fx->dm->Conn->Handle()));
    QVERIFY(QDir().rmpath(path + QStringLiteral("/inside")));

    // A long run cancelled from its progress leaves the old file as it was.
    m_fx->db.Exec(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
        "insert into conferences (conf_name, begin_date, end_date, units) select 'C' || i, "
        "'2005-06-01 09:00:00', '2005-06-01 10:00:00', 1 from n").arg(TProgress::Threshold));
    ApplyNoFilters();
    WriteAll(path, "old");
    m_progress.cancelAtReport = 2;
    QVERIFY(!m_docs->GenerateCalendar());
    QCOMPARE(m_progress.begun, 1);
    QCOMPARE(m_progress.ended, 1);
    QCOMPARE(ReadAll(path), QByteArray("old"));
    QVERIFY(sqlite3_get_autocommit(m_fx->dm->Conn->Handle()));
}

void TstExports::suggestedFileNames_data()
{
    QTest::addColumn<QString>("conference"); // empty: the transcripts list
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("years");
    QTest::addColumn<QString>("expected");
    QTest::newRow("transcripts of a year")
        << QString() << int(tkYears) << QStringList{"2026"} << "transcripts 2026.csv";
    QTest::newRow("transcripts of years in a row")
        << QString() << int(tkYears) << QStringList{"2026", "2024", "2025"}
        << "transcripts 2024-2026.csv";
    QTest::newRow("transcripts of years apart")
        << QString() << int(tkYears) << QStringList{"2026", "2022"} << "transcripts 2022, 2026.csv";
    QTest::newRow("transcripts of a date range")
        << QString() << int(tkDateRange) << QStringList() << "transcripts 2025-09-01 to 2026-06-30.csv";
    QTest::newRow("transcripts of all dates")
        << QString() << int(tkNone) << QStringList() << "transcripts.csv";
    QTest::newRow("participants of a conference")
        << "Heart Day" << 0 << QStringList() << "participants – Heart Day.csv";
    QTest::newRow("a title unfit for a file name")
        << "../Q&A: 1/2 \"live\" <b>|\t*? ..." << 0 << QStringList()
        << "participants – _Q&A_ 1_2 _live_ _b_____.csv";
    QTest::newRow("no conference") << "" << 0 << QStringList() << "participants.csv";
}

void TstExports::suggestedFileNames()
{
    QFETCH(QString, conference);
    QFETCH(int, kind);
    QFETCH(QStringList, years);
    QFETCH(QString, expected);
    if (QTest::currentDataTag() == QLatin1String("no conference") || !conference.isEmpty()) {
        QCOMPARE(TDocuments::ConferenceParticipantsFileName(conference), expected);
        return;
    }
    TTimeFilter filter(QStringLiteral("2026"));
    filter.Kind = TTimeKind(kind);
    filter.Years = years;
    filter.BeginDate = QDate(2025, 9, 1);
    filter.EndDate = QDate(2026, 6, 30);
    QCOMPARE(TDocuments::TranscriptsFileName(filter), expected);
}

void TstExports::saveDialogOffersANameAndTheStatusLineSaysWhere()
{
    QStringList status;
    m_docs->SetStatusLine([&status](const QString& text) { status << text; });
    ApplyNoFilters();
    const QString folder = m_fx->dm->WorkingDirectory();

    // Cancelled: the name was offered in the data folder, nothing is said.
    QVERIFY(!m_docs->ExportTranscripts(TTimeFilter(QStringLiteral("2005"))));
    QCOMPARE(m_fx->prompts.offeredFileNames.value(0),
             QDir(folder).filePath(QStringLiteral("transcripts 2005.csv")));
    QVERIFY(status.isEmpty());

    const QString path = OutFile(QStringLiteral("parts.csv"));
    QVERIFY(m_fx->dm->Conferences->Locate(QStringLiteral("conf_id"), 2));
    m_fx->prompts.QueueFileName(path);
    QVERIFY(m_docs->ExportConferenceParticipants());
    QCOMPARE(m_fx->prompts.offeredFileNames.value(1),
             QDir(folder).filePath(QStringLiteral("participants – Oncology Day.csv")));
    QCOMPARE(status, QStringList{"The list was saved as " + QDir::toNativeSeparators(path)});
    QVERIFY(m_fx->prompts.shown.isEmpty());
}

QTEST_GUILESS_MAIN(TstExports)
#include "tst_exports.moc"
