#pragma once

#include <QString>

namespace kalamora {

class SettingsStore;

// The mail settings, as the mail settings dialog edits them and the send
// routes use them: one reader and one writer for the stored keys. The
// options are stored as the words Yes and No (anything other than "Yes"
// reads as No); an absent key reads as the default below.
struct MailSettings {
    static constexpr const char *DefaultOutServ = "localhost";
    static constexpr const char *DefaultInServ = "user@localhost";
    static constexpr const char *DefaultUserID = "xyz";
    static constexpr const char *DefaultSendmailPath = "/usr/sbin/sendmail";

    QString outServ = QString::fromLatin1(DefaultOutServ); // "OutServ": host or host:port
    QString inServ = QString::fromLatin1(DefaultInServ);   // "InServ": the user's own address, the sender
    QString userID = QString::fromLatin1(DefaultUserID);   // "UserID"
    bool fontInfo = true;   // "FntInfo": the mail tells readers where the font is
    bool attachFont = true; // "AttachFnt": the font file goes with the mail
    bool useMapi = true;    // "USEIE": system mail when true, direct SMTP otherwise
    // "SendmailPath": the system mail program. No dialog edits it; write()
    // leaves it as stored.
    QString sendmailPath = QString::fromLatin1(DefaultSendmailPath);

    // The server and the sender as the send routes use them: trimmed.
    QString server() const { return outServ.trimmed(); }
    QString sender() const { return inServ.trimmed(); }

    // Every value as stored, with the defaults for absent keys.
    static MailSettings read(const SettingsStore &store);
    static MailSettings read();
    // Writes the values the dialog edits.
    void write(SettingsStore &store) const;
};

} // namespace kalamora
