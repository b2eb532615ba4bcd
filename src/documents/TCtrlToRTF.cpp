#include "documents/TCtrlToRTF.h"

#include "db/TError.h"

#include <QDir>
#include <QSaveFile>

namespace
{

struct TRgb
{
    int red, green, blue;
};

constexpr TRgb kColorTable[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
    {0, 0, 128},   {128, 0, 128},   {0, 128, 128},   {128, 128, 128},
    {192, 192, 192}, {255, 0, 0},   {0, 255, 0},     {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

// Code page 1252 from 0x80 to 0x9F; 0 marks the five bytes it leaves undefined.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The code page 1252 byte of a character; -1 when the code page lacks it.
int Cp1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c)
            return 0x80 + i;
    return -1;
}

} // namespace

int TCtrlToRTF::ColorIndex(const QColor& color)
{
    for (int i = 0; i < 16; ++i)
        if (kColorTable[i].red == color.red() && kColorTable[i].green == color.green()
            && kColorTable[i].blue == color.blue())
            return i;
    return -1;
}

void TCtrlToRTF::BeginDocument()
{
    m_buffer += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720";
    m_buffer += "{\\fonttbl";
    for (const QString& entry : FontTable)
        m_buffer += entry.toLatin1();
    m_buffer += "}";
    m_buffer += "{\\colortbl";
    for (const TRgb& rgb : kColorTable) {
        m_buffer += "\\red" + QByteArray::number(rgb.red) + "\\green"
                    + QByteArray::number(rgb.green) + "\\blue" + QByteArray::number(rgb.blue)
                    + ";";
    }
    m_buffer += "}";
}

void TCtrlToRTF::AddParagraph(const QString& text, const TRtfFont& font, TAlignment alignment)
{
    m_buffer += "\\par \\pard";
    if (alignment == TAlignment::Right)
        m_buffer += "\\qr";
    else if (alignment == TAlignment::Center)
        m_buffer += "\\qc";
    m_buffer += "\\plain";

    int fontIndex = 0;
    for (int i = 0; i < FontTable.size(); ++i) {
        if (FontTable.at(i).contains(font.name)) {
            fontIndex = i;
            break;
        }
    }
    m_buffer += "\\f" + QByteArray::number(fontIndex);
    m_buffer += "\\fs" + QByteArray::number(font.size * 2);
    if (font.bold)
        m_buffer += "\\b";
    if (font.italic)
        m_buffer += "\\i";
    if (font.underline)
        m_buffer += "\\ul";
    if (font.strikeOut)
        m_buffer += "\\strike";
    const int color = ColorIndex(font.color);
    if (color >= 0)
        m_buffer += "\\cf" + QByteArray::number(color);
    m_buffer += ' ';
    AppendText(m_buffer, text);
}

void TCtrlToRTF::AppendText(QByteArray& out, const QString& text)
{
    const char16_t* chars = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        switch (c) {
        case u'\\':
            out += "\\\\";
            continue;
        case u'{':
            out += "\\{";
            continue;
        case u'}':
            out += "\\}";
            continue;
        case u'\r':
            // CR LF is one line break.
            if (i + 1 < size && chars[i + 1] == u'\n')
                ++i;
            out += "\\line ";
            continue;
        case u'\n':
            out += "\\line ";
            continue;
        default:
            break;
        }
        const int byte = Cp1252Byte(c);
        if (byte >= 0) {
            out += char(byte);
        } else {
            // RTF numbers Unicode characters as signed 16-bit values; "?" is what a reader
            // without Unicode shows instead. Characters beyond 16 bits go as their two halves.
            out += "\\u" + QByteArray::number(qint16(c)) + "?";
        }
    }
}

void TCtrlToRTF::SaveToFile(const QString& fileName)
{
    m_buffer += "\r\n}}";
    const QString shown = QDir::toNativeSeparators(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw TError(tr("Cannot create file \"%1\": %2").arg(shown, file.errorString()));
    if (file.write(m_buffer) != m_buffer.size() || !file.commit())
        throw TError(tr("Cannot write file \"%1\": %2").arg(shown, file.errorString()));
}
