#include "ui/TAppFont.h"

#include <QPalette>
#include <QWidget>

TAppFont::TAppFont(const QString& name, TStyles style, const QColor& color, int pointSize)
    : QFont(name), m_color(color)
{
    setPointSize(pointSize);
    setBold(style.testFlag(Bold));
    setItalic(style.testFlag(Italic));
    setUnderline(style.testFlag(Underline));
    setStrikeOut(style.testFlag(StrikeOut));
}

void TAppFont::ApplyTo(QWidget& widget) const
{
    widget.setFont(*this);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, m_color);
    palette.setColor(QPalette::ButtonText, m_color);
    widget.setPalette(palette);
}

bool TAppFont::IsShownBy(const QWidget& widget) const
{
    const QFont& shown = widget.font();
    return shown.family() == family() && shown.pointSize() == pointSize() &&
           shown.bold() == bold() && shown.italic() == italic() &&
           shown.underline() == underline() && shown.strikeOut() == strikeOut() &&
           widget.palette().color(QPalette::WindowText) == m_color;
}

const TAppFont& TAppFont::YearsFont()
{
    static const TAppFont font(QStringLiteral("MS Sans Serif"), Bold, QColor(0, 0, 128), 11);
    return font;
}

const TAppFont& TAppFont::RangeFont()
{
    static const TAppFont font(QStringLiteral("Arial Black"), Regular, QColor(0, 0, 0), 11);
    return font;
}

const TAppFont& TAppFont::SingleYearFont()
{
    static const TAppFont font(QStringLiteral("Arial Narrow"), Bold, QColor(0, 0, 128), 18);
    return font;
}
