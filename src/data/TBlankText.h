#pragma once

#include <QString>

// Blank texts as the data operations see them: nothing but spaces and control characters.
namespace TBlankText
{

inline bool IsBlankChar(QChar c)
{
    return c.unicode() <= 0x20 || c.category() == QChar::Other_Control || c.isSpace();
}

inline bool IsBlank(const QString& text)
{
    for (const QChar c : text)
        if (!IsBlankChar(c))
            return false;
    return true;
}

} // namespace TBlankText
