// The typed options read from a settings file as users have it on disk.
#include "settings/settingsstore.h"
#include "settings/typingoptions.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
