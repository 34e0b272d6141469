// The HTML body: runs, sizes, faces, entities and paragraph ends.
#include "mail/htmlparse.h"
#include "mail/mailtext.h"
#include "tests/mail/mailtestutil.h"

#include "settings/mailsettings.h"
#include "settings/settingsstore.h"

#include <QFile>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

struct TextRun {
    QString text;
    QString font = u"Arial"_s;
    double size = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

// A document from runs; "\n" in a run's text starts a new paragraph.
void fill(QTextDocument &doc, const std::vector<TextRun> &runs)
{
    doc.setDefaultFont(QFont(u"Arial"_s, 12));
    QTextCursor c(&doc);
    for (const TextRun &r : runs) {
        QTextCharFormat f;
        f.setFontFamilies({r.font});
        f.setFontPointSize(r.size);
        f.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(r.italic);
        f.setFontUnderline(r.underline);
        f.setFontStrikeOut(r.strike);
        c.insertText(r.text, f);
    }
}

// The HTML part alone: no headers, no notice.
QString htmlOf(const std::vector<TextRun> &runs, bool attachFont = false)
{
    QTextDocument doc;
    fill(doc, runs);
    HTMLParse p(u"s"_s, {}, mail::bodyOptions(kalamora::MailSettings::read()));
    const QString mail = p.ParseHTML(doc, true, attachFont);
    const QString lead = attachFont && p.attachFont() ? u"\r\n\r\n<html>\r\n"_s : u"\r\n<html>\r\n"_s;
    EXPECT_TRUE(mail.startsWith(lead)) << mail.toStdString();
    QString html = mail.mid(lead.size());
    if (attachFont && p.attachFont())
        html.chop(QStringLiteral("</HTML>\r\n").size());
    return html;
}

class HtmlParseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetMailSettings();
        SettingsStore().writeString(u"FntInfo"_s, u"No"_s);
    }
};

} // namespace

TEST_F(HtmlParseTest, RunsBecomeFontTags)
{
    struct Case {
        const char *name;
        std::vector<TextRun> runs;
        QString html;
    };
    const std::vector<Case> cases = {
        {"one format, one tag pair", {{u"plain text"_s}}, u"<font size=\"3\" face=\"Arial\">plain text</font>"_s},
        {"bold alone splits the run", {{u"ab"_s}, {u"cd"_s, u"Arial"_s, 12, true}},
         u"<font size=\"3\" face=\"Arial\">ab</font><font size=\"3\" face=\"Arial\">cd</font>"_s},
        {"italic, underline, strike each split",
         {{u"a"_s}, {u"b"_s, u"Arial"_s, 12, false, true}, {u"c"_s, u"Arial"_s, 12, false, true, true},
          {u"d"_s, u"Arial"_s, 12, false, true, true, true}},
         u"<font size=\"3\" face=\"Arial\">a</font><font size=\"3\" face=\"Arial\">b</font>"
         u"<font size=\"3\" face=\"Arial\">c</font><font size=\"3\" face=\"Arial\">d</font>"_s},
        {"same format again does not split", {{u"ab"_s}, {u"cd"_s}}, u"<font size=\"3\" face=\"Arial\">abcd</font>"_s},
        {"Glyphora family takes the mail face", {{u"d"_s, u"Glyphora 010"_s, 20}, {u"x"_s, u"GlyphoraBold"_s, 20}},
         u"<font size=\"6\" face=\"'Glyph Ora 010', 'Glyphora 010'\">d</font><font size=\"6\" face=\"'Glyph Ora 010', 'Glyphora 010'\">x</font>"_s},
        {"other faces keep their full name", {{u"a"_s, u"Times New Roman"_s, 14}},
         u"<font size=\"4\" face=\"Times New Roman\">a</font>"_s},
        // A browser drops a face list with a name it cannot read unquoted.
        {"a face with a word that is not a name is quoted", {{u"a"_s, u"Kruti Dev 010"_s}, {u"b"_s, u"O'Neil \"X\" 2"_s}},
         u"<font size=\"3\" face=\"'Kruti Dev 010'\">a</font><font size=\"3\" face=\"'O\\'Neil &quot;X&quot; 2'\">b</font>"_s},
        {"paragraph ends are CR + <br>", {{u"one\ntwo\n\nfour"_s}},
         u"<font size=\"3\" face=\"Arial\">one\r<br>two\r<br>\r<br>four</font>"_s},
        {"a run that starts a paragraph", {{u"a\n"_s}, {u"b"_s, u"Arial"_s, 18}},
         u"<font size=\"3\" face=\"Arial\">a\r<br></font><font size=\"5\" face=\"Arial\">b</font>"_s},
        {"leading empty paragraph keeps the tag at the start", {{u"\n"_s}, {u"b"_s, u"Verdana"_s, 9}},
         u"<font size=\"1\" face=\"Verdana\">\r<br>b</font>"_s},
        {"fractions of a point do not split runs", {{u"a"_s, u"Arial"_s, 10.5}, {u"b"_s, u"Arial"_s, 10.75}},
         u"<font size=\"3\" face=\"Arial\">ab</font>"_s},
    };
    for (const Case &c : cases)
        EXPECT_EQ(htmlOf(c.runs).toStdString(), c.html.toStdString()) << c.name;
}

TEST_F(HtmlParseTest, SizeScale)
{
    const std::vector<std::pair<double, const char *>> scale = {
        {8, "1"}, {9, "1"}, {9.5, "1"}, {10, "2"}, {10.5, "3"}, {11, "3"}, {12, "3"}, {13, "4"}, {14, "4"},
        {16, "5"}, {18, "5"}, {20, "6"}, {24, "6"}, {26, "7"}, {36, "7"}, {48, "7"}, {72, "7"}};
    for (const auto &[pt, digit] : scale) {
        const QString html = htmlOf({{u"x"_s, u"Arial"_s, pt}});
        EXPECT_TRUE(html.startsWith(u"<font size=\"%1\" "_s.arg(QLatin1StringView(digit)))) << pt << " " << html.toStdString();
    }
}

TEST_F(HtmlParseTest, Entities)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {u"<"_s, u"&lt;"_s},
        {u"&"_s, u"&amp;"_s},
        {u"\""_s, u"&quot;"_s},
        {u">"_s, u"&gt;"_s},
        {u"&lt;"_s, u"&amp;lt;"_s},   // escaped once, never twice
        {u"\u00AE\u00A9"_s, u"&reg;&copy;"_s},
        {u"\u00C0\u00C1\u00C2\u00C3\u00C4"_s, u"&Agrave;&Aacute;&Acirc;&Atilde;&Auml"_s},
        {u"\u00CF\u00D0\u00DF\u00E0\u00FF"_s, u"&Iuml&ETH&szlig&agrave&yuml"_s},
        {u"\u00D7\u00F7\u00A0\u00B1\u00BF"_s, u"\u00D7\u00F7\u00A0\u00B1\u00BF"_s},   // kept
        {u"\u2018\u0081\u201D'"_s, u"\u2018\u0081\u201D'"_s},   // glyph codes of the upper half pass
    };
    for (const auto &[in, out] : cases) {
        EXPECT_EQ(HTMLParse::EscapeEntities(in).toStdString(), out.toStdString());
        EXPECT_EQ(htmlOf({{in}}).toStdString(), (u"<font size=\"3\" face=\"Arial\">"_s + out + u"</font>"_s).toStdString());
    }
}

TEST_F(HtmlParseTest, EmptyDocumentStillOpensAndClosesTheTag)
{
    EXPECT_EQ(htmlOf({}).toStdString(), "<font size=\"3\" face=\"Arial\"></font>");
}

TEST_F(HtmlParseTest, FontLayoutTagsAreEncodedOnceAndAllAlike)
{
    // The tags are plain HTML; the font layout encodes its part as a whole,
    // so the first tag and those at later format changes read alike.
    ScratchProgramDir program;
    program.write(u"FNT.ATT"_s, "AAAA\r\n");
    const std::vector<TextRun> runs = {{u"a"_s}, {u"b"_s, u"Glyphora 010"_s, 24}};
    EXPECT_EQ(htmlOf(runs, true).toStdString(),
              "<font size=\"3\" face=\"Arial\">a</font><font size=\"6\" face=\"'Glyph Ora 010', 'Glyphora 010'\">b</font>");
    {
        QTextDocument doc;
        fill(doc, runs);
        EXPECT_TRUE(HTMLParse(u"s"_s).ParseHTML(doc, false, true).remove(u"=\r\n"_s).contains(
            u"<font size=3D\"3\" face=3D\"Arial\">a</font><font size=3D\"6\" face=3D\"'Glyph Ora 010', 'Glyphora 010'\">b</font>"_s));
    }

    // Without FNT.ATT the mail falls back to the simple layout, said once,
    // and its tags take the plain forms.
    QFile::remove(program.path() + u"/FNT.ATT"_s);
    QStringList notices;
    QTextDocument doc;
    fill(doc, runs);
    HTMLParse p(u"s"_s, [&notices](const QString &t, const QString &m) { notices << t + u'|' + m; });
    const QString mail = p.ParseHTML(doc, false, true);
    EXPECT_EQ(notices, QStringList{u"Font File Missing|Can't Attach Font File\r\nFONT.ATT File Not Found"_s});
    EXPECT_TRUE(mail.startsWith(u"MIME-Version: 1.0\r\nContent-Type: text/html"_s));
    EXPECT_TRUE(QString(mail).remove(u"=\r\n"_s).endsWith(
        u"<font size=3D\"3\" face=3D\"Arial\">a</font><font size=3D\"6\" face=3D\"'Glyph Ora 010', 'Glyphora 010'\">b</font>"_s))
        << mail.toStdString();

    // The setting "AttachFnt" "No" overrides the caller: plain forms, simple layout.
    SettingsStore().writeString(u"AttachFnt"_s, u"No"_s);
    EXPECT_EQ(htmlOf(runs, true).toStdString(),
              "<font size=\"3\" face=\"Arial\">a</font><font size=\"6\" face=\"'Glyph Ora 010', 'Glyphora 010'\">b</font>");
}

TEST(MailText, SmtpDataLineEndsDotsAndLength)
{
    struct Case {
        QByteArray in;
        QByteArray out;
    };
    const std::vector<Case> cases = {
        {"a\r\nb", "a\r\nb\r\n.\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n.\r\n"},     // a final line end is not doubled
        {"a\r<br>b\nc", "a\r\n<br>b\r\nc\r\n.\r\n"},  // bare CR and LF become CRLF
        {".\r\n..x\r\n", "..\r\n...x\r\n.\r\n"},
        {"", ".\r\n"},
        {"a\r\n\r\n\r\nb", "a\r\n\r\n\r\nb\r\n.\r\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mail::smtpData(c.in).toStdString(), c.out.toStdString());

    QByteArray longLine;
    for (int i = 0; i < 300; ++i)
        longLine += "word ";
    const QByteArray data = mail::smtpData(longLine);
    for (const QByteArray &line : data.split('\n'))
        EXPECT_LE(line.size(), 999);
    QByteArray joined = data;
    joined.replace("\r\n", "");
    EXPECT_EQ(joined, longLine + ".");   // folding only adds line ends before blanks

    QByteArray noBlank(2500, 'x');
    noBlank[998] = '.';
    for (const QByteArray &line : mail::smtpData(noBlank).split('\n'))
        EXPECT_LE(line.size(), 999);
}

TEST(MailText, EncodingHeadersAndBase64)
{
    EXPECT_EQ(mail::encodeMailText(u"d\u2018\u0081\u00FFa"_s), QByteArray("d\x91\x81\xFF" "a"));
    EXPECT_EQ(mail::encodeMailText(u"\u0915\U0001F600"_s), QByteArray("&#2325;&#128512;"));
    EXPECT_EQ(mail::headerSafe(u"a\r\nBcc: x\ry\nz"_s), u"a Bcc: x y z"_s);
    EXPECT_EQ(mail::smtpPath(u"  a@b.c "_s), QByteArray("<a@b.c>"));
    EXPECT_EQ(mail::smtpPath(u"<a@b.c>"_s), QByteArray("<a@b.c>"));

    const QByteArray wrapped = mail::wrapBase64(QByteArray(200, 'A') + "\r\n" + QByteArray(10, 'B'));
    const QList<QByteArray> lines = wrapped.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QByteArray(76, 'A') + '\r');
    EXPECT_EQ(lines[2], QByteArray(48, 'A') + QByteArray(10, 'B'));
}
