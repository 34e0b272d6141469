// The SMTP dialogue against a real server on loopback: delivery, and each
// fault ending in its own message with no false success.
#include "mail/htmlparse.h"
#include "mail/mailtext.h"
#include "mail/smtpclient.h"
#include "tests/mail/mailtestutil.h"

#include "settings/settingsstore.h"

#include <QJsonArray>
#include <QTcpServer>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

struct Dialogue {
    QStringList statuses;
    bool sent = false;
    SmtpClient::Failure failure;
};

Dialogue run(const QString &server, const QByteArray &message, int timeoutMs = 5000,
             const QString &to = u"reader@example.com"_s)
{
    SmtpClient client;
    Dialogue d;
    QObject::connect(&client, &SmtpClient::statusChanged, [&d](const QString &s) { d.statuses << s; });
    client.setServer(server);
    client.setSender(u"writer@example.com"_s);
    client.setRecipient(to);
    client.setTimeout(timeoutMs);
    client.setHeloName(u"kalamora-test"_s);
    d.sent = client.send(message);
    d.failure = client.failure();
    return d;
}

class SmtpTest : public ::testing::Test {
protected:
    void SetUp() override { resetMailSettings(); }
};

} // namespace

TEST_F(SmtpTest, DeliversAHindiDocument)
{
    SmtpPeer peer(u"accept"_s);
    ASSERT_TRUE(peer.ok());

    QTextDocument doc;
    doc.setDefaultFont(QFont(u"Glyphora 010"_s, 20));
    doc.setPlainText(u"Hkkjr \u2018egku\u2019 ns'k gS\n.\n..ikap\nvafre iafDr\n"_s);
    const QString mail = HTMLParse(u"Bharat"_s).ParseHTML(doc, false, false);
    const QByteArray bytes = mail::encodeMailText(mail);

    const Dialogue d = run(peer.server(), bytes, 5000, u"  reader@example.com "_s);
    ASSERT_TRUE(d.sent) << d.failure.text.toStdString();
    EXPECT_EQ(d.statuses.first(), u"Connecting To Mail Server"_s);
    for (const char *s : {"Connected", "Sending Mail Information", "Hailing Server", "Sending Mail", "Mail Sent Quitting"})
        EXPECT_TRUE(d.statuses.contains(QString::fromLatin1(s))) << s;
    EXPECT_EQ(d.statuses.last(), u"Mail Sent"_s);

    ASSERT_EQ(peer.messageCount(), 1);
    const QJsonObject env = peer.envelope();
    EXPECT_EQ(env[u"mail_from"_s].toString(), u"writer@example.com"_s);
    EXPECT_EQ(env[u"rcpt_tos"_s].toArray().first().toString(), u"reader@example.com"_s);
    EXPECT_EQ(env[u"helo"_s].toString(), u"kalamora-test"_s);

    // What arrives is the message with CRLF line ends; lines of a lone "."
    // and of ".." survive the transfer.
    QByteArray expected = bytes;
    expected.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    expected += "\r\n";
    EXPECT_EQ(peer.message().toStdString(), expected.toStdString());

    const QJsonObject parsed = parseWithPython(peer.outDir() + u"/msg-1.eml"_s);
    EXPECT_EQ(parsed[u"headers"_s][u"Subject"_s].toString(), u"Bharat"_s);
    EXPECT_EQ(parsed[u"content_type"_s].toString(), u"text/html"_s);
    const QByteArray body = QByteArray::fromBase64(parsed[u"parts"_s][0][u"data"_s].toString().toLatin1());
    EXPECT_TRUE(body.contains("face=\"'Glyph Ora 010', 'Glyphora 010'\">Hkkjr \x91" "egku\x92 ns'k gS\r\n<br>.\r\n<br>..ikap")) << body.toStdString();
}

TEST_F(SmtpTest, ServerFaultsEachGiveTheirMessage)
{
    struct Case {
        const char *mode;
        const char *title;
        const char *textPart;
        int timeoutMs;
    };
    const std::vector<Case> cases = {
        {"rcpt550", "Invalid Recipient", "Recipient Not Valid, Could Not Send Mail", 5000},
        {"mail451", "Mail Not Sent", "\"451 4.3.0 Mailbox temporarily unavailable\" To MAIL FROM", 5000},
        {"data554", "Mail Not Sent", "\"554 5.6.0 Message rejected\" To The Message", 5000},
        {"silent", "Server Time Out", "No Data Recieved From Server", 400},
        {"drop", "Error", "closed", 5000},
    };
    for (const Case &c : cases) {
        SmtpPeer peer(QString::fromLatin1(c.mode));
        ASSERT_TRUE(peer.ok()) << c.mode;
        const Dialogue d = run(peer.server(), "Subject: x\r\n\r\nbody\r\n", c.timeoutMs);
        EXPECT_FALSE(d.sent) << c.mode;
        EXPECT_EQ(d.failure.title.toStdString(), c.title) << c.mode;
        EXPECT_TRUE(d.failure.text.contains(QString::fromLatin1(c.textPart))) << c.mode << ": " << d.failure.text.toStdString();
        EXPECT_FALSE(d.statuses.contains(u"Mail Sent"_s)) << c.mode;
        EXPECT_FALSE(d.statuses.contains(u"Mail Sent Quitting"_s)) << c.mode;
        EXPECT_EQ(peer.messageCount(), 0) << c.mode;
    }
}

TEST_F(SmtpTest, ConnectionFailures)
{
    // Nothing listens on a port we just gave up.
    quint16 freePort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        freePort = probe.serverPort();
    }
    Dialogue refused = run(u"127.0.0.1:%1"_s.arg(freePort), "x", 3000);
    EXPECT_FALSE(refused.sent);
    EXPECT_EQ(refused.failure.title, u"Error"_s);
    EXPECT_EQ(refused.failure.status, u"Connection Failed"_s);

    Dialogue unknown = run(u"no-such-host.invalid"_s, "x", 3000);
    EXPECT_FALSE(unknown.sent);
    EXPECT_EQ(unknown.failure.title, u"Connection Error"_s);
    EXPECT_EQ(unknown.failure.text, u"Cannot Connect To Server"_s);
}

TEST(SmtpClientServer, HostAndPort)
{
    SmtpClient c;
    c.setServer(u" mail.example.com "_s);
    EXPECT_EQ(c.host(), u"mail.example.com"_s);
    EXPECT_EQ(c.port(), 25);
    c.setServer(u"127.0.0.1:2525"_s);
    EXPECT_EQ(c.host(), u"127.0.0.1"_s);
    EXPECT_EQ(c.port(), 2525);
    c.setServer(u"::1"_s);
    EXPECT_EQ(c.host(), u"::1"_s);
    EXPECT_EQ(c.port(), 25);
}
