#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <string>

// The loopback SMTP server of smtp_peer.py, started for one test.
class SmtpPeer {
public:
    explicit SmtpPeer(const QString &mode);
    ~SmtpPeer();
    bool ok() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString server() const;   // "127.0.0.1:<port>"
    QString outDir() const { return m_dir.path(); }
    // The raw bytes of the n-th received message (from 1), empty when none.
    QByteArray message(int n = 1) const;
    // Its envelope (mail_from, rcpt_tos, helo).
    QJsonObject envelope(int n = 1) const;
    int messageCount() const;

private:
    QTemporaryDir m_dir;
    QProcess m_proc;
    quint16 m_port = 0;
};

// The message at `path` as Python's email package sees it (parse_message.py).
QJsonObject parseWithPython(const QString &path);
QJsonObject parseWithPython(const QByteArray &message);
// Several messages in one run of the parser, in order.
QJsonArray parseAllWithPython(const QList<QByteArray> &messages);

// What every composed message must be for the mail programs on its way (a
// parsed message, `what` names it in failures): no defects in the message,
// its header values or its parts; 7-bit; no line longer than a reader
// takes (`maxLine`); every quoted-printable part well formed.
void expectWellFormed(const QJsonObject &parsed, const std::string &what, int maxLine = 78);

// The decoded payload of a parsed part.
QByteArray partData(const QJsonValue &part);

// Glyph codes as the characters documents hold them in.
QString glyphText(QByteArrayView codes);

// Points KALAMORA_PROGRAM_DIR at a fresh temporary folder for the lifetime of
// the object and restores it afterwards.
class ScratchProgramDir {
public:
    ScratchProgramDir();
    ~ScratchProgramDir();
    QString path() const { return m_dir.path(); }
    void write(const QString &name, const QByteArray &data) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_hadOld;
};

QString testSourceFile(const QString &name);

// A sendmail program in `dir`: msmtp with a configuration of its own that
// delivers to the loopback server on `port`.
QString msmtpWrapper(const QTemporaryDir &dir, quint16 port);

// Removes every mail setting, so a test starts from the defaults.
void resetMailSettings();
