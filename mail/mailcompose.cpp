// The mail layouts around the HTML body: a single text/html part, or a
// multipart message that carries the program's font file too. The HTML part
// goes out as what it is: glyph codes, that is Windows-1252 bytes, in
// quoted-printable, so that a relay without 8-bit support cannot alter the
// Hindi text and no line grows past what servers accept. Without the header
// lines the HTML comes as it is, not transfer-encoded.
#include "mail/htmlparse.h"
#include "mail/mailtext.h"

#include "settings/paths.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const QString crlf = u"\r\n"_s;
const QString outerBoundary = u"----=_NextPart_000_0007_01BEC477.09463160"_s;
const QString innerBoundary = u"----=_NextPart_001_0008_01BEC477.09463160"_s;

QString fontAttachmentPath()
{
    return kalamora::programFolder() + u"/FNT.ATT"_s;
}

QString rule()
{
    return QString(66, u'-');
}

// The HTML part's text in glyph-code bytes, quoted-printable (plain ASCII, so
// it stands in the mail text as it will be sent).
QString quotedPrintableBody(const QString &html)
{
    return QString::fromLatin1(mail::quotedPrintable(mail::encodeMailText(html)));
}

QString subjectLine(const QString &subject)
{
    return u"Subject: "_s + QString::fromLatin1(mail::encodeHeaderText(subject)) + crlf;
}

} // namespace

QString HTMLParse::ComposeMessage(const QString &body)
{
    if (!m_attachFont)
        return ComposeSimpleMessage(body);
    if (fontAttachmentAvailable())
        return ComposeFontMessage(body);
    notify(u"Font File Missing"_s, u"Can't Attach Font File"_s + crlf + u"FONT.ATT File Not Found"_s);
    return ComposeSimpleMessage(body);
}

QString HTMLParse::ComposeSimpleMessage(const QString &body)
{
    QString out;
    out.reserve(body.size() + 1024);
    if (!m_omitHeaders) {
        out += u"MIME-Version: 1.0"_s + crlf;
        out += u"Content-Type: text/html; charset=windows-1252"_s + crlf;
        out += u"Content-Transfer-Encoding: quoted-printable"_s + crlf;
        out += u"Status: U"_s + crlf;
        out += u"X-Mozilla-Status: 8001"_s + crlf;
        out += subjectLine(m_subject);
    }
    out += crlf;
    QString html = u"<html>"_s + crlf;
    if (m_options.fontInfo) {
        html += u"<font size=3 face=\"Arial\">"_s
                u"To read this bi-lingual mail you must have Kruti Dev 010 Font. "_s
                u"Please ask the mailer to send you the font as an attachement, "_s
                u"you can read this mail after you install the font.</font>"_s;
        html += crlf + rule() + u"<br><br>"_s;
    }
    html += body;
    out += m_omitHeaders ? html : quotedPrintableBody(html);
    return out;
}

QString HTMLParse::ComposeFontMessage(const QString &body)
{
    QString out;
    out.reserve(body.size() + 4096);
    if (!m_omitHeaders) {
        out += subjectLine(m_subject);
        out += u"MIME-Version: 1.0"_s + crlf;
        out += u"Content-Type: multipart/mixed;"_s + crlf;
        out += u"    boundary=\""_s + outerBoundary + u'"' + crlf;
        out += crlf + crlf;
        out += u"This is a multipart message in MIME format."_s + crlf + crlf;
        out += u"--"_s + outerBoundary + crlf;
        out += u"Content-Type: multipart/alternative;"_s + crlf;
        out += u"    boundary=\""_s + innerBoundary + u'"' + crlf + crlf;
        out += u"--"_s + innerBoundary + crlf;
        out += u"Content-Type: text/html;"_s + crlf;
        out += u"    charset=\"windows-1252\""_s + crlf;
        out += u"Content-Transfer-Encoding: quoted-printable"_s;
    }
    out += crlf + crlf;
    QString html = u"<html>"_s + crlf;
    if (m_options.fontInfo) {
        html += u"<font size=3 face=\"Arial\">"_s
                u"To read this bi-lingual mail you must have Kruti Dev 012 Font. "_s
                u"Please ask the mailer to send you the font as an attachement, "_s
                u"or download it from this website - "_s + QLatin1StringView(mail::FontDownloadAddress)
                + u", "_s
                u"you can read this mail after you install the font.</font>"_s;
        html += crlf + rule() + u"<br><br>"_s;
    }
    html += body + u"</HTML>"_s + crlf;
    if (m_omitHeaders)
        return out + html;
    out += quotedPrintableBody(html);

    out += u"--"_s + innerBoundary + u"--"_s + crlf + crlf;
    out += u"--"_s + outerBoundary + crlf;
    out += u"Content-Type: application/octet-stream;"_s + crlf;
    out += u"    name=\"GO10.ttf\""_s + crlf;
    out += u"Content-Transfer-Encoding: base64"_s + crlf;
    out += u"Content-Disposition: attachment;"_s + crlf;
    out += u"    filename=\"GO10.ttf\""_s + crlf + crlf;

    QFile att(fontAttachmentPath());
    if (!att.open(QIODevice::ReadOnly)) {
        notify(u"Font File Missing"_s, u"FONT.ATT File Not Found"_s);
        return out;
    }
    // FNT.ATT holds the base64 text prepared in advance, in whatever lines it
    // was stored with; it goes out in lines of 76 so no server cuts it.
    out += QString::fromLatin1(mail::wrapBase64(att.readAll()));
    out += crlf + u"--"_s + outerBoundary + u"--"_s + crlf;
    return out;
}

} // namespace kalamora
