// The typed options read from a settings file as users have it on disk.
#include "settings/mailsettings.h"
#include "settings/settingsstore.h"
#include "settings/typingoptions.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

// Replaces the user's settings file with `lines` under [Settings].
void writeSettingsFile(const char *lines)
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ASSERT_TRUE(config.contains(u"test-scratch"_s)) << config.toStdString();
    QDir().mkpath(config + u"/Kalamora"_s);
    QFile file(config + u"/Kalamora/Kalamora.conf"_s);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray("[Settings]\n") + lines);
}

} // namespace

TEST(TypedSettings, TypingOptionsFromAStoredFile)
{
    struct Row {
        const char *file;
        bool dotPurna;
        const char *layout;
        bool englishNumerals;
        QStringList problems;
    };
    const Row rows[] = {
        {"", true, "Rom", true, {}},
        {"DotPurna=False\nLayout=Rem\nNumeralTypeEng=False\n", false, "Rem", false, {}},
        // Keys in any case; booleans as words in any case or as numbers.
        {"dotpurna=0\nLAYOUT=Tav\nnumeraltypeeng=-1\n", false, "Tav", true, {}},
        // Unreadable booleans take the default and are reported; a layout is
        // kept as written (keys are then typed as they are).
        {"DotPurna=maybe\nLayout=Dvorak\nNumeralTypeEng=nein\n", true, "Dvorak", true,
         {u"Setting \"DotPurna\" holds \"maybe\", which is not a boolean"_s,
          u"Setting \"NumeralTypeEng\" holds \"nein\", which is not a boolean"_s}},
        {"DotPurna=False\nNumeralTypeEng=1e999\n", false, "Rom", true,
         {u"Setting \"NumeralTypeEng\" holds \"1e999\", which is not a boolean"_s}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.file);
        writeSettingsFile(row.file);
        const SettingsStore store;
        QStringList problems;
        const kalamora::TypingOptions t = kalamora::TypingOptions::read(store, &problems);
        EXPECT_EQ(t.dotPurna, row.dotPurna);
        EXPECT_EQ(t.layout, QString::fromLatin1(row.layout));
        EXPECT_EQ(t.englishNumerals, row.englishNumerals);
        EXPECT_EQ(problems, row.problems);
        // The one-option readers (asked at every key) agree with the whole.
        EXPECT_EQ(kalamora::TypingOptions::readDotPurna(store), t.dotPurna);
        EXPECT_EQ(kalamora::TypingOptions::readEnglishNumerals(store), t.englishNumerals);
    }
}

TEST(TypedSettings, MailSettingsFromAStoredFileAndBack)
{
    struct Row {
        const char *file;
        kalamora::MailSettings expected;
    };
    const kalamora::MailSettings defaults;
    const Row rows[] = {
        {"", defaults},
        {"OutServ=smtp.example.com:2525\nInServ=asha@example.com\nUserID=asha\nFntInfo=No\n"
         "AttachFnt=No\nUSEIE=No\nSendmailPath=/usr/lib/sendmail\n",
         {u"smtp.example.com:2525"_s, u"asha@example.com"_s, u"asha"_s, false, false, false, u"/usr/lib/sendmail"_s}},
        // Only the word "Yes" is yes; keys in any case.
        {"fntinfo=yes\nATTACHFNT=1\nUseIE=Yes\nuserid=ravi\n",
         {defaults.outServ, defaults.inServ, u"ravi"_s, false, false, true, defaults.sendmailPath}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.file);
        writeSettingsFile(row.file);
        const kalamora::MailSettings m = kalamora::MailSettings::read();
        EXPECT_EQ(m.outServ, row.expected.outServ);
        EXPECT_EQ(m.inServ, row.expected.inServ);
        EXPECT_EQ(m.userID, row.expected.userID);
        EXPECT_EQ(m.fontInfo, row.expected.fontInfo);
        EXPECT_EQ(m.attachFont, row.expected.attachFont);
        EXPECT_EQ(m.useMapi, row.expected.useMapi);
        EXPECT_EQ(m.sendmailPath, row.expected.sendmailPath);
    }

    // Written back, the values read the same, stored as the words Yes and
    // No; the path no dialog edits is not written.
    writeSettingsFile("fntinfo=No\n");
    kalamora::MailSettings m;
    m.outServ = u" smtp.example.com "_s;
    m.fontInfo = false;
    m.useMapi = false;
    SettingsStore store;
    m.write(store);
    EXPECT_EQ(store.readString(u"FntInfo"_s), u"No"_s);
    EXPECT_EQ(store.readString(u"AttachFnt"_s), u"Yes"_s);
    EXPECT_EQ(store.readString(u"USEIE"_s), u"No"_s);
    EXPECT_FALSE(store.contains(u"SendmailPath"_s));
    const kalamora::MailSettings back = kalamora::MailSettings::read(store);
    EXPECT_EQ(back.outServ, m.outServ);
    EXPECT_EQ(back.server(), u"smtp.example.com"_s);
    EXPECT_FALSE(back.fontInfo);
    EXPECT_TRUE(back.attachFont);
    EXPECT_FALSE(back.useMapi);
}
