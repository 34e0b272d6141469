#include "settings/mailsettings.h"

#include "settings/settingsstore.h"

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

bool readYes(const SettingsStore &s, const QString &key)
{
    return s.readString(key, u"Yes"_s) == u"Yes"_s;
}

QString yesNo(bool on)
{
    return on ? u"Yes"_s : u"No"_s;
}

} // namespace

MailSettings MailSettings::read(const SettingsStore &s)
{
    MailSettings m;
    m.outServ = s.readString(u"OutServ"_s, m.outServ);
    m.inServ = s.readString(u"InServ"_s, m.inServ);
    m.userID = s.readString(u"UserID"_s, m.userID);
    m.fontInfo = readYes(s, u"FntInfo"_s);
    m.attachFont = readYes(s, u"AttachFnt"_s);
    m.useMapi = readYes(s, u"USEIE"_s);
    m.sendmailPath = s.readString(u"SendmailPath"_s, m.sendmailPath);
    return m;
}

MailSettings MailSettings::read()
{
    return read(SettingsStore());
}

void MailSettings::write(SettingsStore &s) const
{
    s.writeString(u"InServ"_s, inServ);
    s.writeString(u"OutServ"_s, outServ);
    s.writeString(u"UserID"_s, userID);
    s.writeString(u"FntInfo"_s, yesNo(fontInfo));
    s.writeString(u"AttachFnt"_s, yesNo(attachFont));
    s.writeString(u"USEIE"_s, yesNo(useMapi));
}

} // namespace kalamora
