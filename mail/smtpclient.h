#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

namespace kalamora {

// The SMTP dialogue with the outgoing server over a TCP socket: greeting,
// HELO, MAIL FROM, RCPT TO, DATA, the message, QUIT. Each command waits for
// the server's reply in a local event loop, so a window stays responsive;
// every reply code is checked, and nothing counts as sent until the server
// has accepted the message. A time-out runs from the connect on and restarts
// whenever the server answers or data leaves.
class SmtpClient : public QObject {
    Q_OBJECT
public:
    // How a failed dialogue is to be shown: a message box's icon, title and
    // text, and the status text that goes with it (may be empty).
    struct Failure {
        enum class Icon { None, Information, Warning, Critical };
        Icon icon = Icon::None;
        QString title;
        QString text;
        QString status;
    };

    static constexpr int DefaultPort = 25;
    static constexpr int DefaultTimeoutMs = 30000;

    explicit SmtpClient(QObject *parent = nullptr);
    ~SmtpClient() override;

    // "host" or "host:port"; the port defaults to 25.
    void setServer(const QString &server);
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    void setSender(const QString &address) { m_sender = address; }
    void setRecipient(const QString &address) { m_recipient = address; }
    void setTimeout(int ms) { m_timeoutMs = ms; }
    // The name after HELO; this machine's host name unless set.
    void setHeloName(const QString &name) { m_heloName = name; }

    // Runs the whole dialogue for `message` (bytes as they are to be sent,
    // before dot-stuffing). True when the server accepted the message;
    // otherwise failure() says why.
    bool send(const QByteArray &message);

    const Failure &failure() const { return m_failure; }
    // The last complete reply from the server.
    QString lastReply() const { return m_lastReply; }

    // Stops a dialogue in progress (it ends as failed, without a message).
    void abort();

signals:
    void statusChanged(const QString &text);

private:
    enum class Wait { Reply, Closed };
    void onDataArrival();
    void onSocketError(QAbstractSocket::SocketError error);
    void onTimeout();
    // Waits until a complete reply, a failure or the time-out. False when
    // the dialogue must stop.
    bool waitForReply();
    // Sends `line` + CRLF and waits for the reply, which must be of class
    // `expected` (2 or 3). `what` names the command in a refusal message.
    bool command(const QByteArray &line, int expected, const QString &what);
    bool checkReply(int expected, const QString &what);
    void fail(Failure::Icon icon, const QString &title, const QString &text, const QString &status = {});
    void restartTimer();

    QTcpSocket *m_socket;
    QTimer m_timer;
    QString m_host;
    quint16 m_port = DefaultPort;
    QString m_sender;
    QString m_recipient;
    QString m_heloName;
    int m_timeoutMs = DefaultTimeoutMs;

    QByteArray m_buffer;
    QString m_lastReply;
    int m_lastCode = 0;
    bool m_replyReceived = false;
    bool m_sendAborted = false;
    bool m_quitting = false;
    Failure m_failure;
};

} // namespace kalamora
