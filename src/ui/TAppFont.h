#pragma once

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QString>

class QWidget;

// A font built from a name, a style, a colour and a size. The colour is not part of a toolkit
// font, so it travels with the object and ApplyTo puts it on the widget's palette.
class TAppFont : public QFont
{
public:
    enum TStyle { Regular = 0x0, Bold = 0x1, Italic = 0x2, Underline = 0x4, StrikeOut = 0x8 };
    Q_DECLARE_FLAGS(TStyles, TStyle)

    TAppFont(const QString& name, TStyles style, const QColor& color, int pointSize);

    const QColor& Color() const { return m_color; }
    // Sets the font and its colour (as text colour of labels and buttons) on the widget.
    void ApplyTo(QWidget& widget) const;
    // True when the widget shows this font in this colour.
    bool IsShownBy(const QWidget& widget) const;

    // The three fonts of the time-filter labels, created at first use and kept for the run.
    static const TAppFont& YearsFont();      // several years, or none
    static const TAppFont& RangeFont();      // a date range, "All", the date-range buttons
    static const TAppFont& SingleYearFont(); // exactly one year

private:
    QColor m_color;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TAppFont::TStyles)
