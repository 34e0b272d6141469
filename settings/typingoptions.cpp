#include "settings/typingoptions.h"

#include "settings/settingsstore.h"

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const QString DotPurnaKey = u"DotPurna"_s;
const QString LayoutKey = u"Layout"_s;
const QString NumeralsKey = u"NumeralTypeEng"_s;

bool readFlag(const SettingsStore &store, const QString &key, bool defaultValue, QString *problem)
{
    try {
        return store.readBool(key, defaultValue);
    } catch (const SettingsError &e) {
        if (problem)
            *problem = QString::fromStdString(e.what());
        return defaultValue;
    }
}

} // namespace

bool TypingOptions::readDotPurna(const SettingsStore &store, QString *problem)
{
    return readFlag(store, DotPurnaKey, TypingOptions().dotPurna, problem);
}

QString TypingOptions::readLayout(const SettingsStore &store)
{
    return store.readString(LayoutKey, TypingOptions().layout);
}

bool TypingOptions::readEnglishNumerals(const SettingsStore &store, QString *problem)
{
    return readFlag(store, NumeralsKey, TypingOptions().englishNumerals, problem);
}

TypingOptions TypingOptions::read(const SettingsStore &store, QStringList *problems)
{
    TypingOptions options;
    QString dotProblem;
    QString numeralsProblem;
    options.dotPurna = readDotPurna(store, &dotProblem);
    options.layout = readLayout(store);
    options.englishNumerals = readEnglishNumerals(store, &numeralsProblem);
    if (problems) {
        for (const QString &p : {dotProblem, numeralsProblem}) {
            if (!p.isEmpty())
                problems->append(p);
        }
    }
    return options;
}

void TypingOptions::writeDotPurna(SettingsStore &store, bool on)
{
    store.writeBool(DotPurnaKey, on);
}

void TypingOptions::writeLayout(SettingsStore &store, const QString &code)
{
    store.writeString(LayoutKey, code);
}

void TypingOptions::writeEnglishNumerals(SettingsStore &store, bool on)
{
    store.writeBool(NumeralsKey, on);
}

} // namespace kalamora
