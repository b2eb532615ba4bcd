#pragma once

#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

// A font as the RTF writer reads it: name, whole points, styles and colour.
struct TRtfFont
{
    QString name;
    int size = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color = QColor(0, 0, 0);
};

// Writes a simple Rich Text Format document into memory: a header with a font table and a
// sixteen-colour table, one paragraph per AddParagraph, and the closing text at SaveToFile.
// Call order: BeginDocument once, AddParagraph any number of times, SaveToFile once.
//
// Text goes out one byte per character in code page 1252. A backslash or brace is escaped, a
// line break becomes \line, and a character the code page lacks is written as \uN?, so such a
// text opens intact in a word processor; any other text is copied byte for byte.
class TCtrlToRTF
{
    Q_DECLARE_TR_FUNCTIONS(TCtrlToRTF)
public:
    enum class TAlignment { Left = 0, Right = 1, Center = 2 };

    // Entries written unchanged inside the font table; empty unless the user adds some.
    QStringList FontTable;

    void BeginDocument();
    void AddParagraph(const QString& text, const TRtfFont& font,
                      TAlignment alignment = TAlignment::Left);
    // Appends the closing text and writes the whole document to the file through a temporary
    // file that replaces it only when complete. Throws TError naming the file.
    void SaveToFile(const QString& fileName);

    const QByteArray& Buffer() const { return m_buffer; }
    // The text as it goes into a paragraph.
    static void AppendText(QByteArray& out, const QString& text);
    // Index into the colour table of exactly that colour; -1 when the table lacks it.
    static int ColorIndex(const QColor& color);

private:
    QByteArray m_buffer;
};
