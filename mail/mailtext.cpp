#include "mailtext.h"

#include "cp1252.h"

using namespace Qt::StringLiterals;

namespace mail {

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

} // namespace mail
