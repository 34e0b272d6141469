#include "zipctl/likematch.h"

#include <QList>

namespace bundlex {

namespace {

struct Token
{
    enum Kind { Literal, AnyOne, Digit, Set, Star } kind;
    QChar ch;
    QStringView set; // the list between the brackets, "!" removed
    bool negated = false;
};

QList<Token> tokenize(QStringView pattern)
{
    QList<Token> tokens;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'*') {
            if (tokens.isEmpty() || tokens.last().kind != Token::Star)
                tokens.append({Token::Star, c, {}, false});
        } else if (c == u'?') {
            tokens.append({Token::AnyOne, c, {}, false});
        } else if (c == u'#') {
            tokens.append({Token::Digit, c, {}, false});
        } else if (c == u'[') {
            const qsizetype close = pattern.indexOf(u']', i + 1);
            if (close < 0) { // an unclosed bracket stands for itself
                tokens.append({Token::Literal, c, {}, false});
                continue;
            }
            QStringView list = pattern.mid(i + 1, close - i - 1);
            bool negated = false;
            if (list.startsWith(u'!')) {
                negated = true;
                list = list.mid(1);
            }
            tokens.append({Token::Set, c, list, negated});
            i = close;
        } else {
            tokens.append({Token::Literal, c, {}, false});
        }
    }
    return tokens;
}

bool inSet(QStringView list, QChar c)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i + 2 < list.size() && list[i + 1] == u'-') {
            if (c >= list[i] && c <= list[i + 2])
                return true;
            i += 2;
        } else if (list[i] == c) {
            return true;
        }
    }
    return false;
}

bool matchOne(const Token &t, QChar c)
{
    switch (t.kind) {
    case Token::Literal:
        return t.ch == c;
    case Token::AnyOne:
        return true;
    case Token::Digit:
        return c >= u'0' && c <= u'9';
    case Token::Set:
        return inSet(t.set, c) != t.negated;
    case Token::Star:
        break;
    }
    return false;
}

} // namespace

bool likeMatch(QStringView text, QStringView pattern)
{
    const QList<Token> tokens = tokenize(pattern);
    // Greedy walk with one back-track point at the last star: linear for
    // patterns with one star, at worst text length times pattern length.
    qsizetype t = 0, p = 0;
    qsizetype starToken = -1, starText = 0;
    while (t < text.size()) {
        if (p < tokens.size() && tokens[p].kind == Token::Star) {
            starToken = p++;
            starText = t;
        } else if (p < tokens.size() && matchOne(tokens[p], text[t])) {
            ++p;
            ++t;
        } else if (starToken >= 0) {
            p = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == Token::Star)
        ++p;
    return p == tokens.size();
}

} // namespace bundlex
