// The message layouts around the HTML body, and what a real MIME parser makes
// of them.
#include "mail/htmlparse.h"
#include "mail/mailtext.h"
#include "tests/mail/mailtestutil.h"

#include "settings/settingsstore.h"

#include <QFile>
#include <QJsonArray>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

const QString notice010 =
    u"<font size=3 face=\"Arial\">To read this bi-lingual mail you must have Kruti Dev 010 Font. Please ask the "
    u"mailer to send you the font as an attachement, you can read this mail after you install the font.</font>"_s;
const QString rule = QString(66, u'-');

struct Notices {
    QStringList seen;
    HTMLParse::Notify fn() { return [this](const QString &title, const QString &text) { seen << title + u'|' + text; }; }
};

class ComposeTest : public ::testing::Test {
protected:
    void SetUp() override { resetMailSettings(); }
};

// Deterministic bytes standing for the font file.
QByteArray fontBytes()
{
    QByteArray b;
    for (int i = 0; i < 3001; ++i)
        b += static_cast<char>((i * 7 + i / 13) & 0xFF);
    return b;
}

// FNT.ATT as it is prepared: base64 in lines of 64 with CRLF.
QByteArray fontAttText(const QByteArray &font)
{
    const QByteArray b64 = font.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b64.size(); i += 64)
        out += b64.mid(i, 64) + "\r\n";
    return out;
}

} // namespace

TEST_F(ComposeTest, SimpleLayout)
{
    HTMLParse p(u"Namaste"_s, {}, {.fontInfo = false});
    EXPECT_EQ(p.ComposeSimpleMessage(u"<b a=\"1\">\u2018</b>"_s).toStdString(),
              "MIME-Version: 1.0\r\nContent-Type: text/html; charset=windows-1252\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n"
              "Status: U\r\nX-Mozilla-Status: 8001\r\nSubject: Namaste\r\n\r\n<html>\r\n<b a=3D\"1\">=91</b>");

    HTMLParse withNotice(u"Namaste"_s);
    withNotice.setOmitHeaders(true);
    EXPECT_EQ(withNotice.ComposeSimpleMessage(u"BODY"_s), u"\r\n<html>\r\n"_s + notice010 + u"\r\n"_s + rule + u"<br><br>BODY"_s);

    // An ASCII subject is copied as it stands, but can never start a header
    // of its own.
    HTMLParse empty{QString()};
    EXPECT_TRUE(empty.ComposeSimpleMessage(u"B"_s).contains(u"\r\nSubject: \r\n\r\n<html>"_s));
    HTMLParse injected(u"Hi\r\nBcc: victim@example.com"_s);
    const QString mail = injected.ComposeSimpleMessage(u"B"_s);
    EXPECT_TRUE(mail.contains(u"\r\nSubject: Hi Bcc: victim@example.com\r\n"_s));
    EXPECT_FALSE(mail.contains(u"\r\nBcc:"_s));
}

TEST_F(ComposeTest, FontLayoutParsesWithTheFontIntact)
{
    ScratchProgramDir program;
    const QByteArray font = fontBytes();
    program.write(u"FNT.ATT"_s, fontAttText(font));

    HTMLParse p(u"Patra"_s);
    p.setAttachFont(true);
    const QString mail = p.ComposeMessage(u"<font size=\"3\" face=\"Arial\">x</font>"_s);

    EXPECT_TRUE(mail.startsWith(u"Subject: Patra\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed;\r\n"
                                u"    boundary=\"----=_NextPart_000_0007_01BEC477.09463160\"\r\n\r\n\r\n"
                                u"This is a multipart message in MIME format.\r\n\r\n"_s));
    EXPECT_TRUE(mail.contains(u"    charset=\"windows-1252\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                              u"<html>\r\n<font size=3D3 face=3D\"Arial\">To read this"_s));
    EXPECT_TRUE(mail.contains(u"x</font></HTML>\r\n------=_NextPart_001_0008_01BEC477.09463160--\r\n\r\n"_s));
    EXPECT_TRUE(mail.endsWith(u"\r\n------=_NextPart_000_0007_01BEC477.09463160--\r\n"_s));
    for (const QString &line : mail.split(u"\r\n"_s))
        EXPECT_LE(line.size(), 998);

    const QJsonObject parsed = parseWithPython(mail.toLatin1());
    EXPECT_EQ(parsed[u"headers"_s][u"Subject"_s].toString(), u"Patra"_s);
    EXPECT_EQ(parsed[u"content_type"_s].toString(), u"multipart/mixed"_s);
    const QJsonArray parts = parsed[u"parts"_s].toArray();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0][u"type"_s].toString(), u"text/html"_s);
    const QByteArray html = QByteArray::fromBase64(parts[0][u"data"_s].toString().toLatin1());
    EXPECT_TRUE(html.contains("or download it from this website - https://kalamora.org/fonts, you can read this mail"));
    EXPECT_TRUE(html.contains("<font size=\"3\" face=\"Arial\">x")) << html.toStdString();
    EXPECT_EQ(parts[1][u"filename"_s].toString(), u"GO10.ttf"_s);
    EXPECT_EQ(QByteArray::fromBase64(parts[1][u"data"_s].toString().toLatin1()), font);
    EXPECT_TRUE(parts[1][u"defects"_s].toArray().isEmpty());
}

TEST_F(ComposeTest, FontLayoutWithoutHeadersEndsAfterTheHtml)
{
    ScratchProgramDir program;
    program.write(u"FNT.ATT"_s, "AAAA");
    HTMLParse p(u"S"_s, {}, {.fontInfo = false});
    p.setAttachFont(true);
    p.setOmitHeaders(true);
    EXPECT_EQ(p.ComposeMessage(u"B"_s), u"\r\n\r\n<html>\r\nB</HTML>\r\n"_s);
}

TEST_F(ComposeTest, MissingFontFile)
{
    ScratchProgramDir program;   // holds no FNT.ATT
    Notices notices;
    HTMLParse p(u"S"_s, notices.fn(), {.fontInfo = false});
    p.setAttachFont(true);
    const QString mail = p.ComposeMessage(u"B"_s);
    EXPECT_TRUE(mail.startsWith(u"MIME-Version: 1.0\r\nContent-Type: text/html"_s));   // fell back to the simple layout
    EXPECT_EQ(notices.seen, QStringList{u"Font File Missing|Can't Attach Font File\r\nFONT.ATT File Not Found"_s});

    // The file gone between the check and the read: the font layout ends
    // after the attachment headers.
    notices.seen.clear();
    const QString cut = p.ComposeFontMessage(u"B"_s);
    EXPECT_TRUE(cut.endsWith(u"    filename=\"GO10.ttf\"\r\n\r\n"_s));
    EXPECT_EQ(notices.seen, QStringList{u"Font File Missing|FONT.ATT File Not Found"_s});
}

TEST_F(ComposeTest, WholeConversionParsesAsHtmlMail)
{
    QTextDocument doc;
    doc.setDefaultFont(QFont(u"Glyphora 010"_s, 20));
    doc.setPlainText(u"d\u2018 & <b>\nnwljh iafDr"_s);
    HTMLParse p(u"Hindi"_s);
    const QString mail = p.ParseHTML(doc, false, false);
    const QJsonObject parsed = parseWithPython(mail::encodeMailText(mail));
    EXPECT_EQ(parsed[u"content_type"_s].toString(), u"text/html"_s);
    EXPECT_EQ(parsed[u"headers"_s][u"Subject"_s].toString(), u"Hindi"_s);
    const QByteArray body = QByteArray::fromBase64(parsed[u"parts"_s][0][u"data"_s].toString().toLatin1());
    EXPECT_TRUE(body.contains("<font size=\"6\" face=\"'Glyph Ora 010', 'Glyphora 010'\">d\x91 &amp; &lt;b&gt;\r")) << body.toStdString();
    EXPECT_TRUE(body.contains("<br>nwljh iafDr</font>")) << body.toStdString();
}

TEST_F(ComposeTest, ProgramFontFileTravelsIntact)
{
    const QString folder = qEnvironmentVariable("KALAMORA_PROGRAM_DIR");
    QFile font(folder + u"/GO10.TTF"_s);
    if (folder.isEmpty() || !QFile::exists(folder + u"/FNT.ATT"_s) || !font.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "GO10.TTF and FNT.ATT are not built in the program folder";
    HTMLParse p(u"Font"_s);
    p.setAttachFont(true);
    const QString mail = p.ComposeMessage(u"x"_s);
    const QJsonArray parts = parseWithPython(mail.toLatin1())[u"parts"_s].toArray();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(QByteArray::fromBase64(parts[1][u"data"_s].toString().toLatin1()), font.readAll());
}
