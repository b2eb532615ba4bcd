#include "db/TFilterExpression.h"

#include "db/TError.h"
#include "db/TLikePattern.h"

#include <QCoreApplication>
#include <QDateTime>
#include <vector>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TFilterExpression", text);
}

} // namespace

struct TFilterExpression::TNode
{
    enum class Op { And, Or, Not, Eq, Ne, Lt, Gt, Le, Ge, Like, IsNull, IsNotNull };
    Op op = Op::Eq;
    std::unique_ptr<TNode> left, right;
    int field = -1;
    QVariant literal;
    std::unique_ptr<TLikePattern> pattern;
};

namespace {

using TNode = TFilterExpression::TNode;

struct TToken
{
    enum Kind { End, Ident, Number, String, Op, LParen, RParen } kind = End;
    QString text;
    int pos = 0;
};

class TParser
{
public:
    TParser(const QString& text, const std::function<int(const QString&)>& resolve)
        : m_text(text), m_resolve(resolve)
    {
        Tokenize();
    }

    std::unique_ptr<TNode> Parse()
    {
        auto node = ParseOr();
        if (Peek().kind != TToken::End)
            Fail(QStringLiteral("unexpected '%1'").arg(Peek().text));
        return node;
    }

private:
    [[noreturn]] void Fail(const QString& why) const
    {
        throw EDatabaseError(Tr("The filter \"%1\" is not valid: %2.").arg(m_text, why));
    }

    void Tokenize()
    {
        const QString& s = m_text;
        int i = 0;
        const int n = int(s.size());
        while (i < n) {
            const QChar c = s.at(i);
            if (c.isSpace()) {
                ++i;
                continue;
            }
            TToken t;
            t.pos = i;
            if (c == u'(' || c == u')') {
                t.kind = c == u'(' ? TToken::LParen : TToken::RParen;
                t.text = c;
                ++i;
            } else if (c == u'\'') {
                QString value;
                ++i;
                bool closed = false;
                while (i < n) {
                    if (s.at(i) == u'\'') {
                        if (i + 1 < n && s.at(i + 1) == u'\'') {
                            value += u'\'';
                            i += 2;
                            continue;
                        }
                        closed = true;
                        ++i;
                        break;
                    }
                    value += s.at(i++);
                }
                if (!closed)
                    Fail(QStringLiteral("a quoted text is not closed"));
                t.kind = TToken::String;
                t.text = value;
            } else if (c.isDigit() || ((c == u'-' || c == u'.') && i + 1 < n && s.at(i + 1).isDigit())) {
                int j = i + 1;
                while (j < n && (s.at(j).isDigit() || s.at(j) == u'.'))
                    ++j;
                t.kind = TToken::Number;
                t.text = s.mid(i, j - i);
                i = j;
            } else if (c == u'[') {
                const int close = int(s.indexOf(u']', i));
                if (close < 0)
                    Fail(QStringLiteral("a bracketed name is not closed"));
                t.kind = TToken::Ident;
                t.text = s.mid(i + 1, close - i - 1);
                i = close + 1;
            } else if (c.isLetter() || c == u'_') {
                int j = i + 1;
                while (j < n && (s.at(j).isLetterOrNumber() || s.at(j) == u'_' || s.at(j) == u'.'))
                    ++j;
                t.kind = TToken::Ident;
                t.text = s.mid(i, j - i);
                i = j;
            } else if (c == u'=' || c == u'<' || c == u'>' || c == u'!') {
                int j = i + 1;
                if (j < n && (s.at(j) == u'=' || s.at(j) == u'>'))
                    ++j;
                t.kind = TToken::Op;
                t.text = s.mid(i, j - i);
                i = j;
            } else {
                Fail(QStringLiteral("unexpected character '%1'").arg(c));
            }
            m_tokens.push_back(t);
        }
        TToken end;
        end.pos = n;
        m_tokens.push_back(end);
    }

    const TToken& Peek() const { return m_tokens[m_pos]; }
    TToken Take() { return m_tokens[m_pos < m_tokens.size() - 1 ? m_pos++ : m_pos]; }
    bool IsWord(const TToken& t, const char* word) const
    {
        return t.kind == TToken::Ident && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    std::unique_ptr<TNode> Binary(TNode::Op op, std::unique_ptr<TNode> l, std::unique_ptr<TNode> r)
    {
        auto n = std::make_unique<TNode>();
        n->op = op;
        n->left = std::move(l);
        n->right = std::move(r);
        return n;
    }

    std::unique_ptr<TNode> ParseOr()
    {
        auto left = ParseAnd();
        while (IsWord(Peek(), "or")) {
            Take();
            left = Binary(TNode::Op::Or, std::move(left), ParseAnd());
        }
        return left;
    }

    std::unique_ptr<TNode> ParseAnd()
    {
        auto left = ParseNot();
        while (IsWord(Peek(), "and")) {
            Take();
            left = Binary(TNode::Op::And, std::move(left), ParseNot());
        }
        return left;
    }

    std::unique_ptr<TNode> ParseNot()
    {
        if (IsWord(Peek(), "not")) {
            Take();
            auto n = std::make_unique<TNode>();
            n->op = TNode::Op::Not;
            n->left = ParseNot();
            return n;
        }
        return ParsePrimary();
    }

    std::unique_ptr<TNode> ParsePrimary()
    {
        const TToken t = Take();
        if (t.kind == TToken::LParen) {
            auto inner = ParseOr();
            if (Take().kind != TToken::RParen)
                Fail(QStringLiteral("a parenthesis is not closed"));
            return inner;
        }
        if (t.kind != TToken::Ident)
            Fail(t.kind == TToken::End ? QStringLiteral("a condition is missing")
                                       : QStringLiteral("a field name is expected before '%1'").arg(t.text));
        auto n = std::make_unique<TNode>();
        n->field = m_resolve(t.text);
        if (n->field < 0)
            Fail(QStringLiteral("there is no field '%1'").arg(t.text));
        const TToken op = Take();
        if (IsWord(op, "is")) {
            n->op = TNode::Op::IsNull;
            if (IsWord(Peek(), "not")) {
                Take();
                n->op = TNode::Op::IsNotNull;
            }
            if (!IsWord(Take(), "null"))
                Fail(QStringLiteral("\"is\" must be followed by null"));
            return n;
        }
        if (IsWord(op, "like")) {
            n->op = TNode::Op::Like;
        } else if (op.kind == TToken::Op) {
            static const QList<QPair<QString, TNode::Op>> ops = {
                {QStringLiteral("="), TNode::Op::Eq},  {QStringLiteral("<>"), TNode::Op::Ne},
                {QStringLiteral("!="), TNode::Op::Ne}, {QStringLiteral("<"), TNode::Op::Lt},
                {QStringLiteral(">"), TNode::Op::Gt},  {QStringLiteral("<="), TNode::Op::Le},
                {QStringLiteral(">="), TNode::Op::Ge}};
            bool found = false;
            for (const auto& [text, o] : ops)
                if (text == op.text) {
                    n->op = o;
                    found = true;
                }
            if (!found)
                Fail(QStringLiteral("unknown operator '%1'").arg(op.text));
        } else {
            Fail(QStringLiteral("an operator is expected after '%1'").arg(t.text));
        }
        const TToken lit = Take();
        if (lit.kind == TToken::Number) {
            bool ok = false;
            const double d = lit.text.toDouble(&ok);
            if (!ok)
                Fail(QStringLiteral("'%1' is not a number").arg(lit.text));
            n->literal = d;
        } else if (lit.kind == TToken::String) {
            n->literal = lit.text;
        } else if (IsWord(lit, "null")) {
            n->literal = QVariant();
        } else {
            Fail(lit.kind == TToken::End ? QStringLiteral("a value is missing")
                                         : QStringLiteral("'%1' is not a value").arg(lit.text));
        }
        if (n->op == TNode::Op::Like) {
            if (lit.kind != TToken::String)
                Fail(QStringLiteral("like needs a quoted text"));
            n->pattern = std::make_unique<TLikePattern>(lit.text);
        }
        return n;
    }

    QString m_text;
    const std::function<int(const QString&)>& m_resolve;
    std::vector<TToken> m_tokens;
    size_t m_pos = 0;
};

// -1, 0, 1; text compares without regard to case; numbers numerically.
int Compare(const QVariant& value, const QVariant& literal)
{
    if (literal.typeId() == QMetaType::Double) {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok)
            return value.toString().compare(literal.toString(), Qt::CaseInsensitive) < 0 ? -1 : 1;
        const double l = literal.toDouble();
        return v < l ? -1 : (v > l ? 1 : 0);
    }
    QString text = value.typeId() == QMetaType::QDateTime
                       ? value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                       : value.toString();
    const int c = text.compare(literal.toString(), Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool Eval(const TNode& n, const TFilterRow& row)
{
    switch (n.op) {
    case TNode::Op::And:
        return Eval(*n.left, row) && Eval(*n.right, row);
    case TNode::Op::Or:
        return Eval(*n.left, row) || Eval(*n.right, row);
    case TNode::Op::Not:
        return !Eval(*n.left, row);
    case TNode::Op::Like: {
        const char* p = nullptr;
        qsizetype len = 0;
        if (row.Utf8(n.field, p, len))
            return n.pattern->MatchesUtf8(p, len);
        const QVariant v = row.Value(n.field);
        return !v.isNull() && n.pattern->Matches(v.toString());
    }
    case TNode::Op::IsNull:
        return row.Value(n.field).isNull();
    case TNode::Op::IsNotNull:
        return !row.Value(n.field).isNull();
    default:
        break;
    }
    int c = 0;
    double number = 0;
    if (n.literal.typeId() == QMetaType::Double && row.Number(n.field, number)) {
        const double l = n.literal.toDouble();
        c = number < l ? -1 : (number > l ? 1 : 0);
    } else {
        const QVariant v = row.Value(n.field);
        if (v.isNull() || n.literal.isNull())
            return false;
        c = Compare(v, n.literal);
    }
    switch (n.op) {
    case TNode::Op::Eq:
        return c == 0;
    case TNode::Op::Ne:
        return c != 0;
    case TNode::Op::Lt:
        return c < 0;
    case TNode::Op::Gt:
        return c > 0;
    case TNode::Op::Le:
        return c <= 0;
    case TNode::Op::Ge:
        return c >= 0;
    default:
        return false;
    }
}

} // namespace

TFilterExpression::TFilterExpression(const QString& text,
                                     const std::function<int(const QString&)>& resolveField)
    : m_text(text)
{
    TParser parser(text, resolveField);
    m_root = parser.Parse();
}

TFilterExpression::~TFilterExpression() = default;

bool TFilterExpression::Matches(const TFilterRow& row) const
{
    return Eval(*m_root, row);
}
