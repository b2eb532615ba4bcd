#pragma once

#include <QString>
#include <QStringView>

#include <string>

// A "like" pattern ("%" any run of characters, "_" one character) that ignores letter case in
// every alphabet ("mü%" matches "Müller"). Compiled once, matched against many texts; ASCII
// texts are matched byte by byte without conversion.
class TLikePattern
{
public:
    explicit TLikePattern(const QString& pattern = {});

    const QString& Pattern() const { return m_pattern; }
    bool Matches(QStringView text) const;
    bool MatchesUtf8(const char* text, qsizetype length) const;

private:
    QString m_pattern;
    QString m_folded;         // case-folded pattern
    std::string m_asciiLower; // the pattern in lower case when it is pure ASCII
    bool m_ascii = false;
};
