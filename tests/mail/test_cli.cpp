// kalamora mime and kalamora send as a user runs them.
#include "tests/mail/mailtestutil.h"

#include "settings/settingsstore.h"

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

// Taken before any test points the program folder elsewhere.
const QString kalamoraBinary = qEnvironmentVariable("KALAMORA_PROGRAM_DIR") + u"/kalamora"_s;

CliRun runKalamora(const QStringList &args)
{
    QProcess p;
    p.start(kalamoraBinary, args);
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
    const CliRun ok = runKalamora({u"send"_s, u"--to"_s, u"reader@example.com"_s, u"--subject"_s, u"Patra"_s, u"--server"_s,
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
    const CliRun bad = runKalamora({u"send"_s, u"--to"_s, u"nobody@example.com"_s, u"--subject"_s, u"Patra"_s,
                              u"--server"_s, refusing.server(), doc});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains("Invalid Recipient: Recipient Not Valid, Could Not Send Mail")) << bad.err.toStdString();
    EXPECT_FALSE(bad.out.contains("Mail Sent"));

    const CliRun badAddress = runKalamora({u"send"_s, u"--to"_s, u"nobody"_s, u"--subject"_s, u"S"_s, doc});
    EXPECT_EQ(badAddress.status, 2);
    EXPECT_TRUE(badAddress.err.contains("Invalid 'Mail To:' Address"));
}

TEST(MailCli, MimePrintsTheMailText)
{
    resetMailSettings();
    QTemporaryDir dir;
    const QString doc = hindiDocument(dir);
    const CliRun r = runKalamora({u"mime"_s, u"--omit-headers"_s, u"--subject"_s, u"S"_s, doc});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("\r\n<html>\r\n<font size=3 face=\"Arial\">To read this bi-lingual mail"));
    EXPECT_TRUE(r.out.contains("Hkkjr \x91" "egku\x92 ns'k gS\r<br>.\r<br>vki dSls gSa\xA1\r<br></font>"))
        << r.out.toStdString();

    EXPECT_EQ(runKalamora({u"mime"_s, doc}).status, 2);   // no subject
    EXPECT_EQ(runKalamora({u"mime"_s, u"--subject"_s, u"S"_s, dir.filePath(u"missing.txt"_s)}).status, 1);
}

TEST(MailCli, CommandsComposeWellFormedMail)
{
    resetMailSettings();
    QTemporaryDir dir;
    QByteArray run;   // no blank in 2500 bytes
    while (run.size() < 2500)
        run += "d\x91kA\xA2";
    QByteArray text = "Hkkjr \x91" "egku\x92 ns'k gS\n.\nFrom d\n" + run + "\n";
    for (int c = 0x20; c <= 0xFF; ++c)
        text += static_cast<char>(c);
    const QString doc = dir.filePath(u"sweep.txt"_s);
    QFile f(doc);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    const QString subject = u"\u0926\u0947\u0936 \u2018Patra\u2019"_s;
    ScratchProgramDir program;
    program.write(u"FNT.ATT"_s, QByteArray(3000, '\x7F').toBase64());
    SmtpPeer peer(u"accept"_s);
    ASSERT_TRUE(peer.ok());

    struct Row {
        const char *name;
        QStringList args;
        bool fontFile;
        int parts;
    };
    const std::vector<Row> rows = {
        {"mime", {u"mime"_s}, true, 1},
        {"mime, font layout", {u"mime"_s, u"--attach-font"_s}, true, 2},
        {"mime, font asked without FNT.ATT", {u"mime"_s, u"--attach-font"_s}, false, 1},
        {"send", {u"send"_s, u"--to"_s, u"reader@example.com"_s, u"--from"_s, u"writer@example.com"_s, u"--server"_s,
                  peer.server()}, true, 1},
    };
    for (const Row &r : rows) {
        if (!r.fontFile)
            QFile::remove(program.path() + u"/FNT.ATT"_s);
        const CliRun out = runKalamora(r.args + QStringList{u"--subject"_s, subject, doc});
        ASSERT_EQ(out.status, 0) << r.name << ": " << out.err.toStdString();
        const QJsonObject parsed = r.args.first() == u"send"_s ? parseWithPython(peer.message()) : parseWithPython(out.out);
        expectWellFormed(parsed, r.name);
        EXPECT_EQ(parsed[u"headers"_s][u"Subject"_s].toString().toStdString(), subject.toStdString()) << r.name;
        const QJsonArray parts = parsed[u"parts"_s].toArray();
        ASSERT_EQ(parts.size(), r.parts) << r.name;
        EXPECT_EQ(parts[0][u"charset"_s].toString().toStdString(), "windows-1252") << r.name;
        EXPECT_EQ(parts[0][u"cte"_s].toString().toStdString(), "quoted-printable") << r.name;
        const QByteArray html = partData(parts[0]);
        for (const QByteArray &glyphs : {QByteArray(">Hkkjr \x91" "egku\x92 ns'k gS\r\n<br>.\r\n<br>From d\r\n<br>"), run,
                                         QByteArray("\x80\x81\x82\x83")})
            EXPECT_TRUE(html.contains(glyphs)) << r.name << ": " << html.toStdString();
    }
}
