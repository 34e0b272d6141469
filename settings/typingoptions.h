#pragma once

#include <QString>
#include <QStringList>

namespace kalamora {

class SettingsStore;

// The typing options the user sets in the main window and every Hindi input
// reads: the window, HindiRTF and `kalamora type`. Stored as "DotPurna",
// "Layout" and "NumeralTypeEng".
//
// One rule for a stored value that cannot be read: the option takes its
// default, and the reader is told what was wrong (SettingsError's
// description), so a caller that must refuse it can. A layout is any text:
// one other than Rom or Rem types keys as they are, as Tav does.
struct TypingOptions {
    bool dotPurna = true;        // a typed full stop stays a dot
    QString layout = QStringLiteral("Rom"); // Rom (phonetic), Rem (Remington), Tav
    bool englishNumerals = true; // digits stay Latin digits

    static TypingOptions read(const SettingsStore &store, QStringList *problems = nullptr);

    // One option each, for hosts that ask at every key press.
    static bool readDotPurna(const SettingsStore &store, QString *problem = nullptr);
    static QString readLayout(const SettingsStore &store);
    static bool readEnglishNumerals(const SettingsStore &store, QString *problem = nullptr);

    static void writeDotPurna(SettingsStore &store, bool on);
    static void writeLayout(SettingsStore &store, const QString &code);
    static void writeEnglishNumerals(SettingsStore &store, bool on);
};

} // namespace kalamora
