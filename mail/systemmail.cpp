#include "mail/systemmail.h"

#include "mail/mailtext.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace kalamora::mail {

QString noteText(bool withFont)
{
    if (withFont)
        return u"This is a Hindi Language Mail, sent through Kalamora. To view this mail you must open the "
               u"'.RTF' file attached with this mail. A Hindi Font 'GO10.TTF' is included with this mail, "
               u"install it using Control Panel if you see English Text instead of Hindi."_s;
    return u"This is a Hindi Language Mail, sent through Kalamora. To view this mail you must open the file "
           u"attached with this mail. If you see English characters instead of Hindi, ask the mailer to send "
           u"you the hindi font for viewing the mail."_s;
}

namespace {

bool isAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// A file-name parameter: quoted ASCII, or RFC 2231 percent-encoded UTF-8;
// a name too long for one line goes in numbered pieces (name*0*=, name*1*=),
// each on a line of its own. Readers decode each piece alone, so a piece
// holds whole characters.
QByteArray fileNameParam(const char *param, const QString &name)
{
    constexpr qsizetype piece = 60;
    const QString safe = headerSafe(name);
    if (isAscii(safe) && safe.size() <= piece && !safe.contains(u'"') && !safe.contains(u'\\'))
        return QByteArray(param) + "=\"" + safe.toLatin1() + '"';
    QList<QByteArray> pieces{"UTF-8''"};
    for (qsizetype i = 0; i < safe.size(); ++i) {
        const qsizetype len = safe.at(i).isHighSurrogate() && i + 1 < safe.size() ? 2 : 1;
        const QByteArray ch = safe.mid(i, len).toUtf8().toPercentEncoding();
        i += len - 1;
        if (pieces.last().size() + ch.size() > piece)
            pieces.append(QByteArray());
        pieces.last() += ch;
    }
    if (pieces.size() == 1)
        return QByteArray(param) + "*=" + pieces.first();
    QByteArray out;
    for (qsizetype n = 0; n < pieces.size(); ++n) {
        if (n > 0)
            out += ";\r\n ";
        out += QByteArray(param) + '*' + QByteArray::number(n) + "*=" + pieces[n];
    }
    return out;
}

QByteArray dateHeader()
{
    return QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1();
}

} // namespace

QByteArray buildSystemMessage(const SystemMessage &message)
{
    const QByteArray boundary = "=_Kalamora_" + QUuid::createUuid().toByteArray(QUuid::Id128);
    QByteArray out;
    out += "To: " + encodeHeaderAddress(message.to) + "\r\n";
    out += "Subject: " + encodeHeaderText(message.subject) + "\r\n";
    out += "Date: " + dateHeader() + "\r\n";
    out += "MIME-Version: 1.0\r\n";
    out += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n";
    out += "\r\n";
    out += "This is a multipart message in MIME format.\r\n";
    out += "--" + boundary + "\r\n";
    const bool asciiNote = isAscii(message.note);
    out += asciiNote ? "Content-Type: text/plain; charset=us-ascii\r\n" : "Content-Type: text/plain; charset=utf-8\r\n";
    out += "Content-Transfer-Encoding: base64\r\n\r\n";
    out += base64Lines(message.note.toUtf8());
    for (const Attachment &a : message.attachments) {
        out += "--" + boundary + "\r\n";
        out += "Content-Type: " + a.contentType.toLatin1() + ";\r\n " + fileNameParam("name", a.fileName) + "\r\n";
        out += "Content-Transfer-Encoding: base64\r\n";
        out += "Content-Disposition: attachment;\r\n " + fileNameParam("filename", a.fileName) + "\r\n\r\n";
        out += base64Lines(a.data);
    }
    out += "--" + boundary + "--\r\n";
    return out;
}

bool submitToSendmail(const QString &program, const QByteArray &message, QString *error, int timeoutMs)
{
    auto setError = [error](const QString &text) {
        if (error)
            *error = text;
    };
    const QFileInfo info(program);
    if (program.isEmpty() || !info.exists() || !info.isExecutable()) {
        setError(u"The mail program \"%1\" was not found.\r\nSet its path under \"SendmailPath\" or install a "
                 u"mail transfer agent."_s.arg(program));
        return false;
    }
    QProcess proc;
    proc.setProgram(program);
    proc.setArguments({u"-t"_s, u"-i"_s});
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&proc, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&proc, &QProcess::errorOccurred, &loop, [&loop, &proc](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart || proc.state() == QProcess::NotRunning)
            loop.quit();
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    proc.start();
    if (!proc.waitForStarted(10000)) {
        setError(u"The mail program \"%1\" could not be started: %2"_s.arg(program, proc.errorString()));
        return false;
    }
    proc.write(message);
    proc.closeWriteChannel();
    timer.start(timeoutMs);
    if (proc.state() != QProcess::NotRunning)
        loop.exec();
    if (proc.state() != QProcess::NotRunning) {
        proc.kill();
        proc.waitForFinished(2000);
        setError(u"The mail program \"%1\" did not finish in time."_s.arg(program));
        return false;
    }
    if (proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0) {
        QString reason = QString::fromLocal8Bit(proc.readAllStandardError()).trimmed();
        if (reason.isEmpty())
            reason = QString::fromLocal8Bit(proc.readAllStandardOutput()).trimmed();
        if (reason.isEmpty())
            reason = proc.exitStatus() != QProcess::NormalExit ? u"it crashed"_s
                                                                : u"exit status %1"_s.arg(proc.exitCode());
        setError(u"The mail program could not send the mail: %1"_s.arg(reason));
        return false;
    }
    return true;
}

bool isValidFileName(const QString &name)
{
    if (name.isEmpty() || name == u"."_s || name == u".."_s)
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
        if (QStringView(u"\\/:*?\"<>|").contains(c))
            return false;
    }
    return true;
}

} // namespace kalamora::mail
