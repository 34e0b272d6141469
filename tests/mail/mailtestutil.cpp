#include "tests/mail/mailtestutil.h"

#include "kruti/cp1252.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

QString testSourceFile(const QString &name)
{
    QString src = qEnvironmentVariable("KALAMORA_SOURCE_DIR");
    if (src.isEmpty())
        src = QDir::currentPath() + u"/../.."_s;
    return src + u"/tests/mail/"_s + name;
}

SmtpPeer::SmtpPeer(const QString &mode)
{
    m_proc.setProgram(u"/usr/bin/python3"_s);
    m_proc.setArguments({testSourceFile(u"smtp_peer.py"_s), mode, m_dir.path()});
    m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_proc.start();
    if (!m_proc.waitForStarted(5000))
        return;
    QByteArray line;
    while (!line.contains('\n') && m_proc.waitForReadyRead(30000))
        line += m_proc.readAll();
    if (line.startsWith("PORT "))
        m_port = static_cast<quint16>(line.mid(5).trimmed().toUInt());
}

SmtpPeer::~SmtpPeer()
{
    m_proc.closeWriteChannel();
    if (!m_proc.waitForFinished(5000)) {
        m_proc.kill();
        m_proc.waitForFinished(2000);
    }
}

QString SmtpPeer::server() const
{
    return u"127.0.0.1:%1"_s.arg(m_port);
}

QByteArray SmtpPeer::message(int n) const
{
    QFile f(m_dir.filePath(u"msg-%1.eml"_s.arg(n)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonObject SmtpPeer::envelope(int n) const
{
    QFile f(m_dir.filePath(u"msg-%1.json"_s.arg(n)));
    return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
}

int SmtpPeer::messageCount() const
{
    return static_cast<int>(QDir(m_dir.path()).entryList({u"msg-*.eml"_s}, QDir::Files).size());
}

QJsonObject parseWithPython(const QString &path)
{
    QProcess p;
    p.start(u"/usr/bin/python3"_s, {testSourceFile(u"parse_message.py"_s), path});
    p.waitForFinished(20000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QJsonObject parseWithPython(const QByteArray &message)
{
    QTemporaryFile f;
    f.open();
    f.write(message);
    f.flush();
    return parseWithPython(f.fileName());
}

QJsonArray parseAllWithPython(const QList<QByteArray> &messages)
{
    QTemporaryDir dir;
    QStringList args{testSourceFile(u"parse_message.py"_s), u"--all"_s};
    for (qsizetype i = 0; i < messages.size(); ++i) {
        QFile f(dir.filePath(u"m%1.eml"_s.arg(i)));
        f.open(QIODevice::WriteOnly);
        f.write(messages[i]);
        args << f.fileName();
    }
    QProcess p;
    p.start(u"/usr/bin/python3"_s, args);
    p.waitForFinished(60000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

void expectWellFormed(const QJsonObject &parsed, const std::string &what, int maxLine)
{
    ASSERT_FALSE(parsed.isEmpty()) << what << ": the parser gave nothing";
    EXPECT_TRUE(parsed[u"defects"_s].toArray().isEmpty()) << what;
    EXPECT_TRUE(parsed[u"header_defects"_s].toArray().isEmpty())
        << what << ": " << QJsonDocument(parsed[u"header_defects"_s].toArray()).toJson().toStdString();
    EXPECT_FALSE(parsed[u"eight_bit"_s].toBool()) << what;
    EXPECT_LE(parsed[u"max_line"_s].toInt(), maxLine) << what;
    for (const QJsonValue part : parsed[u"parts"_s].toArray()) {
        EXPECT_TRUE(part[u"defects"_s].toArray().isEmpty()) << what;
        if (part[u"cte"_s].toString() == u"quoted-printable"_s) {
            EXPECT_TRUE(part[u"qp_valid"_s].toBool()) << what;
        }
    }
}

QByteArray partData(const QJsonValue &part)
{
    return QByteArray::fromBase64(part[u"data"_s].toString().toLatin1());
}

QString glyphText(QByteArrayView codes)
{
    QString out;
    for (const char c : codes)
        out += QChar(kruti::glyphToChar(static_cast<unsigned char>(c)));
    return out;
}

ScratchProgramDir::ScratchProgramDir()
    : m_old(qgetenv("KALAMORA_PROGRAM_DIR")), m_hadOld(qEnvironmentVariableIsSet("KALAMORA_PROGRAM_DIR"))
{
    qputenv("KALAMORA_PROGRAM_DIR", QFile::encodeName(m_dir.path()));
}

ScratchProgramDir::~ScratchProgramDir()
{
    if (m_hadOld)
        qputenv("KALAMORA_PROGRAM_DIR", m_old);
    else
        qunsetenv("KALAMORA_PROGRAM_DIR");
}

void ScratchProgramDir::write(const QString &name, const QByteArray &data) const
{
    QFile f(m_dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(data);
}

void resetMailSettings()
{
    SettingsStore s;
    for (const char *key : {"OutServ", "InServ", "UserID", "FntInfo", "AttachFnt", "USEIE", "SendmailPath"})
        s.remove(QString::fromLatin1(key));
}

QString msmtpWrapper(const QTemporaryDir &dir, quint16 port)
{
    const QString conf = dir.filePath(u"msmtprc"_s);
    QFile c(conf);
    c.open(QIODevice::WriteOnly);
    c.write("account default\nhost 127.0.0.1\nport " + QByteArray::number(port)
            + "\nfrom writer@example.com\nauth off\ntls off\n");
    c.close();
    c.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString path = dir.filePath(u"sendmail"_s);
    QFile w(path);
    w.open(QIODevice::WriteOnly);
    w.write("#!/bin/sh\nexec /usr/bin/msmtp -C '" + conf.toUtf8() + "' \"$@\"\n");
    w.close();
    w.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}
