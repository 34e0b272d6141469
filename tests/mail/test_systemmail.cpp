// The system-mail message and its hand-over to a sendmail program (msmtp,
// delivering to the loopback server).
#include "mail/systemmail.h"
#include "tests/mail/mailtestutil.h"

#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

mail::SystemMessage sample()
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Glyphora 010;}}\\f0 \\'d8\\'91ns'k\\par}";
    QByteArray font;
    for (int i = 0; i < 5000; ++i)
        font += static_cast<char>(i * 31 % 256);
    return {u" reader@example.com"_s, u"Desh \u0926\u0947\u0936"_s, mail::noteText(true),
            {{u"Desh \u0926\u0947\u0936.RTF"_s, rtf, u"application/rtf"_s}, {u"GO10.TTF"_s, font}}};
}

void expectParsesAs(const QJsonObject &parsed, const mail::SystemMessage &m)
{
    EXPECT_EQ(parsed[u"headers"_s][u"Subject"_s].toString().toStdString(), m.subject.toStdString());
    EXPECT_EQ(parsed[u"headers"_s][u"To"_s].toString().trimmed(), m.to.trimmed());
    EXPECT_TRUE(parsed[u"defects"_s].toArray().isEmpty());
    const QJsonArray parts = parsed[u"parts"_s].toArray();
    ASSERT_EQ(parts.size(), 1 + m.attachments.size());
    EXPECT_EQ(parts[0][u"type"_s].toString(), u"text/plain"_s);
    EXPECT_EQ(QString::fromUtf8(QByteArray::fromBase64(parts[0][u"data"_s].toString().toLatin1())), m.note);
    for (int i = 0; i < m.attachments.size(); ++i) {
        const QJsonValue p = parts[i + 1];
        // Readers drop blanks round a file name.
        EXPECT_EQ(p[u"filename"_s].toString().toStdString(), m.attachments[i].fileName.trimmed().toStdString());
        EXPECT_EQ(QByteArray::fromBase64(p[u"data"_s].toString().toLatin1()), m.attachments[i].data);
        EXPECT_TRUE(p[u"defects"_s].toArray().isEmpty());
    }
}

} // namespace

TEST(SystemMail, MessageParsesWithAttachmentsIntact)
{
    const mail::SystemMessage m = sample();
    const QByteArray bytes = mail::buildSystemMessage(m);
    for (const QByteArray &line : bytes.split('\n'))
        EXPECT_LE(line.size(), 998);
    expectParsesAs(parseWithPython(bytes), m);

    // A subject with line breaks stays one header.
    mail::SystemMessage evil = m;
    evil.subject = u"Hi\r\nBcc: someone@example.com"_s;
    const QByteArray evilBytes = mail::buildSystemMessage(evil);
    EXPECT_FALSE(evilBytes.contains("\r\nBcc:"));
}

TEST(SystemMail, EverySubjectReadsBackFromAWellFormedMessage)
{
    QByteArray upper;
    for (int c = 0x20; c <= 0xFF; ++c)
        upper += static_cast<char>(c);
    const QStringList subjects = {
        {}, u"Patra"_s, glyphText(upper), QString(300, u'x'), u"=?UTF-8?Q?x?= देश"_s,
        u"देश "_s.repeated(40), u" lead"_s,
    };
    const mail::SystemMessage base = sample();
    std::vector<mail::SystemMessage> messages;
    QList<QByteArray> bytes;
    for (const QString &subject : subjects) {
        for (const bool withFont : {true, false}) {
            mail::SystemMessage m = base;
            m.subject = subject;
            m.note = mail::noteText(withFont);
            m.attachments[0].fileName = subject + u".RTF"_s;
            if (!withFont)
                m.attachments.removeLast();
            bytes << mail::buildSystemMessage(m);
            messages.push_back(m);
        }
    }
    const QJsonArray parsed = parseAllWithPython(bytes);
    ASSERT_EQ(parsed.size(), bytes.size());
    for (size_t i = 0; i < messages.size(); ++i) {
        const QJsonObject p = parsed[static_cast<qsizetype>(i)].toObject();
        const std::string what = messages[i].subject.toStdString();
        expectWellFormed(p, what);
        expectParsesAs(p, messages[i]);
    }
}

TEST(SystemMail, ThroughMsmtpToALoopbackServer)
{
    SmtpPeer peer(u"accept"_s);
    ASSERT_TRUE(peer.ok());
    QTemporaryDir dir;
    const QString sendmail = msmtpWrapper(dir, peer.port());
    const mail::SystemMessage m = sample();
    QString error;
    ASSERT_TRUE(mail::submitToSendmail(sendmail, mail::buildSystemMessage(m), &error)) << error.toStdString();
    ASSERT_EQ(peer.messageCount(), 1);
    EXPECT_EQ(peer.envelope()[u"rcpt_tos"_s].toArray().first().toString(), u"reader@example.com"_s);
    expectParsesAs(parseWithPython(peer.outDir() + u"/msg-1.eml"_s), m);
}

TEST(SystemMail, FailuresCarryTheirReason)
{
    QString error;
    EXPECT_FALSE(mail::submitToSendmail(u"/nonexistent/sendmail"_s, "x", &error));
    EXPECT_TRUE(error.contains(u"/nonexistent/sendmail"_s));

    EXPECT_FALSE(mail::submitToSendmail(u"/bin/false"_s, "x", &error));
    EXPECT_TRUE(error.contains(u"exit status 1"_s)) << error.toStdString();

    SmtpPeer refusing(u"rcpt550"_s);
    ASSERT_TRUE(refusing.ok());
    QTemporaryDir dir;
    EXPECT_FALSE(mail::submitToSendmail(msmtpWrapper(dir, refusing.port()), mail::buildSystemMessage(sample()), &error));
    EXPECT_TRUE(error.contains(u"550"_s)) << error.toStdString();
}

TEST(SystemMail, FileNames)
{
    for (const char *ok : {"Letter.RTF", "Patra 2024.RTF", ".RTF", "a.b.RTF"})
        EXPECT_TRUE(mail::isValidFileName(QString::fromLatin1(ok))) << ok;
    for (const char *bad : {"", "a/b.RTF", "../x.RTF", "a\\b.RTF", "what?.RTF", "a:b.RTF", "a*b", "\"q\"", "<a>", "a|b", "a\tb", ".."})
        EXPECT_FALSE(mail::isValidFileName(QString::fromLatin1(bad))) << bad;
}
