#pragma once

#include "hindirtfglobal.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

// The host's store of a control's saved properties. A control reads every
// property it keeps with the default that stands when nothing was saved, and
// writes every one with the same default, so that a store may leave out the
// values that equal their default. Errors are the store's to raise
// (exceptions reach the host through the control's call).
class HINDIRTF_EXPORT PropertyBag {
public:
    virtual ~PropertyBag();
    virtual QVariant ReadProperty(const QString &name, const QVariant &defaultValue) = 0;
    virtual void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) = 0;
};

// A property bag in memory: values equal to their default are not kept
// (compared by value after conversion to the default's type), a later
// write replaces an earlier one.
class HINDIRTF_EXPORT MapPropertyBag : public PropertyBag {
public:
    MapPropertyBag() = default;
    explicit MapPropertyBag(QVariantMap values) : m_values(std::move(values)) {}

    QVariant ReadProperty(const QString &name, const QVariant &defaultValue) override;
    void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) override;

    const QVariantMap &values() const { return m_values; }
    // The names in the order of their first write.
    const QStringList &writeOrder() const { return m_order; }

private:
    QVariantMap m_values;
    QStringList m_order;
};
