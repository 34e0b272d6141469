#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Sending through the system's mail: a complete message with a plain-text
// note and attachments, handed to the sendmail interface (`sendmail -t -i`),
// which takes the recipients from the message's own headers.
namespace kalamora::mail {

struct Attachment {
    QString fileName;
    QByteArray data;
    QString contentType = QStringLiteral("application/octet-stream");
};

struct SystemMessage {
    QString to;        // address as typed, also the display name
    QString subject;
    QString note;      // the message text
    QList<Attachment> attachments;
};

// The note texts, with and without the font attached.
QString noteText(bool withFont);

// The message as RFC 5322 / MIME bytes: headers, a multipart/mixed body with
// the note as text/plain and each attachment in base64 lines of 76.
// Non-ASCII subject and file names are encoded (RFC 2047 / RFC 2231).
QByteArray buildSystemMessage(const SystemMessage &message);

// Runs `program -t -i` with `message` on its standard input, processing
// events while it runs. False with `error` set when the program cannot be
// started, does not end within `timeoutMs` or exits with a failure status
// (its own error output is the reason).
bool submitToSendmail(const QString &program, const QByteArray &message, QString *error, int timeoutMs = 60000);

// True when `name` can be a file name on every platform the program runs on:
// no path separators, no characters Windows forbids, no control characters.
bool isValidFileName(const QString &name);

} // namespace kalamora::mail
