// The SMTP dialogue against scripted in-process servers: replies in several
// lines and in pieces, the order of commands, and the ends of the dialogue
// after the message.
#include "mail/smtpclient.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

// Answers each command line with the next scripted reply; an empty reply
// closes the connection instead. The message after DATA is collected whole.
class ScriptedServer : public QObject {
public:
    explicit ScriptedServer(QList<QByteArray> replies) : m_replies(std::move(replies))
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            connect(m_socket, &QTcpSocket::readyRead, this, &ScriptedServer::onRead);
            // The greeting in two lines, the second a moment later.
            m_socket->write("220-mail.example.com first line\r\n");
            QTimer::singleShot(20, m_socket, [this] { m_socket->write("220 ready\r\n"); });
        });
    }
    QString server() const { return u"127.0.0.1:%1"_s.arg(m_server.serverPort()); }
    QList<QByteArray> commands;
    QByteArray message;

private:
    void onRead()
    {
        m_buffer += m_socket->readAll();
        while (true) {
            if (m_inData) {
                const qsizetype end = m_buffer.indexOf("\r\n.\r\n");
                if (end < 0)
                    return;
                message = m_buffer.left(end + 2);
                m_buffer.remove(0, end + 5);
                m_inData = false;
                reply();
                continue;
            }
            const qsizetype nl = m_buffer.indexOf("\r\n");
            if (nl < 0)
                return;
            commands << m_buffer.left(nl);
            m_inData = m_buffer.left(nl) == "DATA";
            m_buffer.remove(0, nl + 2);
            reply();
        }
    }
    void reply()
    {
        const QByteArray r = m_replies.isEmpty() ? QByteArray() : m_replies.takeFirst();
        if (r.isEmpty()) {
            m_socket->disconnectFromHost();
            return;
        }
        // Each reply leaves in two pieces.
        m_socket->write(r.left(2));
        m_socket->flush();
        QTimer::singleShot(5, m_socket, [this, rest = r.mid(2)] { m_socket->write(rest); });
    }

    QTcpServer m_server;
    QTcpSocket *m_socket = nullptr;
    QList<QByteArray> m_replies;
    QByteArray m_buffer;
    bool m_inData = false;
};

bool send(ScriptedServer &server, SmtpClient::Failure *failure = nullptr)
{
    SmtpClient client;
    client.setServer(server.server());
    client.setSender(u"writer@example.com"_s);
    client.setRecipient(u"reader@example.com"_s);
    client.setHeloName(u"kalamora-test"_s);
    client.setTimeout(3000);
    const bool sent = client.send("Subject: s\r\n\r\n.hidden\r\nbody");
    if (failure)
        *failure = client.failure();
    return sent;
}

} // namespace

TEST(SmtpScript, MultiLineAndSplitReplies)
{
    ScriptedServer server({"250-mail.example.com\r\n250 HELP\r\n", "250 OK\r\n", "250 OK\r\n",
                           "354 go ahead\r\n", "250 queued\r\n", "221 bye\r\n"});
    ASSERT_TRUE(send(server));
    const QList<QByteArray> expected = {"HELO kalamora-test", "MAIL FROM:<writer@example.com>",
                                        "RCPT TO:<reader@example.com>", "DATA", "QUIT"};
    EXPECT_EQ(server.commands, expected);
    EXPECT_EQ(server.message, QByteArray("Subject: s\r\n\r\n..hidden\r\nbody\r\n"));
}

TEST(SmtpScript, EndsOfTheDialogue)
{
    // Accepted, then the server goes away without answering QUIT: sent.
    ScriptedServer closesAfterAccepting({"250 hi\r\n", "250 OK\r\n", "250 OK\r\n", "354 go\r\n", "250 queued\r\n", ""});
    EXPECT_TRUE(send(closesAfterAccepting));

    // The connection drops before the message is answered: not sent.
    ScriptedServer dropsTheMessage({"250 hi\r\n", "250 OK\r\n", "250 OK\r\n", "354 go\r\n", ""});
    SmtpClient::Failure f;
    EXPECT_FALSE(send(dropsTheMessage, &f));
    EXPECT_EQ(f.title, u"Error"_s);
    EXPECT_EQ(f.status, u"Connection Failed"_s);
    EXPECT_FALSE(dropsTheMessage.commands.contains("QUIT"));

    // A refusal of HELO stops the dialogue there.
    ScriptedServer refusesHelo({"502 no HELO here\r\n"});
    EXPECT_FALSE(send(refusesHelo, &f));
    EXPECT_TRUE(f.text.contains(u"\"502 no HELO here\" To HELO"_s)) << f.text.toStdString();
    EXPECT_EQ(refusesHelo.commands, QList<QByteArray>{"HELO kalamora-test"});
}
