#include "ui/TSignInNameColumns.h"

#include "settings/TConfig.h"
#include "ui/TDBGrid.h"

#include <QStyle>

#include <algorithm>

namespace
{

// Long last names of 24 characters, in letters of several widths: the list's last-name column
// shows them whole.
const char* const kLongLastNames[] = {"Wolfeschlegelsteinhausen", "D'Angelo-Montgomery-Wahl",
                                      "García-Kennedy-Oppenheim"};

} // namespace

TSignInNameColumns::TSignInNameColumns(TDBGrid& grid, TConfig* config)
    : m_grid(grid), m_config(config)
{
}

const QList<TColumnWidths::TKey>& TSignInNameColumns::WidthKeys()
{
    static const QList<TColumnWidths::TKey> keys = {
        {0, QStringLiteral("SignInLNameWidth"), 100},
        {1, QStringLiteral("SignInFNameWidth"), 100},
    };
    return keys;
}

void TSignInNameColumns::Load()
{
    if (m_config)
        TColumnWidths::Load(*m_config, m_grid, WidthKeys());
}

void TSignInNameColumns::Save()
{
    if (m_config)
        TColumnWidths::Save(*m_config, m_grid, WidthKeys());
}

int TSignInNameColumns::LastNameRoom() const
{
    const QFontMetrics metrics(m_grid.font());
    int widest = 0;
    for (const char* name : kLongLastNames)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(name)));
    // The cell's text margins, as the list's own size hints count them, and a little room for
    // names of wider letters.
    const int margins =
        2 * (m_grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &m_grid) + 1) + 1;
    return widest + widest / 10 + margins;
}

void TSignInNameColumns::Fit()
{
    if (!m_config)
        return;
    const TColumnWidths::TKey& lastName = WidthKeys().at(0);
    int width = std::max(
        TColumnWidths::OnScreen(m_grid, m_config->ReadInteger(TColumnWidths::Section(),
                                                              lastName.key, lastName.defaultWidth)),
        LastNameRoom());
    // Until the window is shown the list has no width of its own yet.
    const int list = m_grid.isVisible() ? m_grid.viewport()->width() : 0;
    if (list > 0)
        width = std::min(width, list * 2 / 3);
    TColumnWidths::ShowWidth(m_grid, lastName.column, width);
    // The first names fill the rest of the list.
    if (list > width)
        TColumnWidths::ShowWidth(m_grid, WidthKeys().at(1).column, list - width);
}
