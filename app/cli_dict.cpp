// kalamora dict: the meaning the dictionary window shows for a typed word.
#include "app/commandline.h"
#include "app/commands.h"

#include "dict/dictstore.h"
#include "dict/wordlist.h"
#include "kruti/kruti.h"
#include "settings/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>






namespace kalamora {

namespace {

const char dictUsage[] =
    "usage: kalamora dict [--hex|--unicode] WORD\n"
    "Prints the Hindi meaning the dictionary window shows when WORD is typed:\n"
    "that of the first word of the list that begins with WORD, ignoring case.\n"
    "  --hex      print glyph codes as hex pairs\n"
    "  --unicode  print the meaning as Unicode Devanagari (UTF-8)\n"
    "Without either, the glyph codes are written as bytes.\n"
    "Exit status 1 when no word begins with WORD or it has no meaning.\n";

} // namespace

int runDict(int argc, char **argv)
{
    kalamora::CommandLine line("kalamora dict", dictUsage, kalamora::CommandLine::Usage::AfterErrors,
                               {QStringLiteral("hex"), QStringLiteral("unicode")}, {});
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    enum class Output { Bytes, Hex, Unicode } output = Output::Bytes;
    if (const std::optional<int> status = line.exclusive(QStringLiteral("hex"), QStringLiteral("unicode")))
        return *status;
    if (line.isSet(QStringLiteral("hex")))
        output = Output::Hex;
    else if (line.isSet(QStringLiteral("unicode")))
        output = Output::Unicode;
    std::optional<QString> given;
    if (const std::optional<int> status = line.atMostOnePositional(&given, "more than one WORD"))
        return *status;
    if (!given)
        return line.bad("no WORD");
    const std::optional<std::string> word = kalamora::CommandLine::toBytes(*given);

    // The program folder is found from the executable's own path.
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        static int appArgc = 1;
        app = std::make_unique<QCoreApplication>(appArgc, argv);
    }

    const QString path = QDir(kalamora::programFolder()).filePath(QString::fromLatin1(dict::DatabaseFileName));
    if (!QFileInfo::exists(path))
        return line.fail("Can't find dictionary files. Please re-install.");

    dict::DictDatabase db;
    std::vector<std::string> words;
    dict::DbError err = db.open(QFile::encodeName(path).toStdString(), dict::passwordFromConnect(dict::ConnectString));
    if (!err)
        err = db.words(&words);
    if (err)
        return line.fail("Error: " + std::to_string(err.code) + " '" + err.message + "'");

    dict::WordList list;
    list.assign(std::move(words));
    const int row = list.firstStartingWith(*word);
    if (row < 0)
        return line.fail("no word begins with \"" + *word + "\"");
    std::optional<std::string> stored;
    if ((err = db.meaning(list.at(row), &stored)))
        return line.fail("Error: " + std::to_string(err.code) + " '" + err.message + "'");
    if (!stored || stored->empty())
        return line.fail("no meaning for \"" + list.at(row) + "\"");

    const std::string glyphs = dict::storedTextToGlyphs(*stored);
    switch (output) {
    case Output::Bytes:
        std::fwrite(glyphs.data(), 1, glyphs.size(), stdout);
        break;
    case Output::Hex:
        for (size_t i = 0; i < glyphs.size(); ++i)
            std::printf(i ? " %02X" : "%02X", static_cast<unsigned char>(glyphs[i]));
        break;
    case Output::Unicode: {
        const std::string text = kruti::toUnicode(glyphs);
        std::fwrite(text.data(), 1, text.size(), stdout);
        break;
    }
    }
    std::fputc('\n', stdout);
    return 0;
}

} // namespace kalamora
