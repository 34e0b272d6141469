#include "zipfileentry.h"

ZipFileEntry::ZipFileEntry(QObject *parent) : QObject(parent) {}

ZipFileEntry::~ZipFileEntry() = default;

QByteArray ZipFileEntry::storedName() const
{
    if (!m_storedName.isNull() && QString::fromUtf8(m_storedName) == m_filename)
        return m_storedName;
    if (!m_storedName.isNull() && QString::fromLatin1(m_storedName) == m_filename)
        return m_storedName;
    return m_filename.toUtf8();
}
