#include "mailsettings.h"

#include "mailtext.h"
#include "systemmail.h"

#include "settingsstore.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace mail {

MailSettings MailSettings::read()
{
    SettingsStore s;
    MailSettings m;
    m.outServ = s.readString(u"OutServ"_s, QString::fromLatin1(DefaultOutServ)).trimmed();
    m.inServ = s.readString(u"InServ"_s, QString::fromLatin1(DefaultInServ)).trimmed();
    m.userID = s.readString(u"UserID"_s, QString::fromLatin1(DefaultUserID));
    m.fontInfo = s.readString(u"FntInfo"_s, u"Yes"_s) == u"Yes"_s;
    m.attachFont = s.readString(u"AttachFnt"_s, u"Yes"_s) == u"Yes"_s;
    m.useMapi = s.readString(u"USEIE"_s, u"Yes"_s) == u"Yes"_s;
    m.sendmailPath = s.readString(QString::fromLatin1(SendmailPathKey), QString::fromLatin1(DefaultSendmailPath));
    return m;
}

bool isValidMailTo(const QString &to)
{
    const QString t = to.trimmed();
    return !t.isEmpty() && t.contains(u'@') && t.contains(u'.');
}

QByteArray directMessage(const QString &mailText, const QString &from, const QString &to)
{
    QByteArray out;
    // A text that starts with its body (no header lines) gets none either.
    if (!mailText.startsWith(u"\r\n"_s)) {
        out += "From: " + encodeHeaderAddress(from) + "\r\n";
        out += "To: " + encodeHeaderAddress(to) + "\r\n";
        out += "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    }
    out += encodeMailText(mailText);
    return out;
}

} // namespace mail
