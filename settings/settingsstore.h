#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

class QSettings;

namespace kalamora {

// Raised when a stored value cannot be read as the number or boolean its
// reader expects. Callers decide what that means (start-up ends with the
// description; elsewhere the reader's default is a sound fallback).
class SettingsError : public std::runtime_error {
public:
    SettingsError(const QString &key, const QString &value, const char *expected);
    QString key;
    QString value;
};

// The program's one flat store of per-user preferences: QSettings under
// organisation and application "Kalamora", section "Settings". Values are
// text; booleans are the words True and False. Keys are compared without
// regard to case, so "UserId" reads what was written as "UserID". Every
// write reaches the store at once.
class SettingsStore {
public:
    static constexpr const char *Application = "Kalamora";
    static constexpr const char *Section = "Settings";

    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    bool contains(const QString &key) const;

    // The stored text, or defaultValue when the key is absent.
    QString readString(const QString &key, const QString &defaultValue = {}) const;
    // The stored text read as a boolean ("True"/"False" in any case, or a
    // number: non-zero is true). Throws SettingsError when it is neither.
    bool readBool(const QString &key, bool defaultValue) const;
    // The stored text read as a number. Throws SettingsError when it is not one.
    double readNumber(const QString &key, double defaultValue) const;
    int readInt(const QString &key, int defaultValue) const;

    void writeString(const QString &key, const QString &value);
    void writeBool(const QString &key, bool value);
    void writeNumber(const QString &key, double value);

    void remove(const QString &key);

    // The boolean and number readings of a text, as the readers use them.
    static bool toBool(const QString &key, const QString &text);
    static double toNumber(const QString &key, const QString &text);

private:
    QString storedKey(const QString &key) const;

    QSettings *m_settings;
};

} // namespace kalamora
