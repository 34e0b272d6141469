#include "mail/mailtext.h"

#include "kruti/cp1252.h"

#include <QDateTime>
#include <QList>
#include <QStringView>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kalamora::mail {

QString headerSafe(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            continue;   // the LF of the pair gives the one blank
        out += (c == u'\r' || c == u'\n') ? QChar(u' ') : c;
    }
    return out;
}

namespace {

// Header lines are kept to this length where their words allow.
constexpr qsizetype headerWidth = 76;
// Where a value starts on its first line: after "Subject: ".
constexpr qsizetype headerColumn = 9;

bool isPrintableAscii(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() <= 0x7E;
}

// True when `text` can stand in a header as it is and read back the same:
// printable ASCII, no blank at either end (a reader drops those), nothing a
// reader would take for an encoded word, no word longer than a line.
bool isPlainHeaderText(const QString &text)
{
    if (text.isEmpty())
        return true;
    if (text.front() == u' ' || text.back() == u' ' || text.contains(u"=?"_s))
        return false;
    qsizetype word = 0;
    for (const QChar c : text) {
        if (!isPrintableAscii(c))
            return false;
        word = c == u' ' ? 0 : word + 1;
        if (word > headerWidth - headerColumn)
            return false;
    }
    return true;
}

// Plain text folded before blanks; unfolding (dropping the CRLFs) gives the
// text back.
QByteArray foldPlain(const QString &text)
{
    const QList<QStringView> words = QStringView(text).split(u' ');
    QByteArray out = words.first().toLatin1();
    qsizetype width = headerColumn + out.size();
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QByteArray word = words[i].toLatin1();
        // Never before an empty word: a continuation line of blanks only is
        // not a header line.
        if (!word.isEmpty() && width + 1 + word.size() > headerWidth) {
            out += "\r\n";
            width = 0;
        }
        out += ' ' + word;
        width += 1 + word.size();
    }
    return out;
}

// RFC 2047 encoded words of UTF-8 in base64, each on its own folded line and
// short enough for one; a character is never split between two words.
QByteArray encodedWords(const QString &text)
{
    QByteArray out;
    QByteArray chunk;
    auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            len = 2;
        const QByteArray ch = text.mid(i, len).toUtf8();
        i += len - 1;
        // 39 bytes make 52 of base64: "Subject: " and the word fit in 76.
        if (chunk.size() + ch.size() > 39)
            flush();
        chunk += ch;
    }
    flush();
    return out;
}

} // namespace

QByteArray encodeHeaderText(const QString &text)
{
    const QString safe = headerSafe(text);
    return isPlainHeaderText(safe) ? foldPlain(safe) : encodedWords(safe);
}

QByteArray encodeHeaderAddress(const QString &address)
{
    const QString safe = headerSafe(address.trimmed());
    if (std::all_of(safe.cbegin(), safe.cend(), isPrintableAscii))
        return safe.toLatin1();
    return encodedWords(safe);
}

QByteArray quotedPrintable(QByteArrayView data)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const qsizetype n = data.size();
    // At most three characters a byte, and a soft break for every 25 bytes.
    QByteArray out(n * 3 + (n / 25 + 1) * 3, Qt::Uninitialized);
    char *o = out.data();
    qsizetype width = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            *o++ = '\r';
            *o++ = '\n';
            width = 0;
            continue;
        }
        const bool lineEnds = i + 1 == n || data[i + 1] == '\r' || data[i + 1] == '\n';
        bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnds);
        // "From " at the start of a line (this one, or the next when the
        // line is full) is altered by mailbox files on the way; its F is
        // sent encoded.
        if (c == 'F' && (width == 0 || width >= 75) && data.sliced(i).startsWith("From "))
            literal = false;
        const int len = literal ? 1 : 3;
        // 75 characters and the "=" of the soft break make the 76 allowed.
        if (width + len > 75) {
            *o++ = '=';
            *o++ = '\r';
            *o++ = '\n';
            width = 0;
        }
        if (literal) {
            *o++ = static_cast<char>(c);
        } else {
            *o++ = '=';
            *o++ = hex[c >> 4];
            *o++ = hex[c & 15];
        }
        width += len;
    }
    out.truncate(o - out.constData());
    return out;
}

QByteArray wrapBase64(const QByteArray &base64Text)
{
    QByteArray clean;
    clean.reserve(base64Text.size());
    for (const char c : base64Text) {
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
            clean += c;
    }
    QByteArray out;
    out.reserve(clean.size() + clean.size() / 38 + 2);
    for (qsizetype i = 0; i < clean.size(); i += 76) {
        if (i > 0)
            out += "\r\n";
        out += clean.mid(i, 76);
    }
    return out;
}

QByteArray base64Lines(const QByteArray &data)
{
    QByteArray out = wrapBase64(data.toBase64());
    if (!out.isEmpty())
        out += "\r\n";
    return out;
}

QByteArray encodeMailText(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text.at(i).unicode();
        const unsigned char code = kruti::charToGlyph(ch);
        if (code != 0 || ch == 0) {
            out += static_cast<char>(code);
            continue;
        }
        char32_t point = ch;
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            point = QChar::surrogateToUcs4(ch, text.at(i + 1).unicode());
            ++i;
        }
        out += "&#" + QByteArray::number(static_cast<uint>(point)) + ';';
    }
    return out;
}

namespace {

constexpr qsizetype maxLine = 998;

// Appends one line (without its line end) to `out`, folded before blanks
// where it is longer than a server accepts, dot-stuffed.
void appendLine(QByteArray &out, QByteArrayView line)
{
    while (true) {
        if (line.startsWith('.'))
            out += '.';
        if (line.size() <= maxLine) {
            out += line;
            out += "\r\n";
            return;
        }
        qsizetype cut = line.first(maxLine).lastIndexOf(' ');
        if (cut <= 0)
            cut = maxLine - 1;   // no blank to fold at: split where the line must end
        out += line.first(cut);
        out += "\r\n";
        line = line.sliced(cut);
    }
}

} // namespace

QByteArray smtpData(const QByteArray &message)
{
    QByteArray out;
    out.reserve(message.size() + message.size() / 50 + 8);
    qsizetype start = 0;
    const qsizetype n = message.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && message[end] != '\r' && message[end] != '\n')
            ++end;
        appendLine(out, QByteArrayView(message).sliced(start, end - start));
        if (end < n && message[end] == '\r' && end + 1 < n && message[end + 1] == '\n')
            end += 2;
        else if (end < n)
            end += 1;
        start = end;
    }
    out += ".\r\n";
    return out;
}

QByteArray smtpPath(const QString &address)
{
    QString a = address.trimmed();
    if (a.startsWith(u'<') && a.endsWith(u'>'))
        a = a.mid(1, a.size() - 2).trimmed();
    return '<' + headerSafe(a).toUtf8() + '>';
}

bool isValidMailTo(const QString &to)
{
    const QString t = to.trimmed();
    return !t.isEmpty() && t.contains(u'@') && t.contains(u'.');
}

QByteArray directMessage(const QString &mailText, const QString &from, const QString &to)
{
    QByteArray out;
    // A text that starts with its body (no header lines) gets none either.
    if (!mailText.startsWith(u"\r\n"_s)) {
        out += "From: " + encodeHeaderAddress(from) + "\r\n";
        out += "To: " + encodeHeaderAddress(to) + "\r\n";
        out += "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    }
    out += encodeMailText(mailText);
    return out;
}

} // namespace kalamora::mail
