// The mail layouts around the HTML body: a single text/html part, or a
// multipart message that carries the program's font file too.
#include "htmlparse.h"
#include "mailtext.h"

#include "paths.h"
#include "settingsstore.h"

#include <QFile>

using namespace Qt::StringLiterals;

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

bool fontInfoWanted()
{
    return SettingsStore().readString(u"FntInfo"_s, u"Yes"_s) == u"Yes"_s;
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
        out += u"Content-Type: text/html; charset=us-ascii"_s + crlf;
        out += u"Content-Transfer-Encoding: 7bit"_s + crlf;
        out += u"Status: U"_s + crlf;
        out += u"X-Mozilla-Status: 8001"_s + crlf;
        out += u"Subject: "_s + mail::headerSafe(m_subject) + crlf;
    }
    out += crlf + u"<html>"_s + crlf;
    if (fontInfoWanted()) {
        out += u"<font size=3 face=\"Arial\">"_s
               u"To read this bi-lingual mail you must have Kruti Dev 010 Font. "_s
               u"Please ask the mailer to send you the font as an attachement, "_s
               u"you can read this mail after you install the font.</font>"_s;
        out += crlf + rule() + u"<br><br>"_s;
    }
    out += body;
    return out;
}

QString HTMLParse::ComposeFontMessage(const QString &body)
{
    QString out;
    out.reserve(body.size() + 4096);
    if (!m_omitHeaders) {
        out += u"Subject: "_s + mail::headerSafe(m_subject) + crlf;
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
        out += u"    charset=\"iso-8859-1\""_s + crlf;
        out += u"Content-Transfer-Encoding: quoted-printable"_s;
    }
    out += crlf + crlf + u"<html>"_s + crlf;
    if (fontInfoWanted()) {
        out += u"<font size=3 face=\"Arial\">"_s
               u"To read this bi-lingual mail you must have Kruti Dev 012 Font. "_s
               u"Please ask the mailer to send you the font as an attachement, "_s
               u"or download it from this website - "_s + QLatin1StringView(mail::FontDownloadAddress)
               + u", "_s
               u"you can read this mail after you install the font.</font>"_s;
        out += crlf + rule() + u"<br><br>"_s;
    }
    out += body + u"</HTML>"_s + crlf;
    if (m_omitHeaders)
        return out;

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
