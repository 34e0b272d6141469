#include "zipctl/zipfileentry.h"

#include "zipctl/zipwalk.h"

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

void ZipFileEntry::setDosDateTime(quint16 date, quint16 time)
{
    m_fileDateTime.clear();
    m_dosDate = date;
    m_dosTime = time;
    m_dosTimeSet = true;
}

QString ZipFileEntry::FileDateTime() const
{
    if (m_dosTimeSet) {
        m_dosTimeSet = false;
        // Built from the DOS fields directly: the text is the same in every
        // locale and never goes through a date parser.
        const bundlex::DosDateTime t = bundlex::decodeDosDateTime(m_dosDate, m_dosTime);
        if (t.valid) {
            char text[] = "yyyy-MM-dd hh:mm:ss";
            auto put = [&text](int at, int value, int digits) {
                for (int i = digits; i-- > 0; value /= 10)
                    text[at + i] = char('0' + value % 10);
            };
            put(0, t.year, 4);
            put(5, t.month, 2);
            put(8, t.day, 2);
            put(11, t.hour, 2);
            put(14, t.minute, 2);
            put(17, t.second, 2);
            m_fileDateTime = QString::fromLatin1(text, 19);
        }
    }
    return m_fileDateTime;
}
