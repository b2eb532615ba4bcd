// The conference lines of a transcript: their canonical form, and how they are found again in
// the text of the transcript's PDF pages (docs/VERIFY.md describes both for other verifiers).

#include "seal/TSealCode.h"

#include <QRegularExpression>
#include <QSet>

#include <sodium.h>

namespace
{

const QChar kFieldSeparator(0x1F);

const QRegularExpression& Blanks()
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    return blanks;
}

QStringList Words(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C).split(Blanks(), Qt::SkipEmptyParts);
}

// A field as the canonical form holds it: its words run together (a page may break a long
// word anywhere, so white space says nothing).
QString Packed(const QString& field)
{
    return Words(field).join(QString());
}

bool IsUnits(const QString& word)
{
    static const QRegularExpression units(QStringLiteral("^\\d+[.,]\\d\\d$"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    return units.match(word).hasMatch();
}

// A word of the page text, with its page and its text line on that page.
struct TWord {
    QString text;
    int page = 0;
    int line = 0;
};

// The words of a date written with a date pattern ("M/d/yy", "dd.MM.yy", "d MMM yyyy"), one
// regular expression per word.
QList<QRegularExpression> DateWords(const QString& pattern)
{
    QStringList words(QString{});
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c.isSpace()) {
            if (!words.last().isEmpty())
                words << QString();
            ++i;
            continue;
        }
        QString& word = words.last();
        if (c == u'\'') {
            const qsizetype end = pattern.indexOf(u'\'', i + 1);
            const QString literal = end < 0 ? pattern.mid(i + 1) : pattern.mid(i + 1, end - i - 1);
            word += literal.isEmpty() ? QStringLiteral("'") : QRegularExpression::escape(literal);
            i = end < 0 ? pattern.size() : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run) == c)
            ++run;
        if (c == u'd' || c == u'M')
            word += run == 1   ? QStringLiteral("\\d{1,2}")
                    : run == 2 ? QStringLiteral("\\d{2}")
                               : QStringLiteral("[^\\s\\d]+");
        else if (c == u'y')
            word += run == 2 ? QStringLiteral("\\d{2}") : QStringLiteral("\\d{1,4}");
        else if (c.isLetter())
            word += QStringLiteral("\\S+");
        else
            word += QRegularExpression::escape(QString(run, c));
        i += run;
    }
    if (words.last().isEmpty())
        words.removeLast();
    if (words.isEmpty()) // no pattern: one word of digits and separators
        words << QStringLiteral("\\d{1,4}([./-])\\d{1,2}\\1\\d{1,4}\\.?");
    QList<QRegularExpression> expressions;
    for (const QString& word : std::as_const(words))
        expressions << QRegularExpression(QRegularExpression::anchoredPattern(word),
                                          QRegularExpression::UseUnicodePropertiesOption);
    return expressions;
}

bool IsEnd(const QString& word)
{
    return IsUnits(word) || word.endsWith(u';');
}

class TLineSearch
{
public:
    TLineSearch(const QString& pageText, const QString& dateFormat)
        : m_date(DateWords(dateFormat)), m_dateWords(int(m_date.size()))
    {
        ReadPages(pageText);
        DropPageNoise();
    }

    bool Matches(int count, const QByteArray& digest)
    {
        m_count = count;
        m_digest = digest;
        if (count == 0)
            return TSealFormat::Sha256(QByteArray()) == digest;
        m_words.clear();
        for (int p = 0; p < m_pages.size(); ++p)
            for (int l = 0; l < m_pages.at(p).size(); ++l)
                for (const QString& word : m_pages.at(p).at(l))
                    m_words.append({word, p, l});
        const QList<int> starts = LineStarts(m_words);
        for (int first = 0; first + count <= starts.size(); ++first) {
            crypto_hash_sha256_state state;
            crypto_hash_sha256_init(&state);
            if (Search(starts, first, 0, state))
                return true;
        }
        return false;
    }

private:
    using TLine = QStringList;

    void ReadPages(const QString& text)
    {
        QStringList pages = text.split(u'\f');
        while (!pages.isEmpty() && pages.last().trimmed().isEmpty())
            pages.removeLast();
        for (const QString& page : pages) {
            QList<TLine> lines;
            for (const QString& line : page.split(u'\n')) {
                const TLine words = Words(line);
                if (!words.isEmpty())
                    lines << words;
            }
            m_pages << lines;
        }
    }

    // Whether the first `parts` words of a date begin at words[at].
    bool IsDateAt(const QList<TWord>& words, int at, int parts = -1) const
    {
        if (parts < 0)
            parts = m_dateWords;
        if (at + parts > words.size())
            return false;
        for (int i = 0; i < parts; ++i)
            if (!m_date.at(i).match(words.at(at + i).text).hasMatch())
                return false;
        return true;
    }

    // Where the lines of the table begin: a date followed by units before the next date.
    QList<int> LineStarts(const QList<TWord>& words) const
    {
        QList<int> dates;
        for (int i = 0; i < words.size(); ++i)
            if (IsDateAt(words, i))
                dates << i;
        QList<int> starts;
        for (int d = 0; d < dates.size(); ++d) {
            const int to = d + 1 < dates.size() ? dates.at(d + 1) : int(words.size());
            for (int i = dates.at(d) + m_dateWords; i < to; ++i)
                if (IsUnits(words.at(i).text)) {
                    starts << dates.at(d);
                    break;
                }
        }
        return starts;
    }

    static QList<TWord> PageWords(const QList<TLine>& page)
    {
        QList<TWord> words;
        for (int l = 0; l < page.size(); ++l)
            for (const QString& word : page.at(l))
                words.append({word, 0, l});
        return words;
    }

    int FirstLineOfTable(const QList<TLine>& page) const
    {
        const QList<TWord> words = PageWords(page);
        const QList<int> starts = LineStarts(words);
        return starts.isEmpty() ? int(page.size()) : words.at(starts.first()).line;
    }

    // Removes what a page break puts between the lines of the table: the page footer (the last
    // line of a page that the next or the previous page ends with too, but for its numbers),
    // lines at the top of a page that an earlier page shows above its table (the table's
    // heading repeated), and lines that repeat part of the line the page break cut (its text
    // drawn again, clipped, above the next page). A date the break cut is joined again.
    void DropPageNoise()
    {
        if (m_pages.size() < 2)
            return;
        static const QRegularExpression digits(QStringLiteral("\\d+"));
        QStringList lasts;
        for (const QList<TLine>& page : std::as_const(m_pages))
            lasts << (page.isEmpty() ? QString()
                                     : page.last().join(u' ').replace(digits, QStringLiteral("#")));
        for (int p = 0; p < m_pages.size(); ++p)
            if (!lasts.at(p).isEmpty() &&
                (lasts.value(p - 1) == lasts.at(p) || lasts.value(p + 1) == lasts.at(p)))
                m_pages[p].removeLast();

        QSet<QString> above; // lines of earlier pages above their table
        for (int p = 0; p < m_pages.size(); ++p) {
            QList<TLine>& page = m_pages[p];
            if (p > 0) {
                int dateParts = 0;
                const QStringList cut = CutLine(m_pages.at(p - 1), &dateParts);
                for (int l = FirstLineOfTable(page) - 1; l >= 0; --l)
                    if (above.contains(page.at(l).join(u' ')) || Contains(cut, page.at(l)))
                        page.removeAt(l);
                if (dateParts > 0 && dateParts < m_dateWords)
                    JoinCutDate(p, cut.size(), dateParts);
            }
            const int first = FirstLineOfTable(page);
            for (int l = 0; l < first; ++l)
                above << page.at(l).join(u' ');
        }
    }

    // The words of the last line of the table on a page, from its date (or from the part of
    // its date above a page break) on; dateParts tells how many words of its date are there.
    QStringList CutLine(const QList<TLine>& page, int* dateParts) const
    {
        const QList<TWord> words = PageWords(page);
        const QList<int> starts = LineStarts(words);
        const int last = starts.isEmpty() ? -1 : starts.last();
        int from = last;
        *dateParts = last < 0 ? 0 : m_dateWords;
        // A line whose date the break cut begins after the end of a whole line.
        bool unitsSeen = false;
        for (int i = last + 1; i < words.size() && last >= 0; ++i) {
            unitsSeen = unitsSeen || IsUnits(words.at(i - 1).text);
            if (!unitsSeen || !IsEnd(words.at(i - 1).text))
                continue;
            for (int parts = m_dateWords - 1; parts >= 1; --parts)
                if (IsDateAt(words, i, parts) && !IsDateAt(words, i)) {
                    from = i;
                    *dateParts = parts;
                    break;
                }
        }
        QStringList cut;
        for (int i = std::max(from, 0); i < words.size() && from >= 0; ++i)
            cut << words.at(i).text;
        return cut;
    }

    static bool Contains(const QStringList& words, const TLine& run)
    {
        for (qsizetype i = 0; i + run.size() <= words.size(); ++i)
            if (words.mid(i, run.size()) == run)
                return true;
        return false;
    }

    // Moves the rest of a cut date from the top of page p back beside its first part, the
    // first dateParts words of the last `cutSize` words of page p - 1.
    void JoinCutDate(int p, qsizetype cutSize, int dateParts)
    {
        QList<TLine>& page = m_pages[p];
        QList<TLine>& previous = m_pages[p - 1];
        const int missing = m_dateWords - dateParts;
        const QList<TWord> above = PageWords(previous);
        const int at = int(above.size() - cutSize) + dateParts; // where the rest belongs
        QList<TWord> date = above.mid(at - dateParts, dateParts);
        QStringList rest;
        for (const TLine& line : std::as_const(page))
            for (const QString& word : line)
                if (rest.size() < missing)
                    rest << word;
        for (const QString& word : std::as_const(rest))
            date.append({word, 0, 0});
        if (rest.size() < missing || !IsDateAt(date, 0))
            return;
        const int line = above.at(at - 1).line;
        qsizetype column = 0;
        for (int w = 0; w < at; ++w)
            column += above.at(w).line == line;
        for (int m = 0; m < missing; ++m) {
            previous[line].insert(column + m, rest.at(m));
            page.first().removeFirst();
            if (page.first().isEmpty())
                page.removeFirst();
        }
    }

    // The canonical forms the words [from, to) may stand for: a line cut by a page break
    // continues on the next page with the rest of its title or of its credit types and
    // information, and each split between the two is tried.
    QList<QByteArray> Canonicals(int from, int to) const
    {
        QStringList first; // on the line's own page
        QList<QStringList> rest; // the lines it continues with
        int lastLine = -1;
        int lastPage = m_words.at(from).page;
        for (int i = from; i < to; ++i) {
            const TWord& w = m_words.at(i);
            if (w.page == m_words.at(from).page) {
                first << w.text;
                continue;
            }
            if (w.page != lastPage || w.line != lastLine)
                rest.append(QStringList());
            rest.last() << w.text;
            lastPage = w.page;
            lastLine = w.line;
        }
        QList<QByteArray> canonicals;
        if (first.size() <= m_dateWords)
            return canonicals;
        const QStringList date = first.mid(0, m_dateWords);
        const QStringList body = first.mid(m_dateWords);
        for (qsizetype split = 0; split <= rest.size(); ++split) {
            QStringList titleMore, itemsMore;
            for (qsizetype r = 0; r < rest.size(); ++r)
                (r < split ? titleMore : itemsMore) << rest.at(r);
            for (qsizetype u = body.size() - 1; u >= 0; --u) {
                if (!IsUnits(body.at(u)))
                    continue;
                const QStringList items = body.mid(u + 1) + itemsMore;
                if (!items.isEmpty() && !items.last().endsWith(u';'))
                    continue;
                const QByteArray line =
                    (QStringList{date.join(QString()),
                                 (body.mid(0, u) + titleMore).join(QString()), body.at(u),
                                 items.join(QString())}
                         .join(kFieldSeparator) +
                     u'\n')
                        .toUtf8();
                if (!canonicals.contains(line))
                    canonicals << line;
                break;
            }
        }
        return canonicals;
    }

    bool Search(const QList<int>& starts, int first, int row, crypto_hash_sha256_state state)
    {
        const int from = starts.at(first + row);
        if (row + 1 < m_count) {
            for (const QByteArray& line : Canonicals(from, starts.at(first + row + 1))) {
                crypto_hash_sha256_state next = state;
                Update(next, line);
                if (Search(starts, first, row + 1, next))
                    return true;
            }
            return false;
        }
        // The last line ends with its units or with an item (";"), before the next line start
        // (of another transcript); each such end is tried.
        const int limit = first + row + 1 < starts.size() ? starts.at(first + row + 1)
                                                          : int(m_words.size());
        for (int to = from + m_dateWords + 1; to <= limit; ++to) {
            if (!IsEnd(m_words.at(to - 1).text))
                continue;
            for (const QByteArray& line : Canonicals(from, to)) {
                crypto_hash_sha256_state last = state;
                Update(last, line);
                QByteArray hash(crypto_hash_sha256_BYTES, '\0');
                crypto_hash_sha256_final(&last, reinterpret_cast<unsigned char*>(hash.data()));
                if (hash == m_digest)
                    return true;
            }
        }
        return false;
    }

    static void Update(crypto_hash_sha256_state& state, const QByteArray& bytes)
    {
        crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(bytes.constData()),
                                  size_t(bytes.size()));
    }

    QList<QRegularExpression> m_date;
    int m_dateWords = 1;
    QList<QList<TLine>> m_pages;
    QList<TWord> m_words;
    int m_count = 0;
    QByteArray m_digest;
};

} // namespace

QByteArray TSealFormat::CanonicalLines(const QList<QStringList>& lines)
{
    QByteArray canonical;
    for (const QStringList& line : lines) {
        const QStringList items{line.value(3), line.value(4)};
        canonical += (QStringList{Packed(line.value(0)), Packed(line.value(1)),
                                  Packed(line.value(2)), Packed(items.join(u' '))}
                          .join(kFieldSeparator) +
                      u'\n')
                         .toUtf8();
    }
    return canonical;
}

QByteArray TSealFormat::Sha256(const QByteArray& data)
{
    QByteArray hash(crypto_hash_sha256_BYTES, '\0');
    crypto_hash_sha256(reinterpret_cast<unsigned char*>(hash.data()),
                       reinterpret_cast<const unsigned char*>(data.constData()),
                       size_t(data.size()));
    return hash;
}

bool TSealFormat::PageTextMatches(const QString& pageText, int count, const QByteArray& digest,
                                  const QString& dateFormat)
{
    return TLineSearch(pageText, dateFormat).Matches(count, digest);
}
