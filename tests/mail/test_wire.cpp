// Every mail text the program composes, as the mail programs on its way see
// it: generated documents and subjects in each layout, sent over SMTP to a
// loopback server, then parsed with Python's email package.
#include "mail/htmlparse.h"
#include "mail/mailtext.h"
#include "mail/smtpclient.h"
#include "tests/mail/mailtestutil.h"

#include <QFile>
#include <QFont>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

QByteArray everyByte()
{
    QByteArray b;
    for (int c = 0x20; c <= 0xFF; ++c)
        b += static_cast<char>(c);
    return b;
}

struct Document {
    const char *name;
    QString glyphs;   // paragraphs split by "\n", set in the program's font
};

std::vector<Document> documents()
{
    QByteArray run;   // far past the 998 bytes of an SMTP line, no blank in it
    while (run.size() < 2500)
        run += "d\x91kA\xA2=";
    return {
        {"every byte 0x20..0xFF", glyphText(everyByte())},
        {"a run without a blank", glyphText(run)},
        // Paragraphs start with "<br>" in the HTML; soft breaks in the run of
        // full stops start lines with one.
        {"lines that start with a full stop or From", u".\n..\n.d\u2018\nFrom d\n. x\n"_s + QString(200, u'.')},
        {"empty", {}},
        {"blanks at line ends", u"d \nk\t\n   \n=\n"_s},
    };
}

const QStringList subjects = {
    {},
    u"Patra"_s,
    glyphText(everyByte()),
    QString(300, u'x'),
    u"=?UTF-8?B?eA==?= stays literal"_s,
    u"  blanks round it  "_s,
    u"\u0926\u0947\u0936 \U0001F600 mixed"_s,
    u"Hi\r\nBcc: victim@example.com"_s,
    (u"word "_s.repeated(40)).trimmed(),
};

struct Layout {
    const char *name;
    bool attachFont;
    bool fontInfo;
    bool fontFile;   // FNT.ATT in the program folder
};

const std::vector<Layout> layouts = {
    {"simple", false, true, false},
    {"simple without notice", false, false, false},
    {"font", true, true, true},
    {"font without notice", true, false, true},
    {"font asked, FNT.ATT missing", true, true, false},
};

QByteArray fontBytes()
{
    QByteArray b;
    for (int i = 0; i < 4000; ++i)
        b += static_cast<char>(i * 131 % 256);
    return b;
}

// The document in the program's font, with a closing paragraph in another
// face, so later tags carry "=" too.
void fill(QTextDocument &doc, const QString &glyphs)
{
    doc.setDefaultFont(QFont(u"Glyphora 010"_s, 20));
    doc.setPlainText(glyphs);
    if (glyphs.isEmpty())
        return;
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::End);
    QTextCharFormat arial;
    arial.setFontFamilies({u"Arial"_s});
    arial.setFontPointSize(11);
    c.insertText(u"\nsize=3 a=b"_s, arial);
}

// Line ends as SMTP carries them, without the last.
QByteArray canonical(QByteArray text)
{
    text.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    if (text.endsWith("\r\n"))
        text.chop(2);
    return text;
}

// The upper-half glyph codes of `glyphs` that reach the HTML as they are
// (the others become named entities).
std::set<unsigned char> rawUpperHalf(const QString &glyphs)
{
    std::set<unsigned char> out;
    for (const char c : mail::encodeMailText(HTMLParse::EscapeEntities(glyphs))) {
        if (static_cast<unsigned char>(c) >= 0x80)
            out.insert(static_cast<unsigned char>(c));
    }
    return out;
}

struct Sent {
    std::string what;
    QString subject;
    QByteArray bytes;      // as handed to the SMTP client
    QByteArray html;       // the HTML part as a reader decodes it
    std::set<unsigned char> glyphs;
    bool fontLayout;
};

} // namespace

TEST(MailWire, MailDeclaresWhatItDoesNotSend)
{
    resetMailSettings();
    SmtpPeer peer(u"accept"_s);
    ASSERT_TRUE(peer.ok());
    ScratchProgramDir program;
    const QByteArray font = fontBytes();
    std::vector<Sent> sent;

    size_t n = 0;
    for (const Layout &layout : layouts) {
        QFile::remove(program.path() + u"/FNT.ATT"_s);
        if (layout.fontFile)
            program.write(u"FNT.ATT"_s, font.toBase64());
        for (const Document &d : documents()) {
            const QString subject = subjects[n++ % subjects.size()];
            QTextDocument doc;
            fill(doc, d.glyphs);
            const HTMLParse::Notify quiet = [](const QString &, const QString &) {};
            const mail::BodyOptions options{.fontInfo = layout.fontInfo};
            const QString mailText = HTMLParse(subject, quiet, options).ParseHTML(doc, false, layout.attachFont);
            // The same conversion without header lines is the HTML itself.
            QByteArray html =
                mail::encodeMailText(HTMLParse(subject, quiet, options).ParseHTML(doc, true, layout.attachFont));
            html = canonical(html.mid(html.indexOf('<')));
            const QByteArray bytes = mail::directMessage(mailText, u"writer@example.com"_s, u"reader@example.com"_s);
            const std::string what = std::string(layout.name) + " / " + d.name;

            SmtpClient client;
            client.setServer(peer.server());
            client.setSender(u"writer@example.com"_s);
            client.setRecipient(u"reader@example.com"_s);
            client.setHeloName(u"kalamora-test"_s);
            client.setTimeout(5000);
            ASSERT_TRUE(client.send(bytes)) << what << ": " << client.failure().text.toStdString();
            sent.push_back({what, subject, bytes, html, rawUpperHalf(d.glyphs), layout.fontFile});
        }
    }

    ASSERT_EQ(peer.messageCount(), static_cast<int>(sent.size()));
    QList<QByteArray> received;
    for (int i = 1; i <= peer.messageCount(); ++i)
        received << peer.message(i);
    const QJsonArray parsed = parseAllWithPython(received);
    ASSERT_EQ(parsed.size(), static_cast<qsizetype>(sent.size()));

    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [](const Sent &s) { return s.bytes.contains("\r\n."); }));
    for (size_t i = 0; i < sent.size(); ++i) {
        const Sent &s = sent[i];
        const QJsonObject m = parsed[static_cast<qsizetype>(i)].toObject();
        // Line ends and leading full stops arrive as they left: the SMTP
        // transfer is transparent, and nothing had to be folded.
        EXPECT_EQ(received[static_cast<qsizetype>(i)], s.bytes.endsWith("\r\n") ? s.bytes : s.bytes + "\r\n") << s.what;
        expectWellFormed(m, s.what);
        EXPECT_EQ(m[u"headers"_s][u"Subject"_s].toString().toStdString(), mail::headerSafe(s.subject).toStdString())
            << s.what;

        const QJsonArray parts = m[u"parts"_s].toArray();
        ASSERT_EQ(parts.size(), s.fontLayout ? 2 : 1) << s.what;
        const QJsonValue htmlPart = parts[0];
        EXPECT_EQ(htmlPart[u"type"_s].toString().toStdString(), "text/html") << s.what;
        EXPECT_EQ(htmlPart[u"charset"_s].toString().toStdString(), "windows-1252") << s.what;
        EXPECT_EQ(htmlPart[u"cte"_s].toString().toStdString(), "quoted-printable") << s.what;
        const QByteArray html = canonical(partData(htmlPart));
        EXPECT_EQ(html.toStdString(), s.html.toStdString()) << s.what;
        for (const unsigned char g : s.glyphs)
            EXPECT_TRUE(html.contains(static_cast<char>(g))) << s.what << ": glyph " << int(g) << " lost";
        if (s.fontLayout) {
            EXPECT_EQ(parts[1][u"filename"_s].toString(), u"GO10.ttf"_s) << s.what;
            EXPECT_EQ(partData(parts[1]), font) << s.what;
        }
    }
}

TEST(MailWire, QuotedPrintableAndHeaderForms)
{
    struct Qp {
        QByteArray in;
        QByteArray out;
    };
    const std::vector<Qp> qp = {
        {"a=b\x91\xFF", "a=3Db=91=FF"},
        {"end \r\nblank\t", "end=20\r\nblank=09"},               // blanks at line ends are encoded
        {"cr\rlf\ncrlf\r\n", "cr\r\nlf\r\ncrlf\r\n"},           // every line end is one CRLF
        {"From me\r\nFromage", "=46rom me\r\nFromage"},
        {".\r\n..", ".\r\n.."},                                 // dot-stuffing is the transfer's job
        {QByteArray(74, 'x') + "\xE9", QByteArray(74, 'x') + "=\r\n=E9"},   // a triple is never split
        {QByteArray(80, 'x'), QByteArray(75, 'x') + "=\r\n" + QByteArray(5, 'x')},
    };
    for (const Qp &c : qp)
        EXPECT_EQ(mail::quotedPrintable(c.in).toStdString(), c.out.toStdString()) << c.in.toStdString();

    struct Header {
        QString in;
        QByteArray out;
    };
    const std::vector<Header> headers = {
        {u"Patra"_s, "Patra"},
        {{}, ""},
        {u"d\u2018"_s, "=?UTF-8?B?ZOKAmA==?="},
        {u" x"_s, "=?UTF-8?B?IHg=?="},
        {u"a=?b"_s, "=?UTF-8?B?YT0/Yg==?="},
        {u"a\r\nb"_s, "a b"},
    };
    for (const Header &c : headers)
        EXPECT_EQ(mail::encodeHeaderText(c.in).toStdString(), c.out.toStdString()) << c.in.toStdString();
    EXPECT_EQ(mail::encodeHeaderAddress(u"  reader@example.com "_s), QByteArray("reader@example.com"));
}
