#include "settings/settingsstore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The test runs with XDG_CONFIG_HOME in a scratch folder; never
        // touch a real user's settings.
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        ASSERT_TRUE(config.contains(u"test-scratch"_s)) << config.toStdString();
        SettingsStore store;
        for (const char *k : {"DotPurna", "Layout", "UserID", "UserId", "userid", "MainLeft", "Odd"})
            store.remove(QString::fromLatin1(k));
    }
};

TEST_F(SettingsStoreTest, AbsentKeysGiveTheReadersDefault)
{
    SettingsStore store;
    EXPECT_EQ(store.readString(u"Layout"_s, u"Rom"_s), u"Rom"_s);
    EXPECT_TRUE(store.readBool(u"DotPurna"_s, SettingsStore::toBool(u"DotPurna"_s, u"1"_s)));
    EXPECT_EQ(store.readNumber(u"MainLeft"_s, 0), 0);
    EXPECT_FALSE(store.contains(u"Layout"_s));
}

TEST_F(SettingsStoreTest, WritesReachTheStoreAtOnceUnderTheSection)
{
    SettingsStore store;
    store.writeString(u"Layout"_s, u"Rem"_s);
    // A second, independent reader (another window, another process) sees it.
    QSettings raw(u"Kalamora"_s, u"Kalamora"_s);
    EXPECT_EQ(raw.value(u"Settings/Layout"_s).toString(), u"Rem"_s);
    EXPECT_EQ(SettingsStore().readString(u"Layout"_s, u"Rom"_s), u"Rem"_s);
}

TEST_F(SettingsStoreTest, KeysAreCaseInsensitiveAndKeepOneSpelling)
{
    SettingsStore store;
    store.writeString(u"UserID"_s, u"asha"_s);
    EXPECT_EQ(store.readString(u"UserId"_s, u"xyz"_s), u"asha"_s);
    store.writeString(u"UserId"_s, u"ravi"_s);
    EXPECT_EQ(store.readString(u"USERID"_s, u"xyz"_s), u"ravi"_s);
    QSettings raw(u"Kalamora"_s, u"Kalamora"_s);
    raw.beginGroup(u"Settings"_s);
    int spellings = 0;
    for (const QString &k : raw.childKeys())
        spellings += k.compare(u"userid"_s, Qt::CaseInsensitive) == 0;
    EXPECT_EQ(spellings, 1);
}

TEST_F(SettingsStoreTest, BooleansAreTheWordsTrueAndFalse)
{
    SettingsStore store;
    store.writeBool(u"DotPurna"_s, false);
    EXPECT_EQ(store.readString(u"DotPurna"_s), u"False"_s);
    EXPECT_FALSE(store.readBool(u"DotPurna"_s, true));
    store.writeBool(u"DotPurna"_s, true);
    EXPECT_EQ(store.readString(u"DotPurna"_s), u"True"_s);
    // Other writers may have left numbers or other capitalisation.
    store.writeString(u"DotPurna"_s, u"0"_s);
    EXPECT_FALSE(store.readBool(u"DotPurna"_s, true));
    store.writeString(u"DotPurna"_s, u"-1"_s);
    EXPECT_TRUE(store.readBool(u"DotPurna"_s, false));
    store.writeString(u"DotPurna"_s, u"false"_s);
    EXPECT_FALSE(store.readBool(u"DotPurna"_s, true));
}

TEST_F(SettingsStoreTest, UnconvertibleValuesAreCatchableErrors)
{
    SettingsStore store;
    store.writeString(u"Odd"_s, u"perhaps"_s);
    EXPECT_THROW(store.readBool(u"Odd"_s, true), SettingsError);
    EXPECT_THROW(store.readNumber(u"Odd"_s, 0), SettingsError);
    store.writeString(u"Odd"_s, u"1e300"_s);
    EXPECT_THROW(store.readInt(u"Odd"_s, 0), SettingsError);
    store.writeString(u"Odd"_s, u"perhaps"_s);
    try {
        store.readBool(u"odd"_s, true);
        FAIL();
    } catch (const SettingsError &e) {
        EXPECT_EQ(e.value, u"perhaps"_s);
        EXPECT_NE(std::string(e.what()).find("odd"), std::string::npos);
    }
}

TEST_F(SettingsStoreTest, NumbersRoundTrip)
{
    SettingsStore store;
    store.writeNumber(u"MainLeft"_s, 1234.5);
    EXPECT_DOUBLE_EQ(store.readNumber(u"MainLeft"_s, 0), 1234.5);
    store.writeString(u"MainLeft"_s, u" 120 "_s);
    EXPECT_EQ(store.readInt(u"MainLeft"_s, 0), 120);
}

} // namespace
