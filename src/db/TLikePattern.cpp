#include "db/TLikePattern.h"

namespace {

// Wildcard match with backtracking to the last "%"; linear in practice.
template <typename TChar, typename TEq>
bool WildMatch(const TChar* text, qsizetype tn, const TChar* pat, qsizetype pn, TEq eq)
{
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    while (t < tn) {
        if (p < pn && pat[p] == TChar('%')) {
            starP = p++;
            starT = t;
        } else if (p < pn && (pat[p] == TChar('_') || eq(pat[p], text[t]))) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pn && pat[p] == TChar('%'))
        ++p;
    return p == pn;
}

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

} // namespace

TLikePattern::TLikePattern(const QString& pattern)
    : m_pattern(pattern), m_folded(pattern.toCaseFolded())
{
    m_ascii = true;
    for (QChar c : pattern) {
        if (c.unicode() >= 0x80) {
            m_ascii = false;
            break;
        }
    }
    if (m_ascii) {
        m_asciiLower.reserve(size_t(pattern.size()));
        for (QChar c : pattern)
            m_asciiLower.push_back(AsciiLower(char(c.unicode())));
    }
}

bool TLikePattern::Matches(QStringView text) const
{
    const QString folded = text.toString().toCaseFolded();
    return WildMatch(folded.constData(), folded.size(), m_folded.constData(), m_folded.size(),
                     [](QChar a, QChar b) { return a == b; });
}

bool TLikePattern::MatchesUtf8(const char* text, qsizetype length) const
{
    if (m_ascii) {
        bool asciiText = true;
        for (qsizetype i = 0; i < length; ++i) {
            if (static_cast<unsigned char>(text[i]) >= 0x80) {
                asciiText = false;
                break;
            }
        }
        if (asciiText)
            return WildMatch(text, length, m_asciiLower.data(), qsizetype(m_asciiLower.size()),
                             [](char a, char b) { return a == AsciiLower(b); });
    }
    return Matches(QString::fromUtf8(text, length));
}
