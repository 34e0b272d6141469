// kalamora mime and kalamora send as a user runs them.
#include "mailtestutil.h"

#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct CliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

CliRun kalamora(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("KALAMORA_PROGRAM_DIR") + u"/kalamora"_s, args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// A Hindi document in glyph codes (Windows-1252 bytes), with a line that
// begins with a full stop.
QString hindiDocument(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(u"patra.txt"_s);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("Hkkjr \x91" "egku\x92 ns'k gS\n.\nvki dSls gSa\xA1\n");
    return path;
}

} // namespace

TEST(MailCli, SendDeliversAndFaultsFail)
{
    resetMailSettings();
    QTemporaryDir dir;
    const QString doc = hindiDocument(dir);

    SmtpPeer peer(u"accept"_s);
    ASSERT_TRUE(peer.ok());
    const CliRun ok = kalamora({u"send"_s, u"--to"_s, u"reader@example.com"_s, u"--subject"_s, u"Patra"_s, u"--server"_s,
                             peer.server(), u"--from"_s, u"writer@example.com"_s, doc});
    EXPECT_EQ(ok.status, 0) << ok.err.toStdString();
    const QList<QByteArray> lines = ok.out.trimmed().split('\n');
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "Retrieving Mail Settings");
    EXPECT_EQ(lines.last(), "Mail Sent");
    ASSERT_EQ(peer.messageCount(), 1);
    const QJsonObject parsed = parseWithPython(peer.outDir() + u"/msg-1.eml"_s);
    EXPECT_EQ(parsed[u"headers"_s][u"Subject"_s].toString(), u"Patra"_s);
    EXPECT_EQ(parsed[u"headers"_s][u"From"_s].toString(), u"writer@example.com"_s);
    EXPECT_EQ(parsed[u"headers"_s][u"To"_s].toString(), u"reader@example.com"_s);
    const QByteArray body = QByteArray::fromBase64(parsed[u"parts"_s][0][u"data"_s].toString().toLatin1());
    EXPECT_TRUE(body.contains(">Hkkjr \x91" "egku\x92 ns'k gS\r\n<br>.\r\n<br>vki dSls gSa\xA1")) << body.toStdString();

    SmtpPeer refusing(u"rcpt550"_s);
    ASSERT_TRUE(refusing.ok());
    const CliRun bad = kalamora({u"send"_s, u"--to"_s, u"nobody@example.com"_s, u"--subject"_s, u"Patra"_s,
                              u"--server"_s, refusing.server(), doc});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains("Invalid Recipient: Recipient Not Valid, Could Not Send Mail")) << bad.err.toStdString();
    EXPECT_FALSE(bad.out.contains("Mail Sent"));

    const CliRun badAddress = kalamora({u"send"_s, u"--to"_s, u"nobody"_s, u"--subject"_s, u"S"_s, doc});
    EXPECT_EQ(badAddress.status, 2);
    EXPECT_TRUE(badAddress.err.contains("Invalid 'Mail To:' Address"));
}

TEST(MailCli, MimePrintsTheMailText)
{
    resetMailSettings();
    QTemporaryDir dir;
    const QString doc = hindiDocument(dir);
    const CliRun r = kalamora({u"mime"_s, u"--omit-headers"_s, u"--subject"_s, u"S"_s, doc});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("\r\n<html>\r\n<font size=3 face=\"Arial\">To read this bi-lingual mail"));
    EXPECT_TRUE(r.out.contains("Hkkjr \x91" "egku\x92 ns'k gS\r<br>.\r<br>vki dSls gSa\xA1\r<br></font>"))
        << r.out.toStdString();

    EXPECT_EQ(kalamora({u"mime"_s, doc}).status, 2);   // no subject
    EXPECT_EQ(kalamora({u"mime"_s, u"--subject"_s, u"S"_s, dir.filePath(u"missing.txt"_s)}).status, 1);
}
