#include "mail/smtpclient.h"

#include "mail/mailtext.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QPointer>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace kalamora {

SmtpClient::SmtpClient(QObject *parent) : QObject(parent), m_socket(new QTcpSocket(this))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SmtpClient::onTimeout);
    connect(m_socket, &QTcpSocket::readyRead, this, &SmtpClient::onDataArrival);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &SmtpClient::onSocketError);
    // Data leaving counts as progress: a large message must not run into
    // the time-out while it is still being written.
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_timer.isActive())
            restartTimer();
    });
}

SmtpClient::~SmtpClient() = default;

void SmtpClient::setServer(const QString &server)
{
    QString host = server.trimmed();
    m_port = DefaultPort;
    const qsizetype colon = host.lastIndexOf(u':');
    // "host:port"; a bare IPv6 address has more than one colon and no port.
    if (colon > 0 && host.indexOf(u':') == colon) {
        bool ok = false;
        const uint port = host.mid(colon + 1).toUInt(&ok);
        if (ok && port > 0 && port < 65536) {
            m_port = static_cast<quint16>(port);
            host.truncate(colon);
        }
    }
    m_host = host;
}

void SmtpClient::restartTimer()
{
    m_timer.stop();
    m_timer.start(m_timeoutMs);
}

void SmtpClient::fail(Failure::Icon icon, const QString &title, const QString &text, const QString &status)
{
    if (m_sendAborted)
        return;   // the first failure is the one that counts
    m_failure = {icon, title, text, status};
    m_sendAborted = true;
    m_replyReceived = true;
    m_timer.stop();
    m_socket->abort();
}

void SmtpClient::abort()
{
    fail(Failure::Icon::None, {}, {});
}

namespace {

// Takes one complete reply (all its lines, the last of the form "NNN text")
// off the front of `buffer`. Returns false when none is complete yet.
bool takeReply(QByteArray &buffer, QString &text, int &code)
{
    qsizetype pos = 0;
    QStringList lines;
    while (true) {
        const qsizetype nl = buffer.indexOf('\n', pos);
        if (nl < 0)
            return false;
        QByteArray line = buffer.mid(pos, nl - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        pos = nl + 1;
        lines += QString::fromLatin1(line);
        const bool more = line.size() > 3 && line.at(3) == '-';
        if (!more) {
            buffer.remove(0, pos);
            text = lines.join(u' ');
            bool ok = false;
            code = line.size() >= 3 ? line.left(3).toInt(&ok) : 0;
            if (!ok || code < 100 || code > 599)
                code = 0;
            return true;
        }
    }
}

} // namespace

void SmtpClient::onDataArrival()
{
    const QByteArray data = m_socket->readAll();
    if (data.isEmpty())
        return;
    restartTimer();
    emit statusChanged(QString::fromLatin1(data).trimmed());
    m_buffer += data;
    if (takeReply(m_buffer, m_lastReply, m_lastCode))
        m_replyReceived = true;
}

void SmtpClient::onSocketError(QAbstractSocket::SocketError error)
{
    if (m_quitting) {
        // The message was accepted; the server may close before or after
        // answering QUIT.
        m_replyReceived = true;
        return;
    }
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        fail(Failure::Icon::None, u"Connection Error"_s, u"Cannot Connect To Server"_s);
        break;
    case QAbstractSocket::NetworkError:
        fail(Failure::Icon::Warning, u"Connection Cancelled"_s, u"You Are Not Online"_s, u"Connection Failed"_s);
        break;
    default:
        fail(Failure::Icon::Critical, u"Error"_s, m_socket->errorString(), u"Connection Failed"_s);
        break;
    }
}

void SmtpClient::onTimeout()
{
    if (m_quitting) {
        m_replyReceived = true;
        return;
    }
    fail(Failure::Icon::None, u"Server Time Out"_s, u"No Data Recieved From Server"_s);
}

bool SmtpClient::waitForReply()
{
    // A reply may already be buffered behind the one taken last.
    if (!m_replyReceived && !m_buffer.isEmpty() && takeReply(m_buffer, m_lastReply, m_lastCode))
        m_replyReceived = true;
    QPointer<SmtpClient> self(this);
    while (!m_replyReceived) {
        QEventLoop loop;
        // Every event that can end the wait leaves this loop; the handlers
        // have run (they are connected first) and set the flags.
        auto c1 = connect(m_socket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        auto c2 = connect(m_socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        auto c3 = connect(&m_timer, &QTimer::timeout, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        auto c4 = connect(m_socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        loop.exec();
        if (!self)
            return false;
        disconnect(c1);
        disconnect(c2);
        disconnect(c3);
        disconnect(c4);
        if (!m_replyReceived && m_socket->state() == QAbstractSocket::UnconnectedState && !m_quitting)
            fail(Failure::Icon::Critical, u"Error"_s, m_socket->errorString(), u"Connection Failed"_s);
    }
    return !m_sendAborted;
}

bool SmtpClient::checkReply(int expected, const QString &what)
{
    if (m_lastCode / 100 == expected)
        return true;
    if (expected == 2 && what == u"RCPT TO"_s && m_lastCode == 550) {
        fail(Failure::Icon::None, u"Invalid Recipient"_s, u"Recipient Not Valid, Could Not Send Mail"_s);
        return false;
    }
    fail(Failure::Icon::Warning, u"Mail Not Sent"_s,
         u"The Mail Server Answered \"%1\" To %2, Could Not Send Mail"_s.arg(m_lastReply, what));
    return false;
}

bool SmtpClient::command(const QByteArray &line, int expected, const QString &what)
{
    m_replyReceived = false;
    m_socket->write(line + "\r\n");
    return waitForReply() && checkReply(expected, what);
}

bool SmtpClient::send(const QByteArray &message)
{
    m_failure = {};
    m_sendAborted = false;
    m_quitting = false;
    m_buffer.clear();
    m_lastReply.clear();
    m_lastCode = 0;

    emit statusChanged(u"Connecting To Mail Server"_s);
    restartTimer();
    m_socket->connectToHost(m_host, m_port);
    emit statusChanged(u"Connected"_s);
    emit statusChanged(u"Sending Mail Information"_s);

    m_replyReceived = false;
    if (!waitForReply() || !checkReply(2, u"The Connection"_s))
        return false;

    QString helo = m_heloName.isEmpty() ? QHostInfo::localHostName() : m_heloName;
    if (helo.isEmpty())
        helo = u"localhost"_s;
    m_replyReceived = false;
    m_socket->write("HELO " + helo.toUtf8() + "\r\n");
    emit statusChanged(u"Hailing Server"_s);
    if (!waitForReply() || !checkReply(2, u"HELO"_s))
        return false;

    m_replyReceived = false;
    m_socket->write("MAIL FROM:" + mail::smtpPath(m_sender) + "\r\n");
    emit statusChanged(u"Sending Mail"_s);
    if (!waitForReply() || !checkReply(2, u"MAIL FROM"_s))
        return false;

    if (!command("RCPT TO:" + mail::smtpPath(m_recipient), 2, u"RCPT TO"_s))
        return false;
    if (!command("DATA", 3, u"DATA"_s))
        return false;

    m_replyReceived = false;
    m_socket->write(mail::smtpData(message));
    if (!waitForReply() || !checkReply(2, u"The Message"_s))
        return false;

    // Accepted: from here on nothing undoes the send.
    m_quitting = true;
    emit statusChanged(u"Mail Sent Quitting"_s);
    m_replyReceived = false;
    m_socket->write("QUIT\r\n");
    waitForReply();
    m_timer.stop();
    m_socket->disconnectFromHost();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    emit statusChanged(u"Mail Sent"_s);
    return true;
}

} // namespace kalamora
