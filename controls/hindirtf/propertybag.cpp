#include "controls/hindirtf/propertybag.h"

PropertyBag::~PropertyBag() = default;

QVariant MapPropertyBag::ReadProperty(const QString &name, const QVariant &defaultValue)
{
    const auto it = m_values.constFind(name);
    return it == m_values.constEnd() ? defaultValue : *it;
}

void MapPropertyBag::WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue)
{
    if (!m_order.contains(name))
        m_order.append(name);
    QVariant converted = value;
    if (defaultValue.isValid() && converted.metaType() != defaultValue.metaType())
        converted.convert(defaultValue.metaType());
    if (defaultValue.isValid() && converted == defaultValue)
        m_values.remove(name);
    else
        m_values.insert(name, value);
}
