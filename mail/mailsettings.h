#pragma once

#include <QString>

// The mail settings: keys and the defaults every reader uses.
namespace mail {

inline constexpr const char *DefaultOutServ = "localhost";
inline constexpr const char *DefaultInServ = "user@localhost";
inline constexpr const char *DefaultUserID = "xyz";
inline constexpr const char *SendmailPathKey = "SendmailPath";

struct MailSettings {
    QString outServ;     // "OutServ": outgoing server, host or host:port
    QString inServ;      // "InServ": the user's own address, the sender
    QString userID;      // "UserID"
    bool fontInfo = true;      // "FntInfo"
    bool attachFont = true;    // "AttachFnt"
    bool useMapi = true;       // "USEIE": system mail when true, direct SMTP otherwise
    QString sendmailPath;      // "SendmailPath"

    // Every value as stored, with the defaults for absent keys. The server
    // and the sender are trimmed, as the Send Mail command reads them.
    static MailSettings read();
};

// "Yes" or "No", as the mail options are stored.
inline QString yesNo(bool on)
{
    return on ? QStringLiteral("Yes") : QStringLiteral("No");
}

// The recipient check of the mail window: the text without surrounding
// blanks must be non-empty and hold an "@" and a ".".
bool isValidMailTo(const QString &to);

// The bytes that go out after DATA on the direct route: the composed mail
// text with From, To and Date lines put before its own header lines (a
// message without them is refused by many servers), in glyph-code bytes
// (a composed message with its header lines is ASCII throughout).
QByteArray directMessage(const QString &mailText, const QString &from, const QString &to);

} // namespace mail
