#include "settings/settingsstore.h"

#include <QSettings>

#include <cmath>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

QString describe(const QString &key, const QString &value, const char *expected)
{
    return u"Setting \"%1\" holds \"%2\", which is not a %3"_s.arg(key, value, QLatin1StringView(expected));
}

} // namespace

SettingsError::SettingsError(const QString &key, const QString &value, const char *expected)
    : std::runtime_error(describe(key, value, expected).toStdString())
    , key(key)
    , value(value)
{
}

SettingsStore::SettingsStore()
    : m_settings(new QSettings(QString::fromLatin1(Application), QString::fromLatin1(Application)))
{
    m_settings->beginGroup(QString::fromLatin1(Section));
}

SettingsStore::~SettingsStore()
{
    m_settings->endGroup();
    delete m_settings;
}

// QSettings compares keys exactly on Unix; find the spelling already stored.
QString SettingsStore::storedKey(const QString &key) const
{
    if (m_settings->contains(key))
        return key;
    const QStringList keys = m_settings->childKeys();
    for (const QString &k : keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    }
    return {};
}

bool SettingsStore::contains(const QString &key) const
{
    return !storedKey(key).isEmpty();
}

QString SettingsStore::readString(const QString &key, const QString &defaultValue) const
{
    const QString k = storedKey(key);
    if (k.isEmpty())
        return defaultValue;
    return m_settings->value(k).toString();
}

bool SettingsStore::toBool(const QString &key, const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(u"True"_s, Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"False"_s, Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double n = t.toDouble(&ok);
    if (!ok || !std::isfinite(n))
        throw SettingsError(key, text, "boolean");
    return n != 0.0;
}

double SettingsStore::toNumber(const QString &key, const QString &text)
{
    bool ok = false;
    const double n = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(n))
        throw SettingsError(key, text, "number");
    return n;
}

bool SettingsStore::readBool(const QString &key, bool defaultValue) const
{
    const QString k = storedKey(key);
    if (k.isEmpty())
        return defaultValue;
    return toBool(key, m_settings->value(k).toString());
}

double SettingsStore::readNumber(const QString &key, double defaultValue) const
{
    const QString k = storedKey(key);
    if (k.isEmpty())
        return defaultValue;
    return toNumber(key, m_settings->value(k).toString());
}

int SettingsStore::readInt(const QString &key, int defaultValue) const
{
    const double n = readNumber(key, defaultValue);
    if (n < double(INT_MIN) || n > double(INT_MAX))
        throw SettingsError(key, readString(key), "whole number in range");
    // Whole numbers round half to even, as the stored texts were written.
    return int(std::nearbyint(n));
}

void SettingsStore::writeString(const QString &key, const QString &value)
{
    // Keep one spelling per key: replace any variant that differs in case.
    const QStringList keys = m_settings->childKeys();
    for (const QString &k : keys) {
        if (k != key && k.compare(key, Qt::CaseInsensitive) == 0)
            m_settings->remove(k);
    }
    m_settings->setValue(key, value);
    m_settings->sync();
}

void SettingsStore::writeBool(const QString &key, bool value)
{
    writeString(key, value ? u"True"_s : u"False"_s);
}

void SettingsStore::writeNumber(const QString &key, double value)
{
    writeString(key, QString::number(value, 'g', 9));
}

void SettingsStore::remove(const QString &key)
{
    const QStringList keys = m_settings->childKeys();
    for (const QString &k : keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            m_settings->remove(k);
    }
    m_settings->sync();
}

} // namespace kalamora
