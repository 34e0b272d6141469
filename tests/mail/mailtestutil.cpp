#include "mailtestutil.h"

#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

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
